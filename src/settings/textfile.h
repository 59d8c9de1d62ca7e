// Small text-file tools shared by the settings files: bounded reading, sequential items, and
// writing through a temporary file so that an old file is never lost half-written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace gyro {

/// Settings files are read up to this many bytes; anything beyond is ignored (a settings file
/// is a few hundred bytes, a huge one is foreign and must not exhaust memory).
inline constexpr std::size_t kMaxSettingsBytes = 1 << 20;

/// Outcome of a file operation: ok, or a message that says what failed.
struct FileResult {
    bool ok = true;
    std::string message;
};

/// Reads at most maxBytes bytes from the start of a file into bytes.
FileResult ReadFileHead(const std::filesystem::path& file, std::string& bytes,
                        std::size_t maxBytes = kMaxSettingsBytes);

/// Size of a regular file in bytes; 0 when it is missing, is not a regular file or cannot be
/// examined.
std::uintmax_t RegularFileSize(const std::filesystem::path& file);

/// Replaces the file with the given bytes through an OutputFile: a temporary file beside it is
/// renamed over it (a device is written in place, a link's target is replaced). When anything
/// fails the old file is left as it was and the temporary file is removed.
FileResult WriteFileReplacing(const std::filesystem::path& file, const std::string& bytes);

/// Reads comma- and line-separated items from text, as sequential input does: blanks and tabs in
/// front of an item are skipped; an item in double quotes runs to the closing quote (the quotes
/// are not part of it, and what follows up to the next comma or line end is dropped); any other
/// item ends at a comma or at the line end (CR LF, LF or CR), its trailing blanks kept.
class SequentialReader {
public:
    explicit SequentialReader(const std::string& text) : m_text(text) {}
    /// Reads the next item; false (item untouched) when the text is exhausted.
    bool next(std::string& item);

private:
    void skipDelimiter();

    const std::string& m_text;
    std::size_t m_pos = 0;
};

} // namespace gyro
