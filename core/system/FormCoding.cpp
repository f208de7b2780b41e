#include "FormCoding.h"

#include "TextScan.h"

#include <algorithm>

void AppendPercentEncoded(std::string& out, std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
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

std::string PercentEncoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendPercentEncoded(out, text);
    return out;
}

bool PercentDecode(std::string_view text, std::string& out, std::size_t* brokenAt) {
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            const int hi = i + 2 < text.size() ? HexDigitValue(text[i + 1]) : -1;
            const int lo = i + 2 < text.size() ? HexDigitValue(text[i + 2]) : -1;
            if (hi < 0 || lo < 0) {
                if (brokenAt)
                    *brokenAt = i;
                return false;
            }
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += c;
        }
    }
    return true;
}

TFormDecoding DecodeFormBody(std::string_view body, std::size_t maxFields) {
    TFormDecoding form;
    const auto decode = [&form](std::string_view part, std::string& out) {
        std::size_t at = 0;
        if (PercentDecode(part, out, &at))
            return true;
        form.Fault = TFormDecoding::TFault::BrokenEscape;
        form.Broken = std::string(part.substr(at, std::min<std::size_t>(3, part.size() - at)));
        return false;
    };
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t end = body.find('&', start);
        if (end == std::string_view::npos)
            end = body.size();
        const std::string_view part = body.substr(start, end - start);
        start = end + 1;
        if (part.empty())
            continue;
        if (form.Fields.size() == maxFields) {
            form.Fault = TFormDecoding::TFault::TooManyFields;
            return form;
        }
        const std::size_t eq = part.find('=');
        std::pair<std::string, std::string> field;
        if (!decode(part.substr(0, eq), field.first))
            return form;
        if (eq != std::string_view::npos && !decode(part.substr(eq + 1), field.second))
            return form;
        form.Fields.push_back(std::move(field));
    }
    return form;
}
