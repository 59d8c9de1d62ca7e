// The reading child: a forked process that reads one workbook under a memory and a
// processor-time limit and sends its result back through a pipe.
#include "sheets/readingchild.h"

#include "settings/textfile.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>

namespace gyro {

namespace {

namespace fs = std::filesystem;

// The parser and the formula engine allocate as the file asks: nesting depth, string lengths,
// the cells of a formula range and the work of recomputing them are all chosen by whoever wrote
// the file. Rather than bound each of them from outside, the read runs in a child process that
// the system stops at a memory and a processor-time limit; the program then says which limit the
// workbook passed. The child sends its result back through a pipe.

volatile std::sig_atomic_t g_memoryExhausted = 0;

void NoteMemoryExhausted() {
    g_memoryExhausted = 1;
    std::set_new_handler(nullptr);
    throw std::bad_alloc();
}

void PutSize(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}

bool GetSize(const std::string& in, std::size_t& at, std::uint64_t& v) {
    if (in.size() < at + 8) return false;
    v = 0;
    for (int i = 0; i < 8; ++i) v |= std::uint64_t(std::uint8_t(in[at + i])) << (8 * i);
    at += 8;
    return true;
}

std::string Encode(const WorkbookText& r) {
    std::string out;
    PutSize(out, static_cast<std::uint64_t>(r.failure));
    PutSize(out, static_cast<std::uint64_t>(r.rows));
    PutSize(out, r.message.size());
    out += r.message;
    PutSize(out, r.text.size());
    out += r.text;
    return out;
}

bool Decode(const std::string& in, WorkbookText& r) {
    std::size_t at = 0;
    std::uint64_t failure = 0, rows = 0, length = 0;
    if (!GetSize(in, at, failure) || !GetSize(in, at, rows) || !GetSize(in, at, length) ||
        failure > static_cast<std::uint64_t>(WorkbookFailure::Cancelled) || in.size() - at < length)
        return false;
    r.failure = static_cast<WorkbookFailure>(failure);
    r.rows = static_cast<int>(rows);
    r.message = in.substr(at, length);
    at += length;
    if (!GetSize(in, at, length) || in.size() - at != length) return false;
    r.text = in.substr(at);
    return true;
}

// Address space the process holds now [bytes] (unused under the sanitizers, which bound no memory).
[[maybe_unused]] std::size_t AddressSpaceNow() {
    std::string statm;
    ReadFileHead("/proc/self/statm", statm, 256);
    const std::size_t pages = std::strtoull(statm.c_str(), nullptr, 10);
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

void LimitChild(const WorkbookLimits& limits, [[maybe_unused]] std::size_t stackReserveBytes) {
    rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    const rlim_t seconds = static_cast<rlim_t>(std::max(limits.cpuSeconds, 1));
    rlimit cpu{seconds, seconds + 1}; // SIGXCPU first, SIGKILL one second later
    ::setrlimit(RLIMIT_CPU, &cpu);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // The sanitizers reserve terabytes of address space for themselves: under them only the
    // processor time is bounded.
    const rlim_t bytes =
        static_cast<rlim_t>(AddressSpaceNow() + stackReserveBytes + limits.memoryBytes);
    rlimit as{};
    ::getrlimit(RLIMIT_AS, &as);
    if (as.rlim_cur == RLIM_INFINITY || bytes < as.rlim_cur) {
        as.rlim_cur = bytes;
        ::setrlimit(RLIMIT_AS, &as);
    }
#endif
}

// Control bytes of a file or sheet name must not reach a terminal or a window as they are.
std::string Printable(std::string text) {
    for (char& c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F) c = '?';
    return text;
}

WorkbookText Failed(WorkbookFailure failure, std::string message) {
    WorkbookText r;
    r.failure = failure;
    r.message = Printable(std::move(message));
    return r;
}

} // namespace

WorkbookText ReadInHelper(const std::function<WorkbookText()>& work, const WorkbookLimits& limits,
                          const std::string& path, std::size_t stackReserveBytes) {
    const std::string name = fs::path(path).filename().string();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return Failed(WorkbookFailure::Unreadable,
                      name + " cannot be read: the system refused a helper process");
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return Failed(WorkbookFailure::Unreadable,
                      name + " cannot be read: the system refused a helper process");
    }
    if (child == 0) {
        ::close(fds[0]);
        // The parser's own diagnostics are not for the user.
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        LimitChild(limits, stackReserveBytes);
        std::set_new_handler(NoteMemoryExhausted);
        WorkbookText result;
        try {
            result = work();
        } catch (const std::exception& e) {
            result = Failed(WorkbookFailure::Unreadable,
                            name + " cannot be read: it holds data this program cannot read");
        } catch (...) {
            result = Failed(WorkbookFailure::Unreadable,
                            name + " cannot be read: it holds data this program cannot read");
        }
        if (g_memoryExhausted) {
            result = WorkbookText{};
            result.failure = WorkbookFailure::Refused;
        }
        std::string bytes;
        try {
            bytes = Encode(result);
        } catch (...) {
            ::_exit(3);
        }
        if (g_memoryExhausted) ::_exit(4);
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fds[1], bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                ::_exit(2);
            }
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    // Collect the answer. A child that blocks without computing would never meet its
    // processor-time limit: it gets a generous wall-clock time too.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::seconds(4 * std::max(limits.cpuSeconds, 1) + 10);
    std::string answer;
    bool cancelled = false, late = false;
    char buffer[1 << 16];
    for (;;) {
        if (limits.cancel && limits.cancel->load()) {
            cancelled = true;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            late = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, 50);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (cancelled || late) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (cancelled) return Failed(WorkbookFailure::Cancelled, "reading " + name + " was cancelled");
    const std::string memory = std::to_string(limits.memoryBytes >> 20) + " MB of memory";
    const std::string time = std::to_string(limits.cpuSeconds) + " s of computing";
    if (late ||
        (WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL)))
        return Failed(WorkbookFailure::Refused,
                      name + " is not read: reading it would take more than " + time);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 4)
        return Failed(WorkbookFailure::Refused,
                      name + " is not read: reading it would take more than " + memory);
    WorkbookText result;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && Decode(answer, result)) {
        result.message = Printable(std::move(result.message));
        return result;
    }
    // Killed by the system or by a fault: a deep nesting that ran out of stack, memory that ran
    // out where no allocation could report it.
    return Failed(WorkbookFailure::Unreadable,
                  name + " cannot be read: it is damaged, or it would take more than " + memory +
                      " or " + time + " to read");
}

} // namespace gyro
