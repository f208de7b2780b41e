#include "ShortcutLink.h"
#include "core/system/AsciiCase.h"

#include "system/Folders.h"
#include "system/ShellLink.h"

namespace {

constexpr int kShowMaximized = 3;     // SW_SHOWMAXIMIZED
constexpr int kShowMinNoActive = 7;   // SW_SHOWMINNOACTIVE
constexpr int kShowRestore = 9;       // SW_RESTORE, what "normal" is stored as
constexpr uint16_t kCtrlAlt = 0x0600; // (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8

} // namespace

TShowCmd TShortcutLink::ShowCmd() const {
    switch (ShowCode) {
    case kShowMaximized:
        return scShowMaximized;
    case kShowMinNoActive:
        return scShowMinimized;
    default:
        return scShowNormal;
    }
}

void TShortcutLink::SetShowCmd(TShowCmd value) {
    switch (value) {
    case scShowMaximized:
        ShowCode = kShowMaximized;
        break;
    case scShowMinimized:
        ShowCode = kShowMinNoActive;
        break;
    default:
        ShowCode = kShowRestore;
        break;
    }
}

void TShortcutLink::LoadLink() {
    ShellLinkData data;
    if (!ShellLinkLoad(ShortcutFile, data))
        return;
    WorkingDir = data.WorkingDir;
    Target = data.Target;
    IconLocation = data.IconLocation;
    IconNumber = data.IconNumber;
    Description = data.Description;
    ShowCode = data.ShowCode;
    unsigned char key = static_cast<unsigned char>(data.HotKey & 0xFF);
    HotKey = key == 0 ? ' ' : asciiUpper(static_cast<char>(key));
    Arguments = data.Arguments;
}

void TShortcutLink::SaveLink() {
    ShellLinkData data;
    data.Target = Target;
    data.WorkingDir = WorkingDir;
    data.Arguments = Arguments;
    data.Description = Description;
    data.ShowCode = ShowCode;
    // Blanks and control characters make no hot key; the character itself is
    // the key, pressed with Ctrl+Alt.
    unsigned char key = static_cast<unsigned char>(HotKey);
    if (key > 32)
        data.HotKey = static_cast<uint16_t>(kCtrlAlt | key);
    data.IconLocation = IconLocation;
    data.IconNumber = IconNumber;
    ShellLinkSave(ShortcutFile, data);
}

std::string TShortcutLink::GetCommonStartupFolder() const {
    return ShellFolderPath(csidlCommonStartup);
}

std::string TShortcutLink::GetUserStartupFolder() const {
    return ShellFolderPath(csidlStartup);
}

std::string ShortcutCommand(const std::string& target, const std::string& arguments) {
    return "\"" + target + "\" " + arguments;
}

namespace {

// The simpler rules for a line without quotes: the program file ends at the
// first blank after the last dot, and the arguments follow that blank.
void SplitUnquoted(const std::string& line, std::string& target, std::string& arguments) {
    target.clear();
    arguments.clear();
    const size_t dot = line.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return;
    const size_t blank = line.find(' ', dot);
    target = line.substr(0, blank);
    if (blank != std::string::npos)
        arguments = line.substr(blank + 1);
}

} // namespace

void SplitShortcutCommand(const std::string& commandLine, std::string& target,
                          std::string& arguments) {
    std::string line = commandLine;
    // An older store lost the outer quotes of a line that ended in a quoted
    // argument (`C:\x\y.exe" "C:\my docs\f.txt`): the first quote then
    // follows the target directly, and a blank and the argument's own
    // opening quote follow it.
    if (!line.empty() && line[0] != '"') {
        const size_t quote = line.find('"');
        if (quote != std::string::npos && quote > 0 && quote + 2 < line.size() &&
            line[quote - 1] != ' ' && line[quote + 1] == ' ' && line[quote + 2] == '"')
            line = "\"" + line + "\"";
    }
    if (line.empty() || line[0] != '"') {
        SplitUnquoted(line, target, arguments);
        return;
    }
    const size_t close = line.find('"', 1);
    if (close == std::string::npos) {
        // A line cut inside its target names no program.
        target.clear();
        arguments.clear();
        return;
    }
    target = line.substr(1, close - 1);
    arguments = line.substr(close + 1);
    if (!arguments.empty() && arguments[0] == ' ')
        arguments.erase(0, 1);
}

std::string ReadShortcutCommandLine(const std::string& file, void* ownerWindow) {
    TShortcutLink link(ownerWindow);
    link.ShortcutFile = file;
    try {
        link.LoadLink();
    } catch (const EShortcutError&) {
        return std::string();
    }
    return link.Target.empty() ? std::string() : ShortcutCommand(link.Target, link.Arguments);
}
