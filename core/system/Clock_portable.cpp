// The local date from the C library's time zone.
// What it cannot model: the user's date format of the Windows regional
// settings; the date is always day.month.year.
#include "Clock.h"

#include <chrono>
#include <ctime>

std::string LocalDateTimeText() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    char buffer[64];
    std::size_t n = std::strftime(buffer, sizeof buffer, "%d.%m.%Y", &local);
    std::string text(buffer, n);
    if (local.tm_hour != 0 || local.tm_min != 0 || local.tm_sec != 0) {
        n = std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local);
        text += ' ';
        text.append(buffer, n);
    }
    return text;
}
