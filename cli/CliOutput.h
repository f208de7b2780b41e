#pragma once

// The command-line tool's output formats. Portable: no system calls, only text.

#include "core/startupUtil.h"

#include <string>
#include <vector>

enum class Format { Table, Csv, Json, Xml };

// One CSV field, quoted only when it holds a separator, a quote or a line break.
std::string CsvField(const std::string& s);
// A JSON string literal; UTF-8 passes through as it is, a lone surrogate
// becomes its \u escape and a byte that begins no UTF-8 form \ufffd.
std::string JsonString(const std::string& s);
// "windows", "morvane" or empty for an enabled entry.
std::string DisabledBy(const TStartup& e);
// The other locations of an entry, each named once.
std::vector<std::string> AlsoInNames(const TStartup& e);
std::string RatingName(int rating);

// What "list" prints. CSV and the table hold U+FFFD for text that is not
// UTF-8 (a lone surrogate of a registry name); XML says so (startupExport.h).
std::string FormatList(const std::vector<const TStartup*>& rows, Format format);
// What "consult" prints; Xml is not offered there and reads as the table.
std::string FormatRatings(const std::vector<const TStartup*>& rows, Format format);
