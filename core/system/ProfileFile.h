#pragma once
// A profile file's whole text in one read, decoded as the profile functions
// decode it (UTF-8 inside). Reading a profile key by key costs a pass over
// the file per key; a store of many entries needs one pass only.

#include <string>
#include <string_view>

// The blanks the profile functions drop around sections, names and values;
// Ctrl-Z is an old end-of-file mark that they skip too.
inline constexpr std::string_view ProfileBlankBytes{" \t\n\v\f\r\x1a"};

// False when the file cannot be read.
bool ReadProfileFileText(const std::string& path, std::string& text);
