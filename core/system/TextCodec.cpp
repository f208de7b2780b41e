// The UTF-8 <-> UTF-16 rules and the file encodings, the same on every
// platform; only the ANSI code page differs (TextCodec_win.cpp,
// TextCodec_portable.cpp).
#include "TextCodec.h"

#include "TextScan.h"

#include <cstdint>

namespace {

bool scan(std::string_view s, bool surrogates) {
    char32_t cp = 0;
    for (std::size_t i = 0; i < s.size();)
        if (!DecodeCodePoint(s, i, cp, surrogates))
            return false;
    return true;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

} // namespace

bool Utf8ToUtf16(std::string_view utf8, std::u16string& out) {
    out.clear();
    out.reserve(utf8.size());
    char32_t cp = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        if (!DecodeCodePoint(utf8, i, cp, true)) {
            out.clear();
            return false;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return true;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    return scan(text, false);
}

bool IsConvertibleUtf8(std::string_view text) {
    return scan(text, true);
}

std::string WellFormedUtf8(std::string_view text, std::size_t* replaced) {
    std::string out;
    out.reserve(text.size());
    std::size_t count = 0;
    char32_t cp = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t from = i;
        if (NextCodePoint(text, i, cp) && (cp < 0xD800 || cp > 0xDFFF)) {
            out.append(text.substr(from, i - from));
            continue;
        }
        out += "\xEF\xBF\xBD";
        ++count;
    }
    if (replaced)
        *replaced = count;
    return out;
}

bool FitsAnsi(std::string_view utf8) {
    std::string ignored;
    return Utf8ToAnsi(utf8, ignored);
}

std::string Utf8OrAnsiToUtf8(std::string_view text) {
    return IsValidUtf8(text) ? std::string(text) : AnsiToUtf8(text);
}

std::string DecodeTextFile(std::string_view bytes) {
    if (startsWith(bytes, kUtf8Bom))
        bytes.remove_prefix(kUtf8Bom.size());
    return IsConvertibleUtf8(bytes) ? std::string(bytes) : AnsiToUtf8(bytes);
}

bool EncodeProfileText(std::string_view utf8, std::string& bytes, bool unicode) {
    bytes.clear();
    if (!unicode && Utf8ToAnsi(utf8, bytes))
        return true;
    std::u16string wide;
    if (!Utf8ToUtf16(utf8, wide))
        return false;
    bytes.reserve(kUtf16LeBom.size() + 2 * wide.size());
    bytes.append(kUtf16LeBom);
    for (char16_t unit : wide) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return true;
}

std::string DecodeProfileText(std::string_view bytes, bool* unicode) {
    bool wide = startsWith(bytes, kUtf16LeBom);
    if (unicode)
        *unicode = wide;
    if (wide) {
        bytes.remove_prefix(kUtf16LeBom.size());
        std::u16string units(bytes.size() / 2, u'\0');
        for (std::size_t k = 0; k < units.size(); ++k)
            units[k] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                             (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
        return Utf16ToUtf8(units);
    }
    if (startsWith(bytes, kUtf8Bom))
        return std::string(bytes.substr(kUtf8Bom.size()));
    return AnsiToUtf8(bytes);
}
