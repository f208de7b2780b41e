// Other systems have no package functions: the repository alone tells.
#include "Packages.h"

std::string SystemPackagePath(const std::string&) {
    return {};
}
