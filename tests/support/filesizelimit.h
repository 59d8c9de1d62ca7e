// Makes every file write past a size fail for the life of the object, as a full disk would.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace gyro::test {

/// While alive, this process cannot make a file grow beyond `bytes`: writes past it fail with
/// EFBIG (the signal the system would send is ignored). Root is bound by it too, unlike file
/// permissions, so tests can make any write fail.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace gyro::test
