// The parts of the package list that are the same on every platform.
#include "Packages.h"

#include "Registry.h"

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

namespace {

// A value that is missing or of another type reads as empty.
std::string textValue(const TRegKey& key, const char* name) {
    RegValue value;
    if (!key.ReadValue(name, value) || (value.Type != regSz && value.Type != regExpandSz))
        return {};
    return value.Text;
}

} // namespace

std::vector<std::string> InstalledPackageNames() {
    TRegKey repository;
    if (!repository.Open(RegRoot::CurrentUser, PackageRepositoryKey, RegAccess::Read))
        return {};
    return repository.SubkeyNames();
}

bool ReadPackage(const std::string& fullName, TPackage& package) {
    TRegKey key;
    if (!key.Open(RegRoot::CurrentUser, std::string(PackageRepositoryKey) + "\\" + fullName,
                  RegAccess::Read))
        return false;
    package.FullName = fullName;
    package.FamilyName = PackageFamilyOf(fullName);
    package.DisplayName = textValue(key, "DisplayName");
    package.InstallFolder = SystemPackagePath(fullName);
    if (package.InstallFolder.empty())
        package.InstallFolder = textValue(key, "PackageRootFolder");
    return true;
}

std::vector<TPackage> InstalledPackages() {
    std::vector<TPackage> packages;
    for (const std::string& fullName : InstalledPackageNames()) {
        TPackage package;
        if (ReadPackage(fullName, package))
            packages.push_back(std::move(package));
    }
    return packages;
}
