// Output files: what is replaced, what is written in place, and what survives a failure.
#include "settings/outputfile.h"

#include "support/filesizelimit.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace gyro {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;
namespace fs = std::filesystem;

FileResult writeWhole(const fs::path& file, const std::string& bytes) {
    OutputFile out;
    const FileResult opened = out.open(file);
    if (!opened.ok) return opened;
    out.write(bytes);
    return out.commit();
}

std::size_t entries(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(OutputFile, PathsAreCheckedBeforeAnyWrite) {
    TempFolder dir;
    fs::create_directory(dir / "sub");
    fs::create_symlink(dir / "sub", dir / "linkToFolder");
    struct Case {
        fs::path path;
        bool ok;
        std::string message; // part of the message, naming the whole path
    };
    const Case cases[] = {
        {"", false, "no file name"},
        {dir / "sub", false, (dir / "sub").string() + " is a folder"},
        {dir / "linkToFolder", false, "is a folder"},
        {dir / "missing" / "x.csv", false, (dir / "missing" / "x.csv").string()},
        {dir / "new.csv", true, ""},
        {dir / "sub" / "new.csv", true, ""},
        {dir / std::string(255, 'n'), true, ""}, // the longest name a folder takes
        {dir / std::string(256, 'n'), false, "longer than 255 bytes"},
        {dir / "readonly.csv", false, "read-only"},
        {"/proc/x.csv", false, "no file can be made in the folder /proc"},
    };
    WriteBytes(dir / "readonly.csv", "kept");
    ::chmod((dir / "readonly.csv").c_str(), 0444);
    for (const Case& c : cases) {
        const FileResult r = CheckOutputPath(c.path);
        EXPECT_EQ(r.ok, c.ok) << c.path;
        EXPECT_NE(r.message.find(c.message), std::string::npos) << r.message;
        EXPECT_FALSE(writeWhole(c.path, "x").ok && !c.ok) << c.path;
    }
    EXPECT_EQ(entries(dir / "sub"), 1u) << "only new.csv";
    EXPECT_EQ(ReadBytes(dir / "readonly.csv"), "kept");
}

TEST(OutputFile, ReplacesFilesAndLinkTargetsButWritesDevicesInPlace) {
    TempFolder dir;
    WriteBytes(dir / "old.csv", "old");
    ::chmod((dir / "old.csv").c_str(), 0640);
    WriteBytes(dir / "target.csv", "old");
    fs::create_symlink("target.csv", dir / "link.csv");
    ASSERT_TRUE(writeWhole(dir / "old.csv", "new").ok);
    EXPECT_EQ(ReadBytes(dir / "old.csv"), "new");
    EXPECT_EQ(fs::status(dir / "old.csv").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
        << "the new file keeps the old one's permissions";
    ASSERT_TRUE(writeWhole(dir / "link.csv", "through the link").ok);
    EXPECT_TRUE(fs::is_symlink(dir / "link.csv"));
    EXPECT_EQ(ReadBytes(dir / "target.csv"), "through the link");
    EXPECT_EQ(entries(dir.path()), 3u) << "no temporary file left";

    // A character device (the null device's numbers) stays a device.
    if (::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        ASSERT_TRUE(writeWhole(dir / "null", std::string(100000, 'x')).ok);
        EXPECT_TRUE(fs::is_character_file(dir / "null"));
    }
    // A FIFO that nobody reads is refused at once instead of blocking; one with a reader is
    // written through to it.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const FileResult unread = writeWhole(dir / "pipe", "row\n");
    EXPECT_FALSE(unread.ok);
    EXPECT_NE(unread.message.find("no program reads from that pipe"), std::string::npos);
    const int readEnd = ::open((dir / "pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(readEnd, 0);
    EXPECT_TRUE(writeWhole(dir / "pipe", "row\n").ok);
    char received[16] = {};
    EXPECT_EQ(::read(readEnd, received, sizeof received), 4);
    ::close(readEnd);
    EXPECT_STREQ(received, "row\n");
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
}

TEST(OutputFile, FailuresKeepTheOldFileAndWritersNeverShareATemporaryFile) {
    TempFolder dir;
    WriteBytes(dir / "table.csv", "old");
    {
        test::FileSizeLimit full(1000);
        const FileResult r = writeWhole(dir / "table.csv", std::string(5000, 'x'));
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find((dir / "table.csv").string()), std::string::npos) << r.message;
    }
    EXPECT_EQ(ReadBytes(dir / "table.csv"), "old");
    {
        OutputFile abandoned;
        ASSERT_TRUE(abandoned.open(dir / "table.csv").ok);
        abandoned.write(std::string(100000, 'h'));
        abandoned.flush();
        // Until the commit the data has no name in the folder: a killed program leaves nothing.
        EXPECT_EQ(entries(dir.path()), 1u);
    }
    EXPECT_EQ(ReadBytes(dir / "table.csv"), "old");
    EXPECT_EQ(entries(dir.path()), 1u);

    // Two programs writing the same file at once: each commit is whole, the last one wins.
    OutputFile first, second;
    ASSERT_TRUE(first.open(dir / "table.csv").ok);
    ASSERT_TRUE(second.open(dir / "table.csv").ok);
    first.write(std::string(200000, '1'));
    second.write(std::string(100, '2'));
    EXPECT_TRUE(second.commit().ok);
    EXPECT_TRUE(first.commit().ok);
    EXPECT_EQ(ReadBytes(dir / "table.csv"), std::string(200000, '1'));
    EXPECT_EQ(entries(dir.path()), 1u);

    // A descriptor that refuses writes (a full device) is reported at commit.
    const int fd = ::open("/dev/full", O_WRONLY);
    if (fd >= 0) {
        OutputFile out;
        out.openDescriptor(fd, "standard output");
        out.write("row\n");
        const FileResult r = out.commit();
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find("standard output"), std::string::npos);
        ::close(fd);
    }
}

} // namespace
} // namespace gyro
