#pragma once

// The command-line tool's output formats. Portable: no system calls, only text.

#include "core/startupUtil.h"
#include "core/system/TextEscape.h"
#include "online/RatingProtocol.h"

#include <string>
#include <vector>

enum class Format { Table, Csv, Json, Xml };

// "windows", "morvane" or empty for an enabled entry.
std::string DisabledBy(const TStartup& e);
// The other locations of an entry, each named once.
std::vector<std::string> AlsoInNames(const TStartup& e);

// What "list" prints. CSV and the table hold U+FFFD for text that is not
// UTF-8 (a lone surrogate of a registry name); XML says so (startupExport.h).
std::string FormatList(const std::vector<const TStartup*>& rows, Format format);
// What "consult" prints; Xml is not offered there and reads as the table.
std::string FormatRatings(const std::vector<const TStartup*>& rows, Format format);
