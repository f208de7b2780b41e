#pragma once
// The startup tasks of packaged apps: what each installed package's
// AppxManifest.xml declares as a windows.startupTask extension, in the
// newer (uap5) or the older (desktop) namespace.

#include "system/Packages.h"

#include <string>
#include <vector>

struct TPackagedTask {
    std::string PackageFullName, FamilyName;
    std::string TaskId;
    // The task's DisplayName; an ms-resource: reference or none falls back to
    // the package's display name (its manifest's Properties, then the
    // repository's, then the name part of the family).
    std::string DisplayName;
    // The install folder joined with the extension's Executable, or with its
    // Application's when the extension names none.
    std::string Executable;
    // The extension's or Application's Parameters when present, else empty.
    std::string Arguments;
    // The StartupTask's Enabled attribute is "true".
    bool EnabledByManifest = false;
};

// Startup tasks declared by one package's manifest text; a manifest that
// cannot be read gives none and says why in `error`. A task without a
// TaskId, or without any Executable, is passed over.
std::vector<TPackagedTask> StartupTasksOf(const TPackage& package, const std::string& manifestXml,
                                          std::string* error = nullptr);

// Every installed package's tasks, from each InstallFolder\AppxManifest.xml.
// A package without one, or with a damaged one, is passed over with a line
// in `skipped`. What each readable manifest declares is kept in `cacheFile`
// (when one is given) with the manifest's size and time, so that the next
// scan reads again only the packages that are new or changed; a cache file
// that does not read whole is not believed, and is written anew.
std::vector<TPackagedTask> InstalledStartupTasks(std::vector<std::string>* skipped = nullptr,
                                                 const std::string& cacheFile = std::string());
