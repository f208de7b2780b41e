#pragma once
// A profile file's whole text in one read, decoded as the profile functions
// decode it (UTF-8 inside). Reading a profile key by key costs a pass over
// the file per key; a store of many entries needs one pass only.

#include <string>

// False when the file cannot be read.
bool ReadProfileFileText(const std::string& path, std::string& text);
