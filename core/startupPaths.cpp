// Where Morvane keeps what it knows of disabled entries: every file of the
// data folder is named here and nowhere else.

#include "StartupPaths.h"

#include "system/Files.h"
#include "system/Folders.h"

namespace {

std::string InDataFolder(const std::string& name) {
    const std::string data = DataFolder();
    return data.empty() ? std::string() : PathJoin(data, name);
}

} // namespace

std::string DataFolder() {
    const std::string appData = GetSpecialFolder(folderAppData);
    return appData.empty() ? std::string() : PathJoin(appData, "Morvane");
}

std::string DisabledStorePath() {
    return InDataFolder("disabled.dat");
}

std::string KeptValuesPath() {
    return InDataFolder("disabled-values.dat");
}

std::string KeptShortcutFolder(int code) {
    return InDataFolder("Shortcuts\\" + std::to_string(code));
}

std::string SignatureCachePath() {
    return InDataFolder("signatures.dat");
}

std::string PackageTasksCachePath() {
    return InDataFolder("packages.dat");
}

std::string SystemLockPath() {
    return InDataFolder("disabled.dat.lock");
}

std::string WatchSnapshotPath() {
    return InDataFolder("watch-snapshot.dat");
}

std::string WatchListsPath() {
    return InDataFolder("watch-lists.dat");
}
