#include "template/HtmlText.h"

#include "core/system/AsciiCase.h"
#include "core/system/TextEscape.h"

#include <cctype>
#include <cstdlib>

std::string HtmlEscape(std::string_view text) {
    return Escaped(text, TEscape::Html);
}

namespace {

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view word) {
    if (text.size() - at < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (asciiLower(text[at + i]) != word[i])
            return false;
    return true;
}

// The tag's name in lower case, without a leading slash.
std::string TagName(std::string_view tag) {
    size_t i = 0;
    if (i < tag.size() && tag[i] == '/')
        ++i;
    std::string name;
    while (i < tag.size() && std::isalnum(static_cast<unsigned char>(tag[i])))
        name += asciiLower(tag[i++]);
    return name;
}

bool EndsLine(const std::string& name) {
    static const char* const names[] = {"br", "p",  "div", "tr", "li", "h1",    "h2", "h3",
                                        "h4", "h5", "h6",  "dt", "dd", "table", "hr"};
    for (const char* n : names)
        if (name == n)
            return true;
    return false;
}

// Appends the character of an entity at text[at] ('&'); returns its length,
// or 0 when it is no entity this function knows.
size_t DecodeEntity(std::string_view text, size_t at, std::string& out) {
    size_t end = text.find(';', at);
    if (end == std::string_view::npos || end - at > 10)
        return 0;
    std::string_view name = text.substr(at + 1, end - at - 1);
    struct TEntity {
        const char* Name;
        char Char;
    };
    static const TEntity entities[] = {{"amp", '&'},  {"lt", '<'},    {"gt", '>'},
                                       {"quot", '"'}, {"apos", '\''}, {"nbsp", ' '}};
    for (const auto& e : entities) {
        if (name == e.Name) {
            out += e.Char;
            return end - at + 1;
        }
    }
    if (name.size() >= 2 && name[0] == '#') {
        bool hex = name[1] == 'x' || name[1] == 'X';
        std::string digits(name.substr(hex ? 2 : 1));
        if (digits.empty())
            return 0;
        char* stop = nullptr;
        long value = std::strtol(digits.c_str(), &stop, hex ? 16 : 10);
        if (*stop != '\0' || value <= 0 || value > 255)
            return 0;
        out += static_cast<char>(value);
        return end - at + 1;
    }
    return 0;
}

} // namespace

std::string HtmlToPlainText(std::string_view html) {
    std::string out;
    bool pendingSpace = false;
    auto newline = [&] {
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        if (!out.empty() && out.back() != '\n')
            out += "\r\n";
        pendingSpace = false;
    };
    size_t i = 0;
    while (i < html.size()) {
        char c = html[i];
        if (c == '<') {
            if (StartsWithNoCase(html, i, "<!--")) {
                size_t end = html.find("-->", i + 4);
                i = end == std::string_view::npos ? html.size() : end + 3;
                continue;
            }
            size_t end = html.find('>', i + 1);
            if (end == std::string_view::npos)
                break;
            std::string name = TagName(html.substr(i + 1, end - i - 1));
            i = end + 1;
            if (html[i - 2] != '/' && (name == "script" || name == "style" || name == "title")) {
                // Their content is no text of the page.
                std::string close = "</" + name;
                size_t stop = i;
                while (stop < html.size() && !StartsWithNoCase(html, stop, close))
                    ++stop;
                size_t after = html.find('>', stop);
                i = after == std::string_view::npos ? html.size() : after + 1;
                continue;
            }
            if (EndsLine(name))
                newline();
            else if (name == "td" || name == "th")
                pendingSpace = true;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            pendingSpace = true;
            ++i;
            continue;
        }
        if (pendingSpace && !out.empty() && out.back() != '\n')
            out += ' ';
        pendingSpace = false;
        if (c == '&') {
            size_t used = DecodeEntity(html, i, out);
            if (used) {
                i += used;
                continue;
            }
        }
        out += c;
        ++i;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}
