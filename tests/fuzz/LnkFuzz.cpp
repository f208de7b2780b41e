// The shortcut reader on arbitrary bytes. Whatever it accepts must also
// survive our writer unchanged: write it, read it again, compare.
#include "core/system/LnkFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lnk::LinkData link;
    if (!lnk::ReadLink(data, size, link))
        return 0;
    std::vector<unsigned char> bytes;
    if (!lnk::WriteLink(link, bytes))
        return 0;
    lnk::LinkData again;
    if (!lnk::ReadLink(bytes.data(), bytes.size(), again))
        std::abort();
    if (again.Target != link.Target || again.Description != link.Description ||
        again.RelativePath != link.RelativePath || again.WorkingDir != link.WorkingDir ||
        again.Arguments != link.Arguments || again.IconLocation != link.IconLocation ||
        again.IconIndex != link.IconIndex || again.ShowCommand != link.ShowCommand ||
        again.HotKey != link.HotKey)
        std::abort();
    return 0;
}
