#include "online/formencoder.h"

#include <unordered_map>

namespace {

bool IsAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void AppendEncoded(std::string& out, std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (IsAsciiAlnum(c)) {
            out += ch;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
}

// Names compare without regard to the case of ASCII letters; other bytes
// compare exactly, since the code page of the text is not known here.
std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

} // namespace

std::string UrlEncode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendEncoded(out, text);
    return out;
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
        firstValue.emplace(FoldCase(field.name), field.value);
        fields.push_back(field);
    }

    std::string body;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            body += '&';
        AppendEncoded(body, fields[i].name);
        body += '=';
        AppendEncoded(body, firstValue.find(FoldCase(fields[i].name))->second);
    }
    return body;
}
