#include "StartupScan.h"

#include "CommandLine.h"
#include "StartupList.h"

#include "ShortcutLink.h"
#include "StartupApproved.h"
#include "startupSignIn.h"
#include "system/Errors.h"
#include "system/Files.h"

namespace {

struct ScanKey {
    RegRoot Root;
    TStartupLocation Code;
    int Rating;
};

// The order decides which location wins when a command line is registered
// in several: the first one found keeps it.
const ScanKey kScanKeys[] = {
    {RegRoot::LocalMachine, slLMServiceOnce, 4}, {RegRoot::LocalMachine, slLMServices, 4},
    {RegRoot::LocalMachine, slLMRunOnce, 0},     {RegRoot::LocalMachine, slLMRun, 0},
    {RegRoot::CurrentUser, slCURunOnce, 0},      {RegRoot::CurrentUser, slCURun, 0},
    {RegRoot::LocalMachine, slLMPolicyRun, 0},   {RegRoot::CurrentUser, slCUPolicyRun, 0},
};

// Windows' own switch and the other places of a command line: what the scan
// notes beside each Add.
void Noted(TStartups& startups, TStartup* added, const std::string& commandLine,
           TStartupLocation code, RegView view, const std::string& title,
           const TApprovedMarks& marks) {
    if (added) {
        added->View = view;
        if (marks.TurnsOff(code, view, title)) {
            added->SetEnabled(false);
            added->DisabledByWindows = true;
        }
        return;
    }
    if (TStartup* first = startups.FindCommandLine(commandLine)) {
        first->AlsoIn.push_back({code, view, title});
        if (title.empty() && IsRegistryLocation(code)) {
            // The default value of another key: listed under the program's
            // name there too.
            first->AlsoIn.back().Title = first->Title;
            first->AlsoIn.back().ValueName = std::string();
        }
    }
}

void ScanFolders(TStartups& startups, const TApprovedMarks& marks) {
    TShortcutLink link;
    const struct {
        std::string Folder;
        TStartupLocation Code;
    } folders[] = {
        {link.GetUserStartupFolder(), slCUStartup},
        {link.GetCommonStartupFolder(), slLMStartupFolder},
    };
    for (const auto& folder : folders) {
        if (folder.Folder.empty())
            continue;
        for (const std::string& file : FindFiles(folder.Folder, ".lnk", false)) {
            link.ShortcutFile = file;
            try {
                link.LoadLink();
            } catch (const EShortcutError&) {
                continue;
            }
            const std::string title = TitleFromFileName(ExtractFileName(file));
            const std::string commandLine = ShortcutCommand(link.Target, link.Arguments);
            TStartup* added = startups.Add(title, std::string(), commandLine, folder.Code, 0);
            Noted(startups, added, commandLine, folder.Code, RegView::Default, title, marks);
        }
    }
}

// Opens a startup key for the scan: with full access when allowed, else for
// reading, so that a standard user still sees the machine-wide entries.
bool OpenForScan(TRegKey& key, RegRoot root, const char* path, RegView view) {
    return key.Open(root, path, RegAccess::Full, view) ||
           key.Open(root, path, RegAccess::Read, view);
}

const char* TypeName(uint32_t type) {
    switch (type) {
    case regNone:
        return "REG_NONE";
    case regBinary:
        return "REG_BINARY";
    case regDword:
        return "REG_DWORD";
    case 5:
        return "REG_DWORD_BIG_ENDIAN";
    case 6:
        return "REG_LINK";
    case regMultiSz:
        return "REG_MULTI_SZ";
    case 11:
        return "REG_QWORD";
    default:
        return nullptr;
    }
}

// Windows does not start a value that is not text; one such value (adware
// and broken installers leave them) must not hide the values after it. It
// is passed over and named in the refresh's notice.
bool ReadScanText(const TRegKey& key, const RegListedValue& listed, const std::string& where,
                  std::vector<std::string>& skipped, std::string& text) {
    try {
        text = key.TextOf(listed);
        return true;
    } catch (const ERegistryError&) {
    }
    std::string line = "\"" + listed.Name + "\" in " + where + ": ";
    RegValue value;
    if (key.ReadValue(listed.Name, value)) {
        const char* type = TypeName(value.Type);
        line += std::string("not text (") +
                (type ? type : ("type " + std::to_string(value.Type)).c_str()) + ")";
    } else {
        line += "its data cannot be read";
    }
    skipped.push_back(line);
    return false;
}

} // namespace

void ScanStartups(TStartups& startups) {
    startups.Notices.clear();
    TApprovedMarks marks;
    marks.Load();
    try {
        ScanFolders(startups, marks);
    } catch (const std::exception&) {
        // A failing folder ends the folder step only; the keys are still read.
    }

    std::vector<std::string> skipped;
    for (const ScanKey& row : kScanKeys) {
        for (RegView view : ViewsOf(row.Code)) {
            TRegKey key;
            if (!OpenForScan(key, row.Root, LocationKey(row.Code), view))
                continue;
            const std::string where = TStartupPlace{row.Code, view, std::string()}.Text();
            for (const RegListedValue& value : key.Values()) {
                std::string text;
                if (!ReadScanText(key, value, where, skipped, text) || text.empty())
                    continue;
                TStartup* entry =
                    startups.Add(value.Name, std::string(), text, row.Code, row.Rating);
                Noted(startups, entry, text, row.Code, view, value.Name, marks);
                if (!entry)
                    continue;
                // The default value is listed under its program's name.
                if (entry->Title != value.Name)
                    entry->ValueName = value.Name;
                RegValue read;
                entry->ValueType = value.HasData                     ? value.Type
                                   : key.ReadValue(value.Name, read) ? read.Type
                                                                     : regNone;
            }
        }
    }
    std::vector<std::string> packages;
    ScanSignInPlaces(startups, packages);
    NoteSkippedLists(startups);
    if (!packages.empty()) {
        std::string notice = "These packaged apps' manifests could not be read:";
        for (const std::string& line : packages)
            notice += "\n- " + line;
        startups.Notices.push_back(notice + "\nTheir startup tasks are not listed.");
    }
    if (!skipped.empty()) {
        std::string notice = skipped.size() == 1 ? "This registry value was passed over:"
                                                 : "These registry values were passed over:";
        for (const std::string& line : skipped)
            notice += "\n- " + line;
        notice += "\nWindows does not start a value that is not text; the other entries are "
                  "listed.";
        startups.Notices.push_back(notice);
    }
    startups.Modified = false;
}
