#pragma once
// The shell folders of the portable build: by default under the folder named
// by MORVANE_ROOT (else a "morvane-root" folder in the temporary folder);
// tests set each one as they need.

#include <string>

namespace portable_folders {

// An empty path makes the folder undeterminable.
void SetFolder(int csidl, const std::string& path);
void ResetFolders();

} // namespace portable_folders
