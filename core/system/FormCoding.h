#pragma once
// Percent coding of URL queries and "application/x-www-form-urlencoded"
// bodies, both ways. Portable and free of the rest of the program: the
// consultation encodes with it and the rating server decodes with it.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Letters and digits stay, a space becomes "+", every other byte "%XX" with
// upper-case hexadecimal digits: the result is plain ASCII whatever code
// page the text is in.
void AppendPercentEncoded(std::string& out, std::string_view text);
std::string PercentEncoded(std::string_view text);

// Strict decoding: "+" is a space and "%" must be followed by two
// hexadecimal digits. False at a broken escape, with `brokenAt` (when given)
// set to its offset; `out` then holds what came before it.
bool PercentDecode(std::string_view text, std::string& out, std::size_t* brokenAt = nullptr);

// A form body split at "&" (empty parts skipped) and at each part's first
// "=" (a part without one is a name with an empty value), both sides
// decoded strictly, in the order sent.
struct TFormDecoding {
    enum class TFault { None, BrokenEscape, TooManyFields };
    std::vector<std::pair<std::string, std::string>> Fields;
    TFault Fault = TFault::None;
    // A broken escape as sent: its "%" and what follows of it in its part.
    std::string Broken;
};
TFormDecoding DecodeFormBody(std::string_view body, std::size_t maxFields);
