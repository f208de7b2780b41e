// Windows-1252 as the ANSI code page of the portable build. Its five
// unassigned bytes map to the C1 controls of the same number, as Windows'
// own table does, so every byte converts and converts back.
//
// What it cannot model: another ANSI code page than 1252, and the best-fit
// mappings Windows applies to characters that code page lacks.
#include "TextCodec.h"

#include <cstdint>

namespace {

constexpr char16_t kHighHalf[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t fromAnsi(unsigned char b) {
    return b >= 0x80 && b < 0xA0 ? kHighHalf[b - 0x80] : static_cast<char16_t>(b);
}

bool toAnsi(char16_t unit, char& out) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        out = static_cast<char>(unit);
        return true;
    }
    for (int k = 0; k < 32; ++k)
        if (kHighHalf[k] == unit) {
            out = static_cast<char>(0x80 + k);
            return true;
        }
    return false;
}

} // namespace

bool Utf8ToAnsi(std::string_view utf8, std::string& ansi) {
    ansi.clear();
    std::u16string wide;
    if (!Utf8ToUtf16(utf8, wide))
        return false;
    ansi.reserve(wide.size());
    for (char16_t unit : wide) {
        char b = 0;
        if (!toAnsi(unit, b)) {
            ansi.clear();
            return false;
        }
        ansi += b;
    }
    return true;
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::u16string wide;
    wide.reserve(ansi.size());
    for (char b : ansi)
        wide += fromAnsi(static_cast<unsigned char>(b));
    return Utf16ToUtf8(wide);
}
