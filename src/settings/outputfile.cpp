// Output files: replace-by-rename onto regular files, direct writes onto devices and pipes.
#include "settings/outputfile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gyro {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBufferBytes = 1 << 16;
constexpr int kMaxLinks = 40; // as the system's own limit on links followed in one path

std::string errorText(int error) {
    return std::strerror(error);
}

// The file a path stands for once its symbolic links are followed (the path itself when it is
// no link, or the link's final target, which may not exist yet).
fs::path followLinks(fs::path path, int& error) {
    error = 0;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::error_code ec;
        const fs::path link = fs::read_symlink(path, ec);
        if (ec) {
            error = ec.value();
            return path;
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    error = ELOOP;
    return path;
}

// Syncs a folder so that a rename in it is on the disk.
void syncFolder(const fs::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd); // not every file system can sync a folder; the rename itself is done
    ::close(fd);
}

// A unique name for the temporary file, short enough for any folder whatever the length of the
// target's own name.
fs::path temporaryName(const fs::path& folder) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    return folder / (".gyrotrace-" + std::to_string(::getpid()) + "-" + std::to_string(seed) + "-" +
                     std::to_string(counter++) + ".tmp");
}

fs::path folderOf(const fs::path& target) {
    return target.parent_path().empty() ? fs::path(".") : target.parent_path();
}

// An unnamed file in the folder: if the program is killed before it is linked into place, the
// system frees it and nothing is left behind. `temp` stays empty. File systems without unnamed
// files get a named temporary file instead (`temp` names it).
int createTemporary(const fs::path& folder, fs::path& temp) {
    temp.clear();
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = temporaryName(folder);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0) temp.clear();
            return fd;
        }
    }
    temp.clear();
    errno = EEXIST;
    return -1;
}

// Gives an unnamed file a temporary name in its folder; false with errno set when it cannot.
bool linkTemporary(int fd, const fs::path& folder, fs::path& temp) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = temporaryName(folder);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST) break;
    }
    temp.clear();
    return false;
}

// Why an existing file may not be replaced or written: empty when it may.
std::string refusal(const fs::path& name, const struct stat& st, const fs::path& target) {
    if (S_ISDIR(st.st_mode)) return name.string() + " is a folder, not a file";
    // Read-only means read-only to everyone, the administrator included.
    if (S_ISREG(st.st_mode) && ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
        return "cannot write " + name.string() + ": the file is read-only";
    if (!S_ISREG(st.st_mode) && ::access(target.c_str(), W_OK) != 0)
        return "cannot write " + name.string() + ": " + errorText(errno);
    return {};
}

} // namespace

FileResult CheckOutputPath(const fs::path& file) {
    if (file.empty()) return {false, "no file name given"};
    int error = 0;
    const fs::path target = followLinks(file, error);
    if (error != 0) return {false, "cannot follow " + file.string() + ": " + errorText(error)};
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (const std::string why = refusal(file, st, target); !why.empty()) return {false, why};
        if (!S_ISREG(st.st_mode)) return {}; // written in place
    } else if (target.filename().empty() || target.filename() == "." || target.filename() == "..") {
        return {false, file.string() + " is a folder, not a file"};
    }
    const fs::path folder = folderOf(target);
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {false, "cannot write " + file.string() + ": the folder " + folder.string() +
                           " does not exist"};
    const long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (nameMax > 0 && target.filename().string().size() > static_cast<std::size_t>(nameMax))
        return {false, "cannot write " + file.string() + ": the file name is longer than " +
                           std::to_string(nameMax) + " bytes"};
    // Prove that the temporary file can be made where it will be renamed into place.
    fs::path temp;
    const int fd = createTemporary(folder, temp);
    if (fd < 0)
        return {false, "cannot write " + file.string() + ": no file can be made in the folder " +
                           folder.string() + " (" + errorText(errno) + ")"};
    ::close(fd);
    if (!temp.empty()) ::unlink(temp.c_str());
    return {};
}

OutputFile::~OutputFile() {
    cancel();
}

FileResult OutputFile::open(const fs::path& file) {
    cancel();
    m_name = file.string();
    m_errno = 0;
    const FileResult check = CheckOutputPath(file);
    if (!check.ok) return check;
    int error = 0;
    m_target = followLinks(file, error);
    struct stat st {};
    const bool exists = ::stat(m_target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        // A device, a FIFO or a socket: written in place, never replaced. A FIFO that no program
        // reads would block the open for ever: it is refused instead.
        m_fd = ::open(m_target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (m_fd < 0) {
            const int saved = errno;
            if (saved == ENXIO)
                return {false, "cannot write " + m_name + ": no program reads from that pipe"};
            return {false, "cannot write " + m_name + ": " + errorText(saved)};
        }
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
        m_ownsFd = true;
        m_inPlace = true;
        return {};
    }
    m_fd = createTemporary(folderOf(m_target), m_temp);
    if (m_fd < 0) {
        const int saved = errno;
        return {false, "cannot write " + m_name + ": " + errorText(saved)};
    }
    m_ownsFd = true;
    m_inPlace = false;
    // The new file keeps the permissions of the one it replaces.
    if (exists) ::fchmod(m_fd, st.st_mode & 07777);
    return {};
}

void OutputFile::openDescriptor(int fd, std::string name) {
    cancel();
    m_inPlace = true;
    m_fd = fd;
    m_ownsFd = false;
    m_errno = 0;
    m_name = std::move(name);
}

bool OutputFile::writeAll(const char* data, std::size_t size) {
    while (size > 0 && m_errno == 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            m_errno = errno;
        } else if (n == 0) {
            m_errno = EIO;
        } else {
            data += n;
            size -= static_cast<std::size_t>(n);
        }
    }
    return m_errno == 0;
}

bool OutputFile::write(std::string_view bytes) {
    if (m_fd < 0 || m_errno != 0) return false;
    m_buffer.append(bytes);
    if (m_buffer.size() >= kBufferBytes) return flush();
    return true;
}

bool OutputFile::flush() {
    if (m_fd < 0) return false;
    const bool ok = writeAll(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return ok;
}

void OutputFile::closeDescriptor() {
    if (m_fd >= 0 && m_ownsFd) ::close(m_fd);
    m_fd = -1;
    m_ownsFd = false;
    m_buffer.clear();
}

FileResult OutputFile::commit() {
    if (m_fd < 0) return {false, "cannot write " + m_name + ": it is not open"};
    flush();
    if (m_inPlace) {
        if (m_ownsFd && ::close(m_fd) != 0 && m_errno == 0 && errno != EINTR) m_errno = errno;
        m_fd = -1;
        m_ownsFd = false;
        if (m_errno != 0) return {false, "cannot write " + m_name + ": " + errorText(m_errno)};
        return {};
    }
    // The data must be on the disk before the rename makes it the file.
    if (m_errno == 0 && ::fsync(m_fd) != 0) m_errno = errno;
    if (m_errno == 0 && m_temp.empty() && !linkTemporary(m_fd, folderOf(m_target), m_temp))
        m_errno = errno;
    if (::close(m_fd) != 0 && m_errno == 0) m_errno = errno;
    m_fd = -1;
    m_ownsFd = false;
    if (m_errno == 0 && ::rename(m_temp.c_str(), m_target.c_str()) != 0) m_errno = errno;
    if (m_errno != 0) {
        if (!m_temp.empty()) ::unlink(m_temp.c_str());
        m_temp.clear();
        return {false, "cannot write " + m_name + ": " + errorText(m_errno)};
    }
    m_temp.clear();
    syncFolder(m_target.parent_path());
    return {};
}

void OutputFile::cancel() {
    closeDescriptor();
    if (!m_temp.empty()) ::unlink(m_temp.c_str());
    m_temp.clear();
}

} // namespace gyro
