#pragma once
// The local date and time as the user's settings write them.

#include <string>

// Short date, a blank and the long time; the time is left out at exactly
// midnight.
std::string LocalDateTimeText();
