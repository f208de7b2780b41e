#pragma once
// Texts inside the program are UTF-8. Windows keeps names and data as
// UTF-16 and its older functions and files use the ANSI code page; these
// are the only conversions between them, so that every part of the program
// (and the portable build's stand-ins) follows the same rules:
//  - UTF-16 always converts: a lone surrogate, which the registry and the
//    file system accept, becomes its own three-byte form (as in WTF-8)
//    instead of '?' or nothing, and converts back to the same unit.
//  - UTF-8 that is not well formed (a stray or missing continuation byte,
//    an overlong form, a value above U+10FFFF) does not convert: the caller
//    gets false and reports it, nothing is replaced.
//  - ANSI conversion is exact or refused: no best-fit characters.

#include <string>
#include <string_view>

// UTF-8 -> UTF-16; false, with `out` emptied, when the text is not UTF-8.
bool Utf8ToUtf16(std::string_view utf8, std::u16string& out);
// UTF-16 -> UTF-8; never fails (see above for lone surrogates).
std::string Utf16ToUtf8(std::u16string_view utf16);
// Well-formed UTF-8 in the strict sense: no surrogate forms either.
bool IsValidUtf8(std::string_view text);
// What Utf8ToUtf16 accepts: UTF-8, plus the forms of lone surrogates.
bool IsConvertibleUtf8(std::string_view text);

// The text as well-formed UTF-8 for other programs, which refuse the whole
// of a text that is not: each lone surrogate and each byte that begins no
// UTF-8 form becomes U+FFFD. `replaced` counts them.
std::string WellFormedUtf8(std::string_view text, std::size_t* replaced = nullptr);

// The ANSI code page: the system's own on Windows; elsewhere Windows-1252,
// the code page of an English Windows (and of Wine in an English locale).
// False, with `ansi` emptied, when a character has no exact form in it or the
// text is not UTF-8.
bool Utf8ToAnsi(std::string_view utf8, std::string& ansi);
std::string AnsiToUtf8(std::string_view ansi);
bool FitsAnsi(std::string_view utf8);

// Text from a peer that may send the ANSI code page (as older ones do) or
// UTF-8: valid UTF-8 is taken as it is, anything else as ANSI.
std::string Utf8OrAnsiToUtf8(std::string_view text);

// The bytes of a text file of the program's own that older versions wrote
// in the ANSI code page and this one writes as UTF-8: UTF-8 (a leading byte
// order mark dropped; lone surrogates' forms, which names in the registry
// may hold, included) is taken as it is, anything else as ANSI.
std::string DecodeTextFile(std::string_view bytes);

// Profile (INI) files as Windows' profile functions read them: in the ANSI
// code page, or as UTF-16 LE when they begin with its byte order mark.
// Encoding writes ANSI when every character fits (byte for byte what the
// ANSI functions write), else UTF-16 LE with the mark, or UTF-16 when
// `unicode` asks for it (a file that is UTF-16 already stays so). False when
// the text is not UTF-8.
bool EncodeProfileText(std::string_view utf8, std::string& bytes, bool unicode = false);
// The text of a profile file's bytes; `unicode` tells whether it was UTF-16.
// A UTF-8 byte order mark is honoured as well, as Wine does.
std::string DecodeProfileText(std::string_view bytes, bool* unicode = nullptr);

inline constexpr std::string_view kUtf16LeBom{"\xFF\xFE", 2};
inline constexpr std::string_view kUtf8Bom{"\xEF\xBB\xBF", 3};
