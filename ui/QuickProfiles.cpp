#include "QuickProfiles.h"

#include "core/system/AsciiCase.h"
#include "core/system/Files.h"
#include "core/system/Folders.h"
#include "core/system/UniqueHandle_win.h"
#include "core/system/WideText_win.h"

#include <windows.h>

#include <vector>

std::string QuickProfileFolder() {
    return PathJoin(GetSpecialFolder(folderAppData), "\\Morvane\\quick profiles");
}

std::string QuickProfilePath(int slot) {
    return PathJoin(QuickProfileFolder(), "profile" + std::to_string(slot) + ".mvp");
}

std::string StrayQuickProfileFolder() {
    return PathJoin(GetSpecialFolder(folderDocuments), "\\Morvane\\Quick Profiles");
}

int MoveQuickProfiles(const std::string& from, const std::string& to) {
    std::wstring folder;
    std::wstring pattern;
    if (!ToWide(from, folder) || !ToWide(PathJoin(from, "*.mvp"), pattern))
        return 0;
    // Listed here rather than by FindFiles, which would leave the folder the
    // process's current one, and so impossible to remove.
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    UniqueFind find(FindFirstFileW(pattern.c_str(), &found));
    for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &found)) {
        // The pattern also takes longer extensions (".mvpx"): only profiles move.
        const std::string name = FromWide(found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.size() > 4 &&
            asciiEqualNoCase(name.substr(name.size() - 4), ".mvp"))
            names.push_back(name);
    }
    find.reset();
    int moved = 0;
    if (!names.empty())
        ForceFolders(to);
    for (const std::string& name : names) {
        std::wstring source;
        std::wstring target;
        // Without MOVEFILE_REPLACE_EXISTING the move fails where a profile of
        // that name is kept already: that one wins, the other stays.
        if (ToWide(PathJoin(from, name), source) && ToWide(PathJoin(to, name), target) &&
            MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED))
            ++moved;
    }
    // Fails, as it should, while anything is left in it.
    RemoveDirectoryW(folder.c_str());
    return moved;
}
