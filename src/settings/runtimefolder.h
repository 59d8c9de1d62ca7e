// The private runtime folder that the drawing library wants, found or made without trusting
// anything another user could have planted in the shared temporary folder.
#pragma once

#include <filesystem>
#include <string>

namespace gyro {

/// Whether `folder` may serve as this user's private runtime folder: a real folder (not a
/// symbolic link), owned by this user, with no access for anyone else.
bool IsPrivateFolder(const std::filesystem::path& folder);

/// The runtime folder for this process, chosen once: XDG_RUNTIME_DIR when it names a private
/// folder, else the user's session folder /run/user/<uid> when private, else a folder made here
/// with a unique name under `temp` (the system's temporary folder when empty). Nothing found is
/// ever changed; what is made is private from its creation. `made` tells whether the folder was
/// made here, and should be removed by RemoveRuntimeFolder at the end. Empty on failure.
std::filesystem::path PrivateRuntimeFolder(bool& made, const std::filesystem::path& temp = {});

/// Removes a runtime folder made by PrivateRuntimeFolder, with what it holds (links in it are
/// removed, not followed).
void RemoveRuntimeFolder(const std::filesystem::path& folder);

/// For the life of the object, XDG_RUNTIME_DIR names a private runtime folder (chosen by
/// PrivateRuntimeFolder); a folder made for it is removed at the end.
class RuntimeFolderScope {
public:
    RuntimeFolderScope();
    ~RuntimeFolderScope();
    RuntimeFolderScope(const RuntimeFolderScope&) = delete;
    RuntimeFolderScope& operator=(const RuntimeFolderScope&) = delete;

private:
    std::filesystem::path m_folder;
    bool m_made = false;
};

} // namespace gyro
