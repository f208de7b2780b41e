// Seeds a Wine prefix with demonstration data for scripts/run.sh.
//   seed_tool shortcut user|common <title> <target> [arguments] [description]
//       writes <title>.lnk into the user's or the all-users startup folder
//   seed_tool disabled <title> <command line> <location code> <rating>
//       adds an entry to Morvane's store of disabled entries
// Built on the fly by scripts/demo/seed.sh; not part of the program.

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Folder(int csidl) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, path)))
        return std::string();
    return path;
}

int Shortcut(int argc, char** argv) {
    if (argc < 5)
        return 2;
    std::string folder =
        Folder(std::string(argv[2]) == "common" ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP);
    if (folder.empty())
        return 1;
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string file = folder + "\\" + argv[3] + ".lnk";
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return 1;
    link->SetPath(argv[4]);
    if (argc > 5)
        link->SetArguments(argv[5]);
    if (argc > 6)
        link->SetDescription(argv[6]);
    IPersistFile* persist = nullptr;
    int rc = 1;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        wchar_t wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
        rc = SUCCEEDED(persist->Save(wide, TRUE)) ? 0 : 1;
        persist->Release();
    }
    link->Release();
    return rc;
}

int Disabled(int argc, char** argv) {
    if (argc < 6)
        return 2;
    std::string folder = Folder(CSIDL_APPDATA) + "\\Morvane";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string file = folder + "\\disabled.dat";
    int count = static_cast<int>(GetPrivateProfileIntA("General", "ProgramCount", 0, file.c_str()));
    std::string section = std::to_string(count);
    WritePrivateProfileStringA("General", "Creator", "[MRV]", file.c_str());
    WritePrivateProfileStringA("General", "FileDescription", "Morvane backup file", file.c_str());
    WritePrivateProfileStringA("General", "UserComments", "", file.c_str());
    WritePrivateProfileStringA("General", "ProgramCount", std::to_string(count + 1).c_str(),
                               file.c_str());
    WritePrivateProfileStringA(section.c_str(), "title", argv[2], file.c_str());
    WritePrivateProfileStringA(section.c_str(), "fullpath", argv[3], file.c_str());
    WritePrivateProfileStringA(section.c_str(), "location", argv[4], file.c_str());
    WritePrivateProfileStringA(section.c_str(), "rating", argv[5], file.c_str());
    WritePrivateProfileStringA(section.c_str(), "enabled", "0", file.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: seed_tool shortcut|disabled ...\n");
        return 2;
    }
    CoInitialize(nullptr);
    std::string cmd = argv[1];
    int rc = cmd == "shortcut"   ? Shortcut(argc, argv)
             : cmd == "disabled" ? Disabled(argc, argv)
                                 : 2;
    CoUninitialize();
    if (rc != 0)
        std::fprintf(stderr, "seed_tool %s failed\n", cmd.c_str());
    return rc;
}
