// The seeding of the portable shell folders and file services.
#include "PortableFiles.h"
#include "PortableFolders.h"

#include "core/system/PortableHost.h"

namespace portable_folders {

void SetFolder(int csidl, const std::string& path) {
    portable_host::FolderOverrides()[csidl] = path;
}

void ResetFolders() {
    portable_host::FolderOverrides().clear();
}

} // namespace portable_folders

namespace portable_files {

void SetSystemFolderRedirected(bool redirected) {
    portable_host::SystemFolderRedirected() = redirected;
}

} // namespace portable_files
