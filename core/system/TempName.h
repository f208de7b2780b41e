#pragma once
// Names for files that are written first and moved into place once complete.

#include <string>

// `path` followed by ".tmp-", this process's id and a counter of this
// process: two processes, or two writes of one process, never share a
// temporary file.
std::string UniqueTemporaryName(const std::string& path);
// This process's id.
unsigned long CurrentProcessId();
