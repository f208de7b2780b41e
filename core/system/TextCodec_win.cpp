// The system's ANSI code page through the conversion functions, refusing
// best-fit replacements: a character without an exact form does not fit.
#include "TextCodec.h"

#include "WideText_win.h"

#include <windows.h>

bool Utf8ToAnsi(std::string_view utf8, std::string& ansi) {
    ansi.clear();
    std::wstring wide;
    if (!ToWide(utf8, wide))
        return false;
    if (wide.empty())
        return true;
    const int length = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    // UTF-7 and UTF-8 as the ANSI code page refuse the default-character
    // arguments; there every character fits anyway.
    const UINT codePage = GetACP();
    const bool exactCheck = codePage != CP_UTF8 && codePage != CP_UTF7;
    int size = WideCharToMultiByte(CP_ACP, exactCheck ? WC_NO_BEST_FIT_CHARS : 0, wide.data(),
                                   length, nullptr, 0, nullptr, exactCheck ? &lossy : nullptr);
    if (size <= 0 || lossy)
        return false;
    ansi.assign(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, exactCheck ? WC_NO_BEST_FIT_CHARS : 0, wide.data(), length,
                        ansi.data(), size, nullptr, exactCheck ? &lossy : nullptr);
    // A character may map to a byte sequence that does not map back (a
    // lone surrogate, a character the table only knows one way).
    if (lossy || AnsiToUtf8(ansi) != utf8) {
        ansi.clear();
        return false;
    }
    return true;
}

std::string AnsiToUtf8(std::string_view ansi) {
    if (ansi.empty())
        return {};
    const int length = static_cast<int>(ansi.size());
    int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    if (size <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), size);
    return FromWide(wide);
}
