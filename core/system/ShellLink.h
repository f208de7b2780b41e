#pragma once
// The shell's link object, as the shortcut component needs it. On Windows
// this is IShellLinkW with its IPersistFile; the portable build reads and
// writes the files itself (LnkFormat.h).

#include <cstdint>
#include <string>

struct ShellLinkData {
    std::string Target;
    std::string WorkingDir;
    std::string Description;
    std::string Arguments;
    std::string IconLocation;
    int IconNumber = 0;
    int ShowCode = 0;
    // Virtual key in the low byte, HOTKEYF_* modifiers in the high byte; 0
    // for none.
    uint16_t HotKey = 0;
};

// Loads the link file at `path` into `data`. Raises EShortcutError "Unable to
// open link file" when the file cannot be read as a link, and the read
// errors of the shell. A link whose target the shell cannot find is read as
// it is (as the portable build always reads links); true when it was read.
bool ShellLinkLoad(const std::string& path, ShellLinkData& data);

// Creates or replaces the link file at `path`. The target may be enclosed in
// double quotes, which the shell drops. A hot key of 0 leaves the link
// without one. Raises EShortcutError "Unable to create .lnk file".
void ShellLinkSave(const std::string& path, const ShellLinkData& data);
