#pragma once
// The shell's small file icons, for the entry list.

#include <string>

// The system's small-icon image list (an HIMAGELIST on Windows; null elsewhere).
void* SystemSmallImages();
// The index of a file's small icon in that list; -1 when there is none. A
// System32 path means the native System32, in a 32-bit program too.
int FileIconIndex(const std::string& path);
