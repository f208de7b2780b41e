#pragma once
// The shell's small file icons, for the entry list.

#include <string>

// The system's small-icon image list (an HIMAGELIST on Windows; null elsewhere).
void* SystemSmallImages();
// The index of a file's small icon in that list; -1 when there is none.
int FileIconIndex(const std::string& path);
