// The strict form decoder reads what the network sends the rating server:
// on any bytes it must end, refuse exactly the broken escapes, and take back
// what the encoder writes for what it decoded.

#include "core/system/FormCoding.h"
#include "core/system/TextScan.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The first "%" not followed by two hexadecimal digits, counted apart from
// the decoder; npos when every escape is whole.
std::size_t FirstBrokenEscape(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 2 >= text.size() || HexDigitValue(text[i + 1]) < 0 ||
            HexDigitValue(text[i + 2]) < 0)
            return i;
        i += 2;
    }
    return std::string_view::npos;
}

void CheckValue(std::string_view text) {
    std::string out;
    std::size_t at = 0;
    const std::size_t broken = FirstBrokenEscape(text);
    if (!PercentDecode(text, out, &at)) {
        if (broken == std::string_view::npos || at != broken)
            std::abort();
        return;
    }
    if (broken != std::string_view::npos)
        std::abort();
    // Each escape of three bytes gives one byte; every other byte one.
    std::size_t escapes = 0;
    for (char c : text)
        escapes += c == '%';
    if (out.size() != text.size() - 2 * escapes)
        std::abort();
    std::string again;
    if (!PercentDecode(PercentEncoded(out), again) || again != out)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckValue(input);

    const std::size_t maxFields = 8;
    const TFormDecoding form = DecodeFormBody(input, maxFields);
    if (form.Fields.size() > maxFields)
        std::abort();
    if (form.Fault == TFormDecoding::TFault::BrokenEscape &&
        (form.Broken.empty() || form.Broken[0] != '%' || form.Broken.size() > 3))
        std::abort();
    if (form.Fault != TFormDecoding::TFault::None)
        return 0;
    // Whole: the fields are the non-empty parts, each decoded on its own.
    std::size_t k = 0;
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find('&', start);
        if (end == std::string_view::npos)
            end = input.size();
        std::string_view part = input.substr(start, end - start);
        start = end + 1;
        if (part.empty())
            continue;
        if (k >= form.Fields.size())
            std::abort();
        const std::size_t eq = part.find('=');
        std::string name;
        std::string value;
        if (!PercentDecode(part.substr(0, eq), name) || name != form.Fields[k].first)
            std::abort();
        if (eq != std::string_view::npos &&
            (!PercentDecode(part.substr(eq + 1), value) || value != form.Fields[k].second))
            std::abort();
        ++k;
    }
    if (k != form.Fields.size())
        std::abort();
    return 0;
}
