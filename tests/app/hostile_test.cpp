// The program against hostile files and hostile places, run as a user runs it but under a memory
// and processor-time limit: workbooks built to exhaust it, outputs that are devices, pipes or
// read-only files, killed runs, a vanished reader, no display, a planted link in the temporary
// folder, settings files that are pipes.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true; // the sanitizers reserve terabytes of address space
#else
constexpr bool kSanitized = false;
#endif

constexpr rlim_t kAddressSpaceBytes = rlim_t(3) << 30; // the whole program, helper included
constexpr rlim_t kCpuSeconds = 120;

struct Outcome {
    int code = -1;   ///< exit code, -1 when killed
    int signal = 0;  ///< the signal that ended it
    std::string err; ///< standard error
    double cpuS = 0; ///< processor time of the program and its helper [s]
};

std::string slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs the program in `folder` with the arguments, under the limits. `env` sets ("NAME=value")
// or removes ("NAME") variables. A hang is ended after a generous while so the suite goes on.
Outcome runLimited(const std::vector<std::string>& args, const fs::path& folder,
                   const std::vector<std::string>& env = {}, bool limitMemory = true) {
    const fs::path errFile = folder / ".stderr";
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(120);
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(err, 2);
        for (const std::string& e : env) {
            const auto eq = e.find('=');
            if (eq == std::string::npos)
                ::unsetenv(e.c_str());
            else
                ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
        }
        if (limitMemory && !kSanitized) {
            rlimit as{kAddressSpaceBytes, kAddressSpaceBytes};
            ::setrlimit(RLIMIT_AS, &as);
        }
        rlimit cpu{kCpuSeconds, kCpuSeconds};
        ::setrlimit(RLIMIT_CPU, &cpu);
        std::vector<char*> argv{const_cast<char*>(GYROTRACE_PROGRAM)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(GYROTRACE_PROGRAM, argv.data());
        ::_exit(127);
    }
    Outcome o;
    if (pid < 0) return o;
    int status = 0;
    rusage usage{};
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    pid_t done = 0;
    while ((done = ::wait4(pid, &status, WNOHANG, &usage)) == 0) {
        if (std::chrono::steady_clock::now() > giveUp) ::kill(pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    o.cpuS = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
             double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (WIFEXITED(status)) o.code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) o.signal = WTERMSIG(status);
    o.err = slurp(errFile);
    fs::remove(errFile);
    return o;
}

class HostileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_corpus = new fs::path(fs::temp_directory_path() /
                                ("gyro_hostile_" + std::to_string(::getpid())));
        fs::create_directories(*s_corpus);
    }
    // The expensive workbooks are built only for the test that reads them.
    static void makeCorpus(bool small) {
        const std::string command = "/usr/bin/python3 '" GYRO_CORPUS_SCRIPT "' " +
                                    std::string(small ? "--small '" : "'") + s_corpus->string() +
                                    "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(*s_corpus, ec);
        delete s_corpus;
    }
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_dir = *s_corpus / name;
        fs::create_directories(m_dir);
        makeCorpus(name.find("Workbooks") == std::string::npos);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }
    static fs::path corpus(const std::string& name) { return *s_corpus / name; }

    static fs::path* s_corpus;
    fs::path m_dir;
};

fs::path* HostileTest::s_corpus = nullptr;

TEST_F(HostileTest, WorkbooksAreReadWithinBoundsOrRefusedNamingWhatIsWrong) {
    struct Case {
        std::string file;
        int code;
        std::vector<std::string> says;
    };
    const Case cases[] = {
        {"nested.xlsx", 3, {"nested.xlsx", "1024 MB of memory"}},
        {"array-formula.xlsx", 3, {"array-formula.xlsx", "1024 MB of memory"}},
        {"huge-string.xlsx", 3, {"huge-string.xlsx"}},
        {"hidden-entries.xlsx", 3, {"hidden-entries.xlsx", "1024 MB once unpacked"}},
        {"missing-sheet.xlsx", 3, {"damaged", "sheet part xl/worksheets/sheet1.xml is missing"}},
        {"truncated-sheet.xlsx", 3, {"damaged", "xl/worksheets/sheet1.xml is cut short"}},
        {"binary.csv", 3, {"binary.csv is not a workbook"}},
        {"absolute-targets.xlsx", 0, {}},
        {"utf16.csv", 0, {}},
        {"workbook-named.csv", 0, {}},
        // Formulas: only what the range depends on is computed, stored values serve, and a
        // formula that cannot be computed marks its own cell.
        {"column-sums.xlsx", 0, {}},
        {"formula-chain.xlsx", 0, {}},
        {"unknown-function.xlsx", 0, {}},
        {"missing-sheet-reference.xlsx", 0, {}},
        {"stored-values.xlsx", 0, {}},
    };
    if (kSanitized) GTEST_SKIP() << "memory limits cannot be set under the sanitizers";
    for (const Case& c : cases) {
        const Outcome o = runLimited({"--plot-sheet", corpus(c.file).string(), "--sheet", "S",
                                      "--range", "A1:C12", "--png", (m_dir / "p.png").string()},
                                     m_dir);
        std::printf("%-24s exit %d, %5.1f s of computing\n", c.file.c_str(), o.code, o.cpuS);
        EXPECT_EQ(o.signal, 0) << c.file;
        EXPECT_EQ(o.code, c.code) << c.file << ": " << o.err;
        for (const std::string& word : c.says)
            EXPECT_NE(o.err.find(word), std::string::npos) << c.file << ": " << o.err;
        // No internal text and no raw control byte reaches the user.
        for (const char* internal : {"std::", "_M_", "stoi", "bad_alloc", "multi_type"})
            EXPECT_EQ(o.err.find(internal), std::string::npos) << c.file << ": " << o.err;
        for (char ch : o.err)
            EXPECT_TRUE(ch == '\n' || static_cast<unsigned char>(ch) >= 0x20) << c.file;
        EXPECT_EQ(fs::exists(m_dir / "p.png"), c.code == 0) << c.file;
        fs::remove(m_dir / "p.png");
    }
}

TEST_F(HostileTest, OutputsNeverReplaceDevicesPipesOrReadOnlyFiles) {
    const std::string book = corpus("absolute-targets.xlsx").string();
    const std::vector<std::vector<std::string>> runs = {
        {"--batch", "--steps", "200", "--size", "64x64", "--csv"},
        {"--batch", "--steps", "200", "--size", "64x64", "--png"},
        {"--batch", "--steps", "200", "--size", "64x64", "--pdf"},
        {"--plot-sheet", book, "--sheet", "S", "--range", "A1:C12", "--png"},
        {"--plot-sheet", book, "--sheet", "S", "--range", "A1:C12", "--pdf"},
    };
    for (const auto& base : runs) {
        const std::string what = base[0] + " " + base.back();
        auto run = [&](const std::string& output) {
            std::vector<std::string> args = base;
            args.push_back(output);
            return runLimited(args, m_dir, {}, false);
        };
        // A character device with the null device's numbers stays a device.
        if (::mknod((m_dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
            const Outcome o = run("null");
            EXPECT_EQ(o.code, 0) << what << ": " << o.err;
            EXPECT_TRUE(fs::is_character_file(m_dir / "null")) << what;
            fs::remove(m_dir / "null");
        }
        // A FIFO with a reader is written through; it stays a FIFO.
        ASSERT_EQ(::mkfifo((m_dir / "pipe").c_str(), 0600), 0);
        const int readEnd = ::open((m_dir / "pipe").c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(readEnd, 0);
        std::string received;
        std::atomic<bool> finished{false};
        std::thread reader([&] {
            char buffer[4096];
            for (;;) {
                const ssize_t n = ::read(readEnd, buffer, sizeof buffer);
                if (n > 0) {
                    received.append(buffer, static_cast<std::size_t>(n));
                } else if (finished) {
                    break;
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
            }
        });
        const Outcome piped = run("pipe");
        finished = true;
        reader.join();
        ::close(readEnd);
        EXPECT_EQ(piped.code, 0) << what << ": " << piped.err;
        EXPECT_GT(received.size(), 10u) << what;
        EXPECT_TRUE(fs::is_fifo(m_dir / "pipe")) << what;
        fs::remove(m_dir / "pipe");
        // A read-only file is refused with the reason, and kept.
        std::ofstream(m_dir / "kept") << "kept";
        fs::permissions(m_dir / "kept", fs::perms(0444));
        const Outcome ro = run("kept");
        EXPECT_NE(ro.code, 0) << what;
        EXPECT_NE(ro.err.find("read-only"), std::string::npos) << what << ": " << ro.err;
        EXPECT_EQ(slurp(m_dir / "kept"), "kept") << what;
        fs::remove(m_dir / "kept");
        // The longest file name the folder takes is written.
        const Outcome longName = run(std::string(255, 'n'));
        EXPECT_EQ(longName.code, 0) << what << ": " << longName.err;
        fs::remove(m_dir / std::string(255, 'n'));
        EXPECT_TRUE(fs::is_empty(m_dir)) << what << ": no temporary file left";
    }
}

TEST_F(HostileTest, AKilledRunLeavesNoTemporaryFile) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(m_dir.c_str()) != 0) ::_exit(120);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(GYROTRACE_PROGRAM, GYROTRACE_PROGRAM, "--batch", "--keep-going", "--steps",
                "1000000000", "--csv", "table.csv", nullptr);
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    // Killed once it has computed (and written) for a while: its processor time tells, not the
    // clock.
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    for (long ticks = 0; ticks < 50;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::string s = slurp(stat);
        const auto close = s.rfind(')');
        if (close == std::string::npos) break;
        long field[16] = {};
        std::sscanf(s.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld",
                    &field[0], &field[1]);
        ticks = field[0] + field[1];
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(fs::is_empty(m_dir))
        << "the killed run left " << fs::directory_iterator(m_dir)->path();
}

TEST_F(HostileTest, PlacesAndEnvironmentsThatCouldHangOrHurtTheRun) {
    // A reader that goes away: the table could not all be written (exit 4), no signal death.
    const std::string program = GYROTRACE_PROGRAM;
    const std::string pipeline =
        "bash -c '\"" + program +
        "\" --batch --steps 200000 --csv - 2>/dev/null | head -n 1 >/dev/null; "
        "exit ${PIPESTATUS[0]}'";
    const int status = std::system(pipeline.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 4) << "status " << status;

    // No display that can be reached, or a platform that does not exist.
    for (const std::vector<std::string>& env :
         {std::vector<std::string>{"DISPLAY=:987", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"},
          std::vector<std::string>{"QT_QPA_PLATFORM=bogus"}}) {
        const Outcome o = runLimited({}, m_dir, env, false);
        EXPECT_EQ(o.code, 2) << env[0] << ": " << o.err;
        EXPECT_NE(o.err.find("needs a display"), std::string::npos) << o.err;
        EXPECT_NE(o.err.find("--batch"), std::string::npos) << o.err;
    }

    // A link planted where a runtime folder could be made: its target keeps its permissions, and
    // the drawing library finds its runtime folder without complaint.
    const fs::path temp = m_dir / "tmp", target = m_dir / "victim";
    fs::create_directories(temp);
    fs::create_directories(target);
    fs::permissions(target, fs::perms(0755));
    fs::create_directory_symlink(target,
                                 temp / ("gyrotrace-runtime-" + std::to_string(::getuid())));
    const std::vector<std::string> hostileTemp{"TMPDIR=" + temp.string(), "XDG_RUNTIME_DIR"};
    Outcome o =
        runLimited({"--batch", "--steps", "10", "--png", "a.png"}, m_dir, hostileTemp, false);
    EXPECT_EQ(o.code, 0) << o.err;
    o = runLimited(
        {"--plot-sheet", corpus("utf16.csv").string(), "--range", "A2:C13", "--png", "b.png"},
        m_dir, hostileTemp, false);
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.err.find("XDG_RUNTIME_DIR"), std::string::npos) << o.err;
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms(0755));
    EXPECT_EQ(std::distance(fs::directory_iterator(temp), {}), 1) << "nothing left in the temp";

    // Settings files that are pipes are not read (nobody writes into them: reading would block).
    ASSERT_EQ(::mkfifo((m_dir / "Zefron.ini").c_str(), 0600), 0);
    o = runLimited({"--batch", "--steps", "10"}, m_dir, {}, false);
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_TRUE(fs::is_fifo(m_dir / "Zefron.ini"));
}

} // namespace
