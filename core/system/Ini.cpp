// The parts of the profile functions that are the same on every platform:
// how numbers and booleans are written and read back.
#include "Ini.h"

#include "TextCodec.h"
#include "TextScan.h"

#include <cstdint>
#include <string>

bool ParseIniInteger(const std::string& text, int& value) {
    std::string::size_type i = 0;
    const std::string::size_type n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < n && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == n)
        return false;
    // Hexadecimal covers the full 32 bits ("$FFFFFFFF" is -1); decimal must
    // fit a signed 32-bit integer.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t magnitude = 0;
    for (; i < n; ++i) {
        int digit = HexDigitValue(text[i]);
        if (digit < 0 || digit >= base)
            return false;
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > limit)
            return false;
    }
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    value = static_cast<int>(bits);
    return true;
}

bool IniWritable(const std::string& section, const std::string& key, const std::string& value) {
    const std::string breaks("\r\n\0", 3);
    return section.find_first_of(breaks) == std::string::npos &&
           key.find_first_of(breaks) == std::string::npos &&
           value.find_first_of(breaks) == std::string::npos && key.find('=') == std::string::npos &&
           (key.empty() || key[0] != '[') && IsConvertibleUtf8(section) && IsConvertibleUtf8(key) &&
           IsConvertibleUtf8(value);
}

int IniReadInteger(const std::string& file, const std::string& section, const std::string& key,
                   int def) {
    int value = def;
    return ParseIniInteger(IniReadString(file, section, key, ""), value) ? value : def;
}

void IniWriteInteger(const std::string& file, const std::string& section, const std::string& key,
                     int value) {
    IniWriteString(file, section, key, std::to_string(value));
}

bool IniReadBool(const std::string& file, const std::string& section, const std::string& key,
                 bool def) {
    return IniReadInteger(file, section, key, def ? 1 : 0) != 0;
}

void IniWriteBool(const std::string& file, const std::string& section, const std::string& key,
                  bool value) {
    IniWriteString(file, section, key, value ? "1" : "0");
}
