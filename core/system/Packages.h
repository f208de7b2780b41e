#pragma once
// The packaged apps (MSIX, AppX) installed for the current user, as the
// per-user package repository lists them.

#include <string>
#include <vector>

struct TPackage {
    std::string FullName;      // Name_Version_Arch_ResourceId_PublisherId
    std::string FamilyName;    // Name_PublisherId
    std::string DisplayName;   // may be empty or an ms-resource reference
    std::string InstallFolder; // the package's root folder (holds AppxManifest.xml)
};

// The packages installed for the current user, in the order the repository
// lists them; none where there is no repository.
std::vector<TPackage> InstalledPackages();
// The same in two steps: the full names alone (one listing of the
// repository), and what the repository says of one of them (false when its
// key cannot be read).
std::vector<std::string> InstalledPackageNames();
bool ReadPackage(const std::string& fullName, TPackage& package);

// Family name of a full name ("Name_1.2.3.4_x64__8wekyb3d8bbwe" ->
// "Name_8wekyb3d8bbwe"); empty when malformed.
std::string PackageFamilyOf(const std::string& fullName);

// The per-user repository key, below HKEY_CURRENT_USER: one subkey per
// package, named by its full name.
extern const char* const PackageRepositoryKey;

// Where the system itself says a package is installed (the package
// functions of Windows 8 and later); empty where it does not say, and then
// the repository's PackageRootFolder stands.
std::string SystemPackagePath(const std::string& fullName);
