// What it cannot model: any icon. A host without a shell has no icon list;
// the entry list then shows none.
#include "Icons.h"

void* SystemSmallImages() {
    return nullptr;
}

int FileIconIndex(const std::string&) {
    return -1;
}
