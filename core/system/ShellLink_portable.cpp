// Shortcut files read and written by the program itself (LnkFormat.h).
// What it cannot model: the shell's resolution of a link (a moved target is
// not searched for; a link always reads as what it holds), item-ID-only
// links to virtual folders, and the extra data blocks the shell may add.
#include "ShellLink.h"

#include "LnkFormat.h"
#include "Errors.h"

#include "Files.h"

#include <vector>

namespace {

// The shell takes a target enclosed in double quotes without them.
std::string Unquoted(const std::string& target) {
    if (target.size() >= 2 && target.front() == '"' && target.back() == '"')
        return target.substr(1, target.size() - 2);
    return target;
}

} // namespace

bool ShellLinkLoad(const std::string& path, ShellLinkData& data) {
    std::string bytes;
    lnk::LinkData link;
    if (!ReadWholeFile(path, bytes) ||
        !lnk::ReadLink(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), link))
        throw EShortcutError("Unable to open link file");
    // Without the shell there is nothing to search for a moved target, so the
    // link always resolves to what it holds.
    data.Target = link.Target;
    data.WorkingDir = link.WorkingDir;
    data.Description = link.Description;
    data.Arguments = link.Arguments;
    data.IconLocation = link.IconLocation;
    data.IconNumber = link.IconIndex;
    data.ShowCode = static_cast<int>(link.ShowCommand);
    data.HotKey = link.HotKey;
    return true;
}

void ShellLinkSave(const std::string& path, const ShellLinkData& data) {
    lnk::LinkData link;
    link.Target = Unquoted(data.Target);
    link.WorkingDir = data.WorkingDir;
    link.Description = data.Description;
    link.Arguments = data.Arguments;
    link.IconLocation = data.IconLocation;
    link.IconIndex = data.IconNumber;
    link.ShowCommand = static_cast<uint32_t>(data.ShowCode);
    link.HotKey = data.HotKey;
    std::vector<unsigned char> bytes;
    if (!lnk::WriteLink(link, bytes))
        throw EShortcutError("Unable to create .lnk file");
    // Written beside its final name and then moved over it, so that a failed
    // write leaves an existing shortcut as it was.
    std::string finished = path + ".morvane-tmp";
    if (!WriteWholeFile(finished, std::string(bytes.begin(), bytes.end())) ||
        !ReplaceFileWith(path, finished)) {
        DeleteFileAt(finished);
        throw EShortcutError("Unable to create .lnk file");
    }
}
