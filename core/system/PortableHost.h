#pragma once
// What the portable services keep of the host they stand in for, besides
// the registry (RegistryStore_portable.h). The test seeding sets it; the
// services only read it.

#include <map>
#include <string>

namespace portable_host {

// Shell folders that do not follow the default tree under the root, by
// CSIDL; an empty path makes the folder undeterminable.
std::map<int, std::string>& FolderOverrides();

// True: NativeFilePath answers as for a 32-bit program on 64-bit Windows,
// with the system folder's parent as the Windows folder.
bool& SystemFolderRedirected();

} // namespace portable_host
