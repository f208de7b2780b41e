#pragma once
// morvane-cli watch: one line (or one JSON object) per change to the startup
// entries, until interrupted.

#include "core/startupWatch.h"

#include <functional>
#include <string>

// One JSON object, on one line, for a change.
// `look` numbers the look that found it.
std::string WatchEventJson(const TWatchEvent& event, int look);

// Runs until Ctrl+C (exit status 0); `tell` writes a notice to standard error.
int RunWatch(bool json, const std::function<void(const std::string&)>& tell);
