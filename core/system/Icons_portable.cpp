#include "Icons.h"

// A host without a shell has no icon list; the entry list then shows none.
void* SystemSmallImages() {
    return nullptr;
}

int FileIconIndex(const std::string&) {
    return -1;
}
