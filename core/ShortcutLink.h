#pragma once
// Shortcut (.lnk) files: read and written through the shell's link object on
// Windows and through our own reader and writer of the shell link format in
// the portable build.

#include "system/Errors.h"

#include <string>

enum TShowCmd { scShowMaximized, scShowMinimized, scShowNormal };

class TShortcutLink {
public:
    std::string ShortcutFile;
    std::string Target;
    std::string WorkingDir;
    std::string Description;
    std::string Arguments;
    std::string IconLocation;
    char HotKey = 0; // upper-case key character, or a blank/0 when there is none
    int IconNumber = 0;
    // The stored show code (SW_SHOWMAXIMIZED 3, SW_SHOWMINNOACTIVE 7, SW_SHOWNORMAL 1...).
    int ShowCode = 1;

    // 3 reads as maximised, 7 as minimised, every other code as normal.
    TShowCmd ShowCmd() const;
    void SetShowCmd(TShowCmd value); // stores 3, 7 or 9

    // Raises EShortcutError "Unable to open link file" and the read errors.
    // A link whose target is gone is read as it is stored.
    void LoadLink();
    // Raises EShortcutError "Unable to create .lnk file".
    void SaveLink();

    std::string GetCommonStartupFolder() const;
    std::string GetUserStartupFolder() const;
};
