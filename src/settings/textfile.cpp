// Bounded reading, sequential items and replace-by-rename writing of the settings files.
#include "settings/textfile.h"

#include "settings/outputfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gyro {

namespace fs = std::filesystem;

FileResult ReadFileHead(const fs::path& file, std::string& bytes, std::size_t maxBytes) {
    bytes.clear();
    std::error_code ec;
    if (fs::is_directory(file, ec)) return {false, file.string() + " is a folder, not a file"};
    // Opened without waiting: a FIFO planted under the name would otherwise block for ever.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {false, "cannot open " + file.string() + ": " + std::strerror(errno)};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {false, file.string() + " is not a regular file: not read"};
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        ::close(fd);
        return {false, "cannot open " + file.string() + ": " + std::strerror(errno)};
    }
    char buffer[8192];
    while (bytes.size() < maxBytes) {
        const std::size_t want = std::min(sizeof buffer, maxBytes - bytes.size());
        const std::size_t got = std::fread(buffer, 1, want, f);
        bytes.append(buffer, got);
        if (got < want) break;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return {false, "cannot read " + file.string()};
    return {};
}

std::uintmax_t RegularFileSize(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return 0;
    const std::uintmax_t size = fs::file_size(file, ec);
    return ec ? 0 : size;
}

FileResult WriteFileReplacing(const fs::path& file, const std::string& bytes) {
    OutputFile out;
    const FileResult opened = out.open(file);
    if (!opened.ok) return opened;
    out.write(bytes);
    return out.commit();
}

void SequentialReader::skipDelimiter() {
    const std::size_t n = m_text.size();
    if (m_pos >= n) return;
    const char c = m_text[m_pos];
    if (c == ',') {
        ++m_pos;
    } else if (c == '\r') {
        ++m_pos;
        if (m_pos < n && m_text[m_pos] == '\n') ++m_pos;
    } else if (c == '\n') {
        ++m_pos;
    }
}

bool SequentialReader::next(std::string& item) {
    const std::size_t n = m_text.size();
    while (m_pos < n && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t')) ++m_pos;
    if (m_pos >= n) return false;
    auto isEnd = [](char c) { return c == ',' || c == '\r' || c == '\n'; };
    if (m_text[m_pos] == '"') {
        const std::size_t start = ++m_pos;
        while (m_pos < n && m_text[m_pos] != '"') ++m_pos;
        item = m_text.substr(start, m_pos - start);
        if (m_pos < n) ++m_pos; // the closing quote
        while (m_pos < n && !isEnd(m_text[m_pos])) ++m_pos;
    } else {
        const std::size_t start = m_pos;
        while (m_pos < n && !isEnd(m_text[m_pos])) ++m_pos;
        item = m_text.substr(start, m_pos - start);
    }
    skipDelimiter();
    return true;
}

} // namespace gyro
