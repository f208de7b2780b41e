#include "Folders.h"

void GetSpecialFolder(int code, std::string& path) {
    static const int shellFolders[] = {
        csidlStartMenu, csidlPrograms,  csidlDrives,    csidlDesktopDirectory, csidlPersonal,
        csidlAppData,   csidlFavorites, csidlTemplates, csidlDesktop,
    };
    unsigned index = static_cast<unsigned>(code) & 0x7FFFFFFFu;
    if (index < sizeof shellFolders / sizeof shellFolders[0])
        path = ShellFolderPath(shellFolders[index]);
}

std::string GetSpecialFolder(int code) {
    std::string path;
    GetSpecialFolder(code, path);
    return path;
}
