// Form encoding must turn any bytes into plain ASCII that decodes back to
// the same names and values, in linear time.

#include "online/formencoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    std::abort(); // lower-case or other digits are never produced
}

std::string Decode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= s.size())
                std::abort();
            out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            out += c;
        } else {
            std::abort();
        }
    }
    return out;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (Decode(UrlEncode(input)) != input)
        std::abort();

    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= input.size(); ++i) {
        if (i == input.size() || input[i] == '\n') {
            lines.emplace_back(input.substr(start, i - start));
            start = i + 1;
        }
    }
    std::string body = EncodeFormFields(lines);

    // One name=value pair per line, in order, each value that of the first
    // line with the same name.
    std::size_t pos = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::size_t end = body.find('&', pos);
        if ((end == std::string::npos) != (i + 1 == lines.size()))
            std::abort();
        std::string_view pair = std::string_view(body).substr(pos, end - pos);
        std::size_t eq = pair.find('=');
        if (eq == std::string_view::npos)
            std::abort();
        std::string_view line = lines[i];
        std::string name(line.substr(0, line.find('=')));
        if (Decode(pair.substr(0, eq)) != name)
            std::abort();
        if (lines.size() > 200) { // the check below is quadratic
            pos = end == std::string::npos ? body.size() : end + 1;
            continue;
        }
        std::string expected;
        for (const std::string& other : lines) {
            std::size_t oeq = other.find('=');
            if (Lower(other.substr(0, oeq)) == Lower(name)) {
                expected = oeq == std::string::npos ? "" : other.substr(oeq + 1);
                break;
            }
        }
        if (Decode(pair.substr(eq + 1)) != expected)
            std::abort();
        pos = end == std::string::npos ? body.size() : end + 1;
    }
    return 0;
}
