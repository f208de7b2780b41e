#include "TextEscape.h"

#include "TextScan.h"

#include <cstdio>

void AppendEscaped(std::string& out, std::string_view text, TEscape mode) {
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += mode == TEscape::Html ? "&#39;" : "&apos;";
            break;
        case '\t':
        case '\n':
        case '\r':
            if (mode == TEscape::XmlAttribute)
                out += c == '\t' ? "&#x9;" : c == '\n' ? "&#xA;" : "&#xD;";
            else
                out += c;
            break;
        default:
            out += c;
        }
    }
}

std::string Escaped(std::string_view text, TEscape mode) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    AppendEscaped(out, text, mode);
    return out;
}

namespace {

void AppendUnicodeEscape(std::string& out, unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", value);
    out += buffer;
}

} // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        // What needs no escape is copied a run at a time.
        std::size_t plain = i;
        while (plain < text.size() && text[plain] >= 0x20 && text[plain] < 0x7f &&
               text[plain] != '"' && text[plain] != '\\')
            ++plain;
        if (plain > i) {
            out.append(text, i, plain - i);
            i = plain;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // A lone surrogate, which a registry name may hold, has an escape
            // of its own; a byte that begins no UTF-8 form has none.
            const std::size_t from = i;
            char32_t cp = 0;
            if (!NextCodePoint(text, i, cp))
                out += "\\ufffd";
            else if (cp >= 0xD800 && cp <= 0xDFFF)
                AppendUnicodeEscape(out, static_cast<unsigned>(cp));
            else
                out.append(text, from, i - from);
            continue;
        }
        ++i;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20)
                AppendUnicodeEscape(out, c);
            else
                out += static_cast<char>(c);
        }
    }
    out += '"';
}

std::string JsonString(std::string_view text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}
