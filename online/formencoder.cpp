#include "online/formencoder.h"

#include "core/system/AsciiCase.h"
#include "core/system/FormCoding.h"

#include <unordered_map>

std::string UrlEncode(std::string_view text) {
    return PercentEncoded(text);
}

std::string EncodeFormFields(const std::vector<std::string_view>& lines) {
    struct TField {
        std::string_view name;
        std::string_view value;
    };
    std::vector<TField> fields;
    fields.reserve(lines.size());
    // The value of each name is that of its first line; a map keeps the
    // lookup linear in the number of lines.
    std::unordered_map<std::string, std::string_view> firstValue;
    for (std::string_view line : lines) {
        std::size_t eq = line.find('=');
        TField field{line.substr(0, eq),
                     eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1)};
        firstValue.emplace(asciiLower(field.name), field.value);
        fields.push_back(field);
    }

    std::string body;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            body += '&';
        AppendPercentEncoded(body, fields[i].name);
        body += '=';
        AppendPercentEncoded(body, firstValue.find(asciiLower(fields[i].name))->second);
    }
    return body;
}
