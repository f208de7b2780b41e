#include "Clock.h"

#include <windows.h>

std::string LocalDateTimeText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[128] = {};
    char time[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof date);
    std::string text = date;
    if (now.wHour != 0 || now.wMinute != 0 || now.wSecond != 0 || now.wMilliseconds != 0) {
        GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, sizeof time);
        text += ' ';
        text += time;
    }
    return text;
}
