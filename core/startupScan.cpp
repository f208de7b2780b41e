#include "startupUtil.h"

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

std::string TitleOfShortcut(const std::string& file) {
    std::string name = ExtractFileName(file);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

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
    TShortcutLink link(startups.OwnerWindow());
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
            const std::string title = TitleOfShortcut(file);
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

std::vector<RegView> ViewsOf(unsigned code) {
    const bool twoViews = code == slLMRunOnceEx || code == slActiveSetup ||
                          (IsRegistryLocation(code) && IsMachineWideLocation(code));
    if (twoViews && HasTwoRegistryViews())
        return {RegView::Native, RegView::Wow32};
    // Winlogon is read where Windows reads it, whatever this program's bitness.
    if (code == slLMWinlogon && HasTwoRegistryViews())
        return {RegView::Native};
    return {RegView::Default};
}

void TStartups::Refresh() {
    Notices.clear();
    TApprovedMarks marks;
    marks.Load();
    try {
        ScanFolders(*this, marks);
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
                TStartup* entry = Add(value.Name, std::string(), text, row.Code, row.Rating);
                Noted(*this, entry, text, row.Code, view, value.Name, marks);
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
    ScanSignInPlaces(*this, packages);
    NoteSkippedLists(*this);
    if (!packages.empty()) {
        std::string notice = "These packaged apps' manifests could not be read:";
        for (const std::string& line : packages)
            notice += "\n- " + line;
        Notices.push_back(notice + "\nTheir startup tasks are not listed.");
    }
    if (!skipped.empty()) {
        std::string notice = skipped.size() == 1 ? "This registry value was passed over:"
                                                 : "These registry values were passed over:";
        for (const std::string& line : skipped)
            notice += "\n- " + line;
        notice += "\nWindows does not start a value that is not text; the other entries are "
                  "listed.";
        Notices.push_back(notice);
    }
    Modified = false;
}

// --- The search path ------------------------------------------------------------

void SplitList(const std::string& text, char separator, TStringList& list) {
    size_t pos = 0;
    while (pos < text.size()) {
        const bool quoted = text[pos] == '"';
        std::string token;
        size_t end = std::string::npos;
        for (size_t i = pos; i < text.size(); ++i) {
            const char c = text[i];
            if (c == separator) {
                end = i;
                break;
            }
            if (c == '"') {
                if (quoted && !token.empty()) {
                    end = i;
                    break;
                }
                continue;
            }
            token += c;
        }
        size_t first = 0;
        size_t last = token.size();
        while (first < last && static_cast<unsigned char>(token[first]) <= ' ')
            ++first;
        while (last > first && static_cast<unsigned char>(token[last - 1]) <= ' ')
            --last;
        list.Add(token.substr(first, last - first));
        pos = end == std::string::npos ? text.size() : end + 1;
    }
}

TStringList& SearchFolders() {
    static TStringList folders = [] {
        TStringList list;
        SplitList(GetEnv("PATH"), ';', list);
        return list;
    }();
    return folders;
}

bool ProgramFileExists(const std::string& located) {
    return FileExists(NativeFilePath(located));
}

std::string FindOnPath(const std::string& written) {
    return FindOnPath(written, ProgramFileExists, nullptr);
}

std::string FindOnPath(const std::string& written,
                       const std::function<bool(const std::string&)>& exists, bool* found) {
    if (found)
        *found = true;
    const std::string name = ExpandEnvironment(written);
    if (exists(name))
        return name;
    static const std::string systemRoot = "%SystemRoot%";
    for (const std::string& entry : SearchFolders()) {
        std::string folder = entry;
        for (size_t at = folder.find(systemRoot); at != std::string::npos;
             at = folder.find(systemRoot, at)) {
            const std::string system = SystemFolder();
            folder.replace(at, systemRoot.size(), system);
            at += system.size();
        }
        const std::string candidate = PathJoin(ExpandEnvironment(folder), name);
        if (exists(candidate))
            return candidate;
    }
    if (found)
        *found = false;
    return written;
}
