// Shell folders of a host without a shell: a tree of ordinary folders under
// one root, created on first use, which tests can redirect one by one.
//
// What it cannot model: folders that the shell creates per user profile,
// roaming or redirected folders (one root for everything), and virtual
// folders, which have no path here as on Windows.
#include "Folders.h"
#include "PortableHost.h"

#include "Files.h"

#include <map>

namespace {

std::map<int, std::string>& overrides() {
    return portable_host::FolderOverrides();
}

const char* defaultName(int csidl) {
    switch (csidl) {
    case csidlDesktop:
    case csidlDesktopDirectory:
        return "Desktop";
    case csidlPrograms:
        return "Start Menu\\Programs";
    case csidlPersonal:
        return "Documents";
    case csidlFavorites:
        return "Favorites";
    case csidlStartup:
        return "Start Menu\\Programs\\Startup";
    case csidlStartMenu:
        return "Start Menu";
    case csidlTemplates:
        return "Templates";
    case csidlCommonStartup:
        return "All Users\\Start Menu\\Programs\\Startup";
    case csidlAppData:
        return "AppData";
    case csidlSystem:
        return "Windows\\System32";
    default:
        // The drives folder is virtual on Windows too: it has no path.
        return nullptr;
    }
}

std::string rootFolder() {
    std::string root = GetEnv("MORVANE_ROOT");
    if (root.empty())
        root = PathJoin(TempFolder(), "morvane-root");
    for (char& c : root)
        if (c == '/')
            c = '\\';
    return root;
}

} // namespace

namespace portable_host {

std::map<int, std::string>& FolderOverrides() {
    static std::map<int, std::string> folders;
    return folders;
}

} // namespace portable_host

std::string ShellFolderPath(int csidl) {
    auto found = overrides().find(csidl);
    if (found != overrides().end())
        return found->second;
    const char* name = defaultName(csidl);
    if (!name)
        return {};
    std::string path = PathJoin(rootFolder(), name);
    // Windows' own folders always exist; so do these once asked for.
    if (!ForceFolders(path))
        return {};
    return path;
}
