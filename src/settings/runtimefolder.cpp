// Finding or making the private runtime folder: lstat, never chmod what was found, mkdtemp.
#include "settings/runtimefolder.h"

#include <cstdlib>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace gyro {

namespace fs = std::filesystem;

bool IsPrivateFolder(const fs::path& folder) {
    struct stat st {};
    if (folder.empty() || ::lstat(folder.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0 &&
           (st.st_mode & S_IRWXU) == S_IRWXU;
}

fs::path PrivateRuntimeFolder(bool& made, const fs::path& temp) {
    made = false;
    if (const char* set = std::getenv("XDG_RUNTIME_DIR"); set && IsPrivateFolder(set)) return set;
    const fs::path session = fs::path("/run/user") / std::to_string(::getuid());
    if (IsPrivateFolder(session)) return session;
    std::error_code ec;
    const fs::path base = temp.empty() ? fs::temp_directory_path(ec) : temp;
    if (ec) return {};
    // mkdtemp makes a new folder with mode 0700 under a name nobody could have chosen before.
    std::string pattern = (base / "gyrotrace-runtime-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    made = true;
    return pattern;
}

void RemoveRuntimeFolder(const fs::path& folder) {
    std::error_code ec;
    if (IsPrivateFolder(folder)) fs::remove_all(folder, ec);
}

RuntimeFolderScope::RuntimeFolderScope() {
    m_folder = PrivateRuntimeFolder(m_made);
    if (!m_folder.empty()) ::setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
}

RuntimeFolderScope::~RuntimeFolderScope() {
    if (m_made) RemoveRuntimeFolder(m_folder);
}

} // namespace gyro
