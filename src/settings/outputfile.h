// Writing a user's output file so that a crash mid-write never destroys the file it replaces, and
// so that devices, pipes and links stay what they are.
#pragma once

#include "settings/textfile.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace gyro {

/// Checks, before any long computation, that `file` can receive an output: a name is given, it is
/// not a folder nor a read-only file (a symbolic link is followed), the folder it goes into
/// exists, the name fits there, and a temporary file can be made in that folder. Returns the
/// message naming the whole path otherwise.
FileResult CheckOutputPath(const std::filesystem::path& file);

/// One output file being written, from open() to commit().
///
/// A regular file (or a new one) is written into an unnamed temporary file in its own folder (a
/// killed program leaves nothing behind); commit() syncs it, links it under a temporary name,
/// renames it over the file and syncs the folder, so that the new name survives a power cut.
/// Until then, and whenever anything fails, the old file stays whole. A read-only file is
/// refused. A character or block device, a FIFO or an open descriptor (standard output) is
/// written directly: renaming over a device would replace it with a regular file; a FIFO that no
/// program reads is refused. A symbolic link is followed: its target is replaced, the link kept.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// Opens `file` for writing (see the class comment). The messages name the path as given.
    FileResult open(const std::filesystem::path& file);
    /// Writes to an already open descriptor (1 for standard output), which is never closed here;
    /// `name` names it in messages.
    void openDescriptor(int fd, std::string name);

    /// Appends bytes (buffered). Returns false once a write has failed; the rest is dropped.
    bool write(std::string_view bytes);
    /// Writes out what is buffered: the bytes reach a descriptor or pipe while the run goes on.
    bool flush();
    /// Finishes the file: flushes, and for a replaced file syncs, renames and syncs the folder.
    /// On failure the old file is kept and the message says what went wrong.
    FileResult commit();
    /// Abandons the file: a temporary file is removed, a direct output is left as written.
    void cancel();

    bool isOpen() const { return m_fd >= 0; }
    /// The name given to open() (or openDescriptor()).
    const std::string& name() const { return m_name; }
    /// Whether the output is written in place (device, FIFO, descriptor) rather than replaced.
    bool direct() const { return m_inPlace; }

private:
    bool writeAll(const char* data, std::size_t size);
    void closeDescriptor();

    int m_fd = -1;
    bool m_ownsFd = false;
    int m_errno = 0; // first write error, 0 while all went well
    std::string m_name;
    std::filesystem::path m_target; // the file replaced (a link's target)
    std::filesystem::path m_temp;   // the temporary file's name once it has one
    bool m_inPlace = false;         // written directly (device, FIFO, descriptor)
    std::string m_buffer;
};

} // namespace gyro
