#pragma once
// Shortcut (.lnk) files: read and written through the shell's link object on
// Windows and through our own reader and writer of the shell link format in
// the portable build.

#include "system/Errors.h"

#include <string>

enum TShowCmd { scShowMaximized, scShowMinimized, scShowNormal };

class TShortcutLink {
public:
    // The owner window is the parent window of the shell calls (a HWND on
    // Windows; may be null).
    explicit TShortcutLink(void* ownerWindow = nullptr) : owner_(ownerWindow) {}

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

    void* OwnerWindow() const { return owner_; }

private:
    void* owner_;
};

// The one form of a shortcut's command line: the target in double quotes, a
// blank, then the arguments exactly as stored ("\"C:\\x\\y.exe\" " when
// there are none). Split gives back both parts of such a line whatever the
// arguments hold (quoted paths, quotes inside, blanks); a line that does not
// begin with a quote (typed by hand or from an old profile) is split by the
// simpler rules of ExtractProgramFile and ExtractProgramArguments. Split's
// target is empty when the line names no program.
std::string ShortcutCommand(const std::string& target, const std::string& arguments);
void SplitShortcutCommand(const std::string& commandLine, std::string& target,
                          std::string& arguments);

// The command line of a shortcut file in that form; empty when the file
// cannot be read or names no target.
std::string ReadShortcutCommandLine(const std::string& file, void* ownerWindow);
