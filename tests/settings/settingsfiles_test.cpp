// Zefron.ini and kelmirav.ini: exact bytes, sequential reading, the 100-byte rule, foreign files.
#include "settings/kelmiravini.h"
#include "settings/runtimefolder.h"
#include "settings/textfile.h"
#include "settings/zefronini.h"
#include "support/filesizelimit.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace gyro {

using test::AskerScope;
using test::ReadBytes;
using test::ScriptedAsker;
using test::TempFolder;
using test::WriteBytes;

namespace {

std::vector<std::string> ReadAll(const std::string& text) {
    SequentialReader reader(text);
    std::vector<std::string> items;
    std::string item;
    while (reader.next(item)) items.push_back(item);
    return items;
}

const char* const kCreated = "Ast166\r\n"
                             "/usr/bin/localc\r\n"
                             "/home/user/work\r\n"
                             "\\xls_doc\r\n"
                             "\\data\r\n"
                             "\\tmp\r\n"
                             "\\miravlun.tmp\r\n"
                             "\\results.doc\r\n"
                             "\\res_tmp.xls\r\n"
                             "\\miravCar.dat\r\n"
                             "\\miravCar.xls\r\n"
                             "\\Miravpol.xls\r\n"
                             "rem Fichier .ini du Programme mirav    \r\n";

} // namespace

TEST(SequentialReader, ReadsItemsLikeSequentialInput) {
    struct Case {
        std::string text;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"   lead\r\n\ttab\r\n", {"lead", "tab"}},
        {"trail  \r\n", {"trail  "}},
        {"a,b\r\nc", {"a", "b", "c"}},
        {"\r\nafter empty\r\n", {"", "after empty"}},
        {"unix\nlines\n", {"unix", "lines"}},
        {"old\rmac", {"old", "mac"}},
        {"\"q,1\" ,\"q2\"junk\r\n", {"q,1", "q2"}},
        {"\"unterminated", {"unterminated"}},
        {"", {}},
        {"   ", {}},
        {"last,", {"last"}},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadAll(c.text), c.items) << c.text;
}

TEST(Zefron, FileBytesHaveThirteenCrLfLines) {
    const auto s = ZefronCreationValues("Ast166", "/usr/bin/localc", "/home/user/work");
    EXPECT_EQ(ZefronFileBytes(s), kCreated);
    EXPECT_EQ(ParseZefron(kCreated), s);
}

TEST(Zefron, FirstStartAsksThenSecondStartReads) {
    TempFolder dir;
    ScriptedAsker asker({"Station Pôle Sud"});
    AskerScope scope(&asker);

    const ZefronResult first = CreateOrReadZefron(dir.path(), "/usr/bin/localc", "/w");
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0].prompt, kZefronPrompt);
    EXPECT_EQ(asker.questions[0].title, "Initialisation Zefrons");
    EXPECT_EQ(asker.questions[0].defaultAnswer, "Ast166");
    EXPECT_TRUE(first.prompted);
    EXPECT_EQ(first.outcome, ZefronOutcome::Created);
    EXPECT_EQ(first.settings.site, "Station Pôle Sud");
    const std::string bytes = ReadBytes(dir / "Zefron.ini");
    EXPECT_EQ(bytes.substr(0, 18), "Station P\xF4le Sud\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "Zefron.ini.tmp"));

    const ZefronResult second = CreateOrReadZefron(dir.path(), "/other", "/other");
    EXPECT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(second.outcome, ZefronOutcome::Read);
    EXPECT_EQ(second.settings, first.settings);
}

TEST(Zefron, CancelWritesAnEmptySiteLine) {
    TempFolder dir;
    ScriptedAsker asker({""});
    AskerScope scope(&asker);
    const ZefronResult r = CreateOrReadZefron(dir.path(), "", "/w");
    EXPECT_EQ(r.settings.site, "");
    const std::string bytes = ReadBytes(dir / "Zefron.ini");
    EXPECT_EQ(bytes.substr(0, 4), "\r\n\r\n"); // empty site, then the empty program line
    EXPECT_EQ(ReadZefron(dir.path()).settings, r.settings);
}

TEST(Zefron, HundredBytesCountAsAbsentHundredAndOneAreRead) {
    // Twelve items padded so that the file is exactly n bytes long.
    auto fileOf = [](std::size_t n) {
        std::string text = "Site\r\nP\r\nF\r\nD\r\nA\r\nT\r\nL\r\nR\r\nS\r\nM\r\nC\r\nQ\r\n";
        text += std::string(n - text.size() - 2, 'x') + "\r\n";
        return text;
    };
    for (std::size_t size : {std::size_t{100}, std::size_t{101}}) {
        TempFolder dir;
        WriteBytes(dir / "Zefron.ini", fileOf(size));
        ASSERT_EQ(std::filesystem::file_size(dir / "Zefron.ini"), size);
        ScriptedAsker asker({"New"});
        AskerScope scope(&asker);
        const ZefronResult r = CreateOrReadZefron(dir.path(), "/p", "/f");
        if (size == 100) {
            EXPECT_EQ(asker.questions.size(), 1u);
            EXPECT_EQ(r.settings.site, "New");
            EXPECT_EQ(ReadBytes(dir / "Zefron.ini"),
                      ZefronFileBytes(ZefronCreationValues("New", "/p", "/f")));
        } else {
            EXPECT_TRUE(asker.questions.empty());
            EXPECT_EQ(r.settings.site, "Site");
            EXPECT_EQ(r.settings.polarSheet, "Q");
        }
    }
}

TEST(Zefron, ReadOnlyNeitherAsksNorWrites) {
    TempFolder dir;
    ScriptedAsker asker({"never"});
    AskerScope scope(&asker);
    const ZefronResult r = CreateOrReadZefron(dir.path(), "/p", "/f", false);
    EXPECT_TRUE(asker.questions.empty());
    EXPECT_EQ(r.outcome, ZefronOutcome::NotPresent);
    EXPECT_EQ(r.settings, ZefronCreationValues("", "/p", "/f"));
    EXPECT_FALSE(std::filesystem::exists(dir / "Zefron.ini"));
}

TEST(Zefron, ForeignFilesAreReadWithoutHarm) {
    std::string garbage;
    for (int i = 0; i < 4000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
    std::string huge(3 * kMaxSettingsBytes, 'A'); // one endless line
    const std::string cut = std::string(kCreated).substr(0, 120);
    struct Case {
        std::string name, bytes;
        bool prompted;
    };
    const Case cases[] = {{"empty", "", true},
                          {"garbage", garbage, false},
                          {"huge", huge, false},
                          {"truncated", cut, false}};
    for (const Case& c : cases) {
        TempFolder dir;
        WriteBytes(dir / "Zefron.ini", c.bytes);
        WriteBytes(dir / "other.txt", "keep me");
        ScriptedAsker asker({"S"});
        AskerScope scope(&asker);
        const ZefronResult r = CreateOrReadZefron(dir.path(), "/p", "/f");
        EXPECT_EQ(asker.questions.size(), c.prompted ? 1u : 0u) << c.name;
        EXPECT_EQ(ReadBytes(dir / "other.txt"), "keep me") << c.name;
        if (c.name == "huge") {
            EXPECT_EQ(r.settings.site.size(), kMaxSettingsBytes);
        }
        if (c.name == "truncated") {
            EXPECT_EQ(r.settings.site, "Ast166");
            EXPECT_FALSE(r.message.empty()); // fewer than twelve items
            EXPECT_EQ(r.settings.polarSheet, "");
        }
        // Foreign files are only read, never rewritten.
        if (!c.prompted) {
            EXPECT_EQ(ReadBytes(dir / "Zefron.ini"), c.bytes) << c.name;
        }
    }
}

TEST(Zefron, UnwritableFileIsReportedAndKeepsTheAnswer) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "Zefron.ini"); // cannot be replaced by a file
    ScriptedAsker asker({"Site"});
    AskerScope scope(&asker);
    const ZefronResult r = CreateOrReadZefron(dir.path(), "/p", "/f");
    EXPECT_EQ(r.outcome, ZefronOutcome::WriteFailed);
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(r.settings.site, "Site");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Zefron.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir / "Zefron.ini.tmp"));
}

TEST(Kelmirav, WritesOneLineOfFourQuotedStrings) {
    TempFolder dir;
    const KelmiravSettings s{"/usr/bin/localc", "/home/u/Données/essai.xls", "Feuille1", "C2:E100"};
    const auto file = KelmiravPath(dir.path());
    ASSERT_TRUE(WriteKelmirav(file, s).ok);
    EXPECT_EQ(
        ReadBytes(file),
        "\"/usr/bin/localc\",\"/home/u/Donn\xE9\x65s/essai.xls\",\"Feuille1\",\"C2:E100\"\r\n");
    KelmiravSettings back;
    EXPECT_TRUE(ReadKelmirav(file, back).ok);
    EXPECT_EQ(back, s);
}

TEST(Kelmirav, MissingShortAndForeignFilesKeepTheSettings) {
    const KelmiravSettings current{"prog", "book", "tab", "A1:B2"};
    struct Case {
        const char* name;
        std::string bytes; // empty name: no file
        KelmiravSettings expected;
    };
    std::string binary("\x00\x01\xFF\"\x00,\r\n", 8);
    const Case cases[] = {
        {"missing", "", current},
        {"empty", "", current},
        {"two items", "\"p2\",\"b2\"", {"p2", "b2", "tab", "A1:B2"}},
        {"binary", binary, {std::string("\x00\x01\xC3\xBF\"\x00", 6), "", "tab", "A1:B2"}},
        {"huge", std::string(2 * kMaxSettingsBytes, ','), {"", "", "", ""}},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        const auto file = KelmiravPath(dir.path());
        if (std::string(c.name) != "missing") WriteBytes(file, c.bytes);
        KelmiravSettings s = current;
        ReadKelmirav(file, s);
        EXPECT_EQ(s, c.expected) << c.name;
        EXPECT_TRUE(std::filesystem::exists(file)) << c.name; // a missing file is created empty
        if (std::string(c.name) == "missing") {
            EXPECT_EQ(std::filesystem::file_size(file), 0u);
        }
    }
}

TEST(Kelmirav, FailedRewriteKeepsTheOldFile) {
    TempFolder dir;
    const auto file = KelmiravPath(dir.path());
    ASSERT_TRUE(WriteKelmirav(file, {"p", "b", "s", "A1:A2"}).ok);
    const std::string before = ReadBytes(file);
    // The disk fills up while the new file is written.
    FileResult r;
    {
        test::FileSizeLimit full(before.size());
        r = WriteKelmirav(file, {std::string(5000, 'n'), "new", "new", "new"});
    }
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "the temporary file is removed";
}

TEST(Kelmirav, QuotesAndLineBreaksCannotBreakTheLine) {
    const KelmiravSettings s{"a\"b", "c\r\nd", "e", "f"};
    EXPECT_EQ(KelmiravFileBytes(s), "\"a b\",\"c  d\",\"e\",\"f\"\r\n");
}

TEST(SettingsFiles, PipesUnderTheirNamesAreNeitherWaitedOnNorReplaced) {
    // A FIFO has no writer here: reading it as a file would block for ever.
    TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "Zefron.ini").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(KelmiravPath(dir.path()).c_str(), 0600), 0);
    ScriptedAsker asker({"S"});
    AskerScope scope(&asker);
    const ZefronResult z = CreateOrReadZefron(dir.path(), "/p", "/f");
    EXPECT_NE(z.message.find("Zefron.ini"), std::string::npos) << z.message;
    KelmiravSettings s{"prog", "book", "tab", "A1:B2"};
    const FileResult k = ReadKelmirav(KelmiravPath(dir.path()), s);
    EXPECT_FALSE(k.ok);
    EXPECT_NE(k.message.find("not a regular file"), std::string::npos) << k.message;
    EXPECT_EQ(s, (KelmiravSettings{"prog", "book", "tab", "A1:B2"}));
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "Zefron.ini"));
    EXPECT_TRUE(std::filesystem::is_fifo(KelmiravPath(dir.path())));
}

TEST(RuntimeFolder, OnlyAPrivateFolderOfThisUserIsUsedAndNothingFoundIsChanged) {
    namespace fs = std::filesystem;
    TempFolder dir;
    fs::create_directory(dir / "open");
    ::chmod((dir / "open").c_str(), 0755);
    fs::create_directory(dir / "private");
    ::chmod((dir / "private").c_str(), 0700);
    fs::create_directory_symlink(dir / "private", dir / "link");
    EXPECT_TRUE(IsPrivateFolder(dir / "private"));
    EXPECT_FALSE(IsPrivateFolder(dir / "open"));
    EXPECT_FALSE(IsPrivateFolder(dir / "link")) << "a planted link is never followed";
    EXPECT_FALSE(IsPrivateFolder(dir / "missing"));

    for (const char* set : {"link", "open"}) {
        ::setenv("XDG_RUNTIME_DIR", (dir / set).c_str(), 1);
        bool made = false;
        const fs::path chosen = PrivateRuntimeFolder(made, dir.path());
        EXPECT_NE(chosen, dir / set);
        EXPECT_TRUE(IsPrivateFolder(chosen)) << chosen;
        if (made) {
            EXPECT_EQ(chosen.parent_path(), dir.path());
            RemoveRuntimeFolder(chosen);
            EXPECT_FALSE(fs::exists(chosen));
        }
    }
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(fs::status(dir / "open").permissions() & fs::perms::all, fs::perms(0755))
        << "never chmod what was found";
    EXPECT_EQ(fs::status(dir / "private").permissions() & fs::perms::all, fs::perms(0700));
}

} // namespace gyro
