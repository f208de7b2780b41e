// The parts of the package list that are the same on every platform.
#include "Packages.h"

#include <string_view>

const char* const PackageRepositoryKey =
    "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\"
    "CurrentVersion\\AppModel\\Repository\\Packages";

// A full name has five fields split by "_": name, version, architecture,
// resource id (often empty) and publisher id. Neither a name nor a version
// holds a "_", so the fields are counted from the front.
std::string PackageFamilyOf(const std::string& fullName) {
    std::string_view fields[5];
    std::size_t count = 0, start = 0;
    for (;;) {
        const std::size_t end = fullName.find('_', start);
        if (count == 5)
            return {};
        fields[count++] = std::string_view(fullName).substr(
            start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (count != 5 || fields[0].empty() || fields[1].empty() || fields[2].empty() ||
        fields[4].empty())
        return {};
    return std::string(fields[0]) + "_" + std::string(fields[4]);
}
