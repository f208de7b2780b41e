#pragma once
// The program's UTF-8 texts as the wide strings of the Windows W functions
// (Windows builds only; the rules are TextCodec.h's).

#include "TextCodec.h"

#include <string>
#include <string_view>

// False, with `wide` emptied, when the text is not UTF-8.
inline bool ToWide(std::string_view utf8, std::wstring& wide) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16");
    std::u16string units;
    if (!Utf8ToUtf16(utf8, units)) {
        wide.clear();
        return false;
    }
    wide.assign(units.begin(), units.end());
    return true;
}

inline std::string FromWide(std::wstring_view wide) {
    std::u16string units(wide.begin(), wide.end());
    return Utf16ToUtf8(units);
}

inline std::string FromWide(const wchar_t* wide) {
    return wide ? FromWide(std::wstring_view(wide)) : std::string();
}

// For the screen: a text that is not UTF-8 (it should not happen) is shown
// as the ANSI code page would show it rather than not at all.
inline std::wstring DisplayText(std::string_view text) {
    std::wstring wide;
    if (!ToWide(text, wide))
        ToWide(AnsiToUtf8(text), wide);
    return wide;
}
