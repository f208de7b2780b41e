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
