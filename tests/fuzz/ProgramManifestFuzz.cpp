// The PE reader on arbitrary bytes: it answers without reading outside
// them, and the level test agrees with the manifest it found.
#include "core/system/ProgramManifest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string manifest = EmbeddedManifest(bytes);
    const bool asks = AsksForAdministratorIn(bytes);
    if (asks != (RequestedExecutionLevel(manifest) == "requireAdministrator"))
        std::abort();
    // The level scan alone, on the bytes taken as a manifest.
    RequestedExecutionLevel(bytes);
    return 0;
}
