// Other systems have no packaged apps.
#include "Packages.h"

std::vector<TPackage> InstalledPackages() {
    return {};
}
