#pragma once
// Special folders of the shell.

#include <string>

// Shell folder ids (the CSIDL values) that the program asks for.
enum : int {
    csidlDesktop = 0x0000,
    csidlPrograms = 0x0002,
    csidlPersonal = 0x0005,
    csidlFavorites = 0x0006,
    csidlStartup = 0x0007,
    csidlStartMenu = 0x000b,
    csidlDesktopDirectory = 0x0010,
    csidlDrives = 0x0011,
    csidlTemplates = 0x0015,
    csidlCommonStartup = 0x0018,
    csidlAppData = 0x001a,
    csidlLocalAppData = 0x001c,
    csidlSystem = 0x0025, // the portable build's stand-in for GetSystemDirectoryA
};

// The path of a shell folder; empty when it cannot be determined.
std::string ShellFolderPath(int csidl);

// The program's folder codes.
enum : int {
    folderStartMenu = 0,
    folderPrograms = 1,
    folderDrives = 2,
    folderDesktopFolder = 3,
    folderDocuments = 4,
    folderAppData = 5, // per user, roaming
    folderFavourites = 6,
    folderTemplates = 7,
    folderDesktop = 8,
};

// Maps the program's folder codes to shell folders. The code's top bit is
// ignored; other codes leave `path` as it was.
void GetSpecialFolder(int code, std::string& path);
std::string GetSpecialFolder(int code);
