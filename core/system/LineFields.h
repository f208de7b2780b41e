#pragma once
// The line format of Morvane's own record files (the records of disabled
// values, the watcher's snapshot and lists): fields split by tabs, each
// written with backslash escapes, so that any text survives a line.

#include <string>
#include <vector>

// "\\", "\t", "\r", "\n" and "\0" for the characters that would break a line.
std::string EscapeField(const std::string& text);
// False for text that no EscapeField wrote: a NUL, or a backslash that
// begins no escape.
bool UnescapeField(const std::string& text, std::string& out);
// The tab-separated fields of a line, as written (still escaped).
std::vector<std::string> SplitFields(const std::string& line);
