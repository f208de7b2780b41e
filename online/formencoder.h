#pragma once
// Escaping of form fields for a URL query or an
// "application/x-www-form-urlencoded" body. Stricter than usual: only ASCII
// letters and digits pass unchanged, so the result is plain ASCII whatever
// code page the text is in.

#include <string>
#include <string_view>
#include <vector>

// Letters and digits stay, a space becomes "+", every other byte "%XX" with
// upper-case hexadecimal digits.
std::string UrlEncode(std::string_view text);

// Lines of the form name=value become name=value pairs joined by "&", each
// side escaped with UrlEncode. A line's value is the value of the first line
// whose name equals its name without regard to case; a line without "=" is
// a name with an empty value.
std::string EncodeFormFields(const std::vector<std::string_view>& lines);

// Any list of texts that can be walked from begin() to end(), such as a
// TStringList or a std::vector<std::string>.
template <class Lines> std::string EncodeFormFields(const Lines& lines) {
    std::vector<std::string_view> views;
    for (const auto& line : lines)
        views.emplace_back(line);
    return EncodeFormFields(views);
}
