// The records of disabled registry values are read back from a file the
// user may have edited or a crash may have cut: on any text the reader must
// end, and every record it takes must be written again as the same record.

#include "core/startupKept.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const KeptValuesFile file = ParseKeptValues(text);
    if (file.Values.empty())
        return 0;
    const std::string written = KeptValuesText(file.Values);
    const KeptValuesFile back = ParseKeptValues(written);
    if (back.Damaged || back.Values.size() != file.Values.size())
        std::abort();
    for (std::size_t i = 0; i < back.Values.size(); ++i) {
        const KeptValue& a = file.Values[i];
        const KeptValue& b = back.Values[i];
        if (a.Code != b.Code || a.View != b.View || a.Type != b.Type || a.Title != b.Title ||
            a.CommandLine != b.CommandLine || a.Name != b.Name || a.Data != b.Data)
            std::abort();
    }
    if (KeptValuesText(back.Values) != written)
        std::abort();
    return 0;
}
