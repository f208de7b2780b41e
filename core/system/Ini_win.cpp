#include "Ini.h"

#include "Errors.h"

#include <windows.h>

std::string IniReadString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def) {
    // Longer values arrive cut to 2047 characters; callers rely on that bound.
    char buffer[2048];
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer,
                                       sizeof buffer, file.c_str());
    return std::string(buffer, n < sizeof buffer ? n : sizeof buffer - 1);
}

void IniWriteString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
    if (!IniWritable(section, key, value) ||
        !WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()))
        throw EIniError(FormatMessage1("Unable to write to %s", file));
}

void IniFlush(const std::string& file) {
    // The documented flush: no section, key or value. Its result says nothing
    // about the writes (Wine answers FALSE always); each write has already
    // reported its own failure.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
}
