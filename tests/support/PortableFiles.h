#pragma once
// Test hooks of the portable file services.

namespace portable_files {

// Makes NativeFilePath answer as for a 32-bit program on 64-bit Windows,
// with the portable system folder's parent as the Windows folder.
void SetSystemFolderRedirected(bool redirected);

} // namespace portable_files
