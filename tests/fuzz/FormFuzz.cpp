// Form encoding must turn any bytes into plain ASCII (letters, digits, "+"
// and upper-case "%XX") that the strict decoder takes back to the same names
// and values, in linear time.

#include "core/system/AsciiCase.h"
#include "core/system/FormCoding.h"
#include "online/formencoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// What the encoder may write, checked apart from the decoder; a form body
// also holds the "=" and "&" between its fields.
void CheckPlainAscii(std::string_view encoded, bool form = false) {
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '%') {
            if (i + 2 >= encoded.size() || !IsUpperHex(encoded[i + 1]) ||
                !IsUpperHex(encoded[i + 2]))
                std::abort();
            i += 2;
        } else if (!(c == '+' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                     (c >= 'a' && c <= 'z') || (form && (c == '=' || c == '&')))) {
            std::abort();
        }
    }
}

std::string Decode(std::string_view encoded) {
    CheckPlainAscii(encoded);
    std::string out;
    if (!PercentDecode(encoded, out))
        std::abort();
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
    CheckPlainAscii(body, true);

    // One name=value pair per line, in order, each value that of the first
    // line with the same name; the decoder splits the body into the same
    // pairs.
    const TFormDecoding form = DecodeFormBody(body, lines.size() + 1);
    if (form.Fault != TFormDecoding::TFault::None || form.Fields.size() != lines.size())
        std::abort();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        std::string name(line.substr(0, line.find('=')));
        if (form.Fields[i].first != name)
            std::abort();
        if (lines.size() > 200) // the check below is quadratic
            continue;
        std::string expected;
        for (const std::string& other : lines) {
            std::size_t oeq = other.find('=');
            if (asciiLower(other.substr(0, oeq)) == asciiLower(name)) {
                expected = oeq == std::string::npos ? "" : other.substr(oeq + 1);
                break;
            }
        }
        if (form.Fields[i].second != expected)
            std::abort();
    }
    return 0;
}
