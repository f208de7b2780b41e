#pragma once
// Reading small pieces of text: hexadecimal digits, blanks around a text,
// decimal integers and UTF-8 code points. Portable and free of the rest of
// the program, like TextEscape.h.

#include <cstddef>
#include <string_view>

// 0 to 15 for a hexadecimal digit of either case; -1 for any other byte.
int HexDigitValue(char c);

// What the profile functions and most text formats take for blanks.
inline constexpr std::string_view BlankBytes{" \t\n\v\f\r"};
// Every control byte and the space: the blanks of template markers, which
// may come from files of any line-end convention and code page.
inline constexpr std::string_view ControlAndSpaceBytes{
    "\0\1\2\3\4\5\6\7\10\11\12\13\14\15\16\17\20\21\22\23\24\25\26\27\30\31\32\33\34\35\36\37 ", 33};
// The text without the bytes of `blanks` at either end.
std::string_view TrimBlanks(std::string_view text, std::string_view blanks = BlankBytes);

// A decimal integer within 32 bits: an optional sign, then one or more
// digits, nothing before or after. False, with `value` untouched, otherwise.
bool ParseInt32(std::string_view text, int& value);
// Digits only, at most `maxDigits` of them (a small index or code); false
// for a sign, a blank or anything else.
bool ParseDigits(std::string_view text, std::size_t maxDigits, int& value);

// Decodes the UTF-8 form at `at`, moving past it; false, leaving `at`, on a
// form that is not UTF-8 (a stray or missing continuation byte, an overlong
// form, a value above U+10FFFF). Surrogate forms (U+D800..U+DFFF) pass only
// with `surrogates`.
bool DecodeCodePoint(std::string_view text, std::size_t& at, char32_t& cp, bool surrogates);
// The code point at `at`, moving past it; a lone surrogate's form decodes as
// its unit. False, moving one byte on, for a byte that begins no such form.
bool NextCodePoint(std::string_view text, std::size_t& at, char32_t& cp);
