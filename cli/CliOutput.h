#pragma once

// The command-line tool's output formats. Portable: no system calls, only text.

#include "startupUtil.h"

#include <string>
#include <vector>

enum class Format { Table, Csv, Json, Xml };

// One CSV field, quoted only when it holds a separator, a quote or a line break.
std::string CsvField(const std::string& s);
// A JSON string literal; bytes from 0x80 up pass through, so UTF-8 stays UTF-8.
std::string JsonString(const std::string& s);
// "windows", "morvane" or empty for an enabled entry.
std::string DisabledBy(const TStartup& e);
// The other locations of an entry, each named once.
std::vector<std::string> AlsoInNames(const TStartup& e);
std::string RatingName(int rating);

// What "list" prints.
std::string FormatList(const std::vector<const TStartup*>& rows, Format format);
// What "consult" prints; Xml is not offered there and reads as the table.
std::string FormatRatings(const std::vector<const TStartup*>& rows, Format format);
