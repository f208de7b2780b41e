#include "startupUtil.h"

#include "ShortcutLink.h"
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
};

std::string TitleOfShortcut(const std::string& file) {
    std::string name = ExtractFileName(file);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void ScanFolders(TStartups& startups) {
    // One component for every file: when the shell cannot resolve a link,
    // LoadLink keeps the previous file's target, and Add then drops the
    // repeated command line.
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
            startups.Add(TitleOfShortcut(file), std::string(),
                         "\"" + link.Target + "\" " + link.Arguments, folder.Code, 0);
        }
    }
}

// Opens a startup key for the scan: with full access when allowed, else for
// reading, so that a standard user still sees the machine-wide entries.
bool OpenForScan(TRegKey& key, RegRoot root, const char* path, RegView view) {
    return key.Open(root, path, RegAccess::Full, view) ||
           key.Open(root, path, RegAccess::Read, view);
}

} // namespace

std::vector<RegView> ViewsOf(unsigned code) {
    if (IsRegistryLocation(code) && IsMachineWideLocation(code) && HasTwoRegistryViews())
        return {RegView::Native, RegView::Wow32};
    return {RegView::Default};
}

void TStartups::Refresh() {
    try {
        ScanFolders(*this);
    } catch (const std::exception&) {
        // A failing folder ends the folder step only; the keys are still read.
    }

    for (const ScanKey& row : kScanKeys) {
        for (RegView view : ViewsOf(row.Code)) {
            TRegKey key;
            if (!OpenForScan(key, row.Root, LocationKey(row.Code), view))
                continue;
            for (const RegListedValue& value : key.Values()) {
                TStartup* entry =
                    Add(value.Name, std::string(), key.TextOf(value), row.Code, row.Rating);
                if (entry)
                    entry->View = view;
            }
        }
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

std::string FindOnPath(const std::string& name) {
    if (FileExists(name))
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
        const std::string candidate = PathJoin(folder, name);
        if (FileExists(candidate))
            return candidate;
    }
    return name;
}
