// Writing the collection back to the system, and the store of disabled
// entries with what the program keeps to give a disabled entry back as it
// was: a copy of its shortcut file, or the type and view of its value.

#include "startupUtil.h"

#include "ShortcutLink.h"
#include "system/Errors.h"
#include "system/Files.h"
#include "system/Folders.h"

#include <set>
#include <utility>

namespace {

const int kAppDataFolder = 5;

// --- What is kept of disabled registry values -----------------------------------
// One line per value: code, view, type, title and command line, separated by
// tabs, with backslash escapes so that any text survives a line.

std::string Escape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

struct KeptValue {
    int Code = 0;
    RegView View = RegView::Default;
    uint32_t Type = regSz;
    std::string Title;
    std::string CommandLine;
};

std::string KeptValuesPath() {
    const std::string data = DataFolder();
    return data.empty() ? std::string() : PathJoin(data, "disabled-values.dat");
}

std::vector<KeptValue> LoadKeptValues() {
    std::vector<KeptValue> values;
    TStringList lines;
    const std::string path = KeptValuesPath();
    if (path.empty() || !lines.LoadFromFile(path))
        return values;
    for (const std::string& line : lines) {
        std::vector<std::string> fields;
        size_t start = 0;
        for (;;) {
            const size_t tab = line.find('\t', start);
            fields.push_back(
                line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        if (fields.size() != 5)
            continue;
        KeptValue v;
        v.Code = std::atoi(fields[0].c_str());
        const int view = std::atoi(fields[1].c_str());
        v.View = view == 1 ? RegView::Native : view == 2 ? RegView::Wow32 : RegView::Default;
        v.Type = std::atoi(fields[2].c_str()) == regExpandSz ? regExpandSz : regSz;
        v.Title = Unescape(fields[3]);
        v.CommandLine = Unescape(fields[4]);
        values.push_back(std::move(v));
    }
    return values;
}

void SaveKeptValues(const std::vector<KeptValue>& values) {
    const std::string path = KeptValuesPath();
    if (path.empty())
        return;
    if (values.empty()) {
        DeleteFileAt(path);
        return;
    }
    TStringList lines;
    for (const KeptValue& v : values) {
        const int view = v.View == RegView::Native ? 1 : v.View == RegView::Wow32 ? 2 : 0;
        lines.Add(std::to_string(v.Code) + '\t' + std::to_string(view) + '\t' +
                  std::to_string(v.Type) + '\t' + Escape(v.Title) + '\t' + Escape(v.CommandLine));
    }
    ForceFolders(FileDir(path));
    lines.SaveToFile(path);
}

const KeptValue* FindKept(const std::vector<KeptValue>& values, int code,
                          const std::string& commandLine) {
    for (const KeptValue& v : values)
        if (v.Code == code && v.CommandLine == commandLine)
            return &v;
    return nullptr;
}

// --- Copies of disabled shortcuts ----------------------------------------------

std::string KeptShortcutFolder(int code) {
    const std::string data = DataFolder();
    return data.empty() ? std::string() : PathJoin(data, "Shortcuts\\" + std::to_string(code));
}

// A title from a profile could name a path outside the startup folder.
bool IsPlainFileName(const std::string& title) {
    if (title.empty() || title == "." || title == "..")
        return false;
    for (char c : title) {
        if (static_cast<unsigned char>(c) < 32)
            return false;
        switch (c) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return false;
        default:
            break;
        }
    }
    return true;
}

// The command line the scan builds for a shortcut file; empty when it cannot
// be read.
std::string ShortcutCommandLine(const std::string& file, void* owner) {
    TShortcutLink link(owner);
    link.ShortcutFile = file;
    try {
        link.LoadLink();
    } catch (const EShortcutError&) {
        return std::string();
    }
    if (link.Target.empty())
        return std::string();
    return "\"" + link.Target + "\" " + link.Arguments;
}

// A text that names an environment variable only starts the program when it
// is stored as an expandable string.
bool NamesVariable(const std::string& text) {
    const size_t first = text.find('%');
    if (first == std::string::npos)
        return false;
    const size_t second = text.find('%', first + 1);
    return second != std::string::npos && second > first + 1;
}

bool IsText(uint32_t type) {
    return type == regSz || type == regExpandSz;
}

const char kRefused[] = "access was refused";

class Applier {
public:
    Applier(TStartups& startups, TApplyReport& report)
        : startups_(startups), report_(report), kept_(LoadKeptValues()) {}

    void Run() {
        for (int i = 0; i < startups_.Count(); ++i) {
            TStartup& entry = *startups_.Items(i);
            if (IsRegistryLocation(entry.Location))
                ApplyValue(entry);
            else if (IsFolderLocation(entry.Location))
                ApplyShortcut(entry);
        }
        if (keptChanged_)
            SaveKeptValues(kept_);
    }

private:
    void Fail(const TStartup& entry, const std::string& reason, bool elevation = false) {
        report_.Failures.push_back(
            {&entry, entry.Title, entry.LocationText(), !entry.Enabled, reason});
        if (elevation)
            report_.NeedsElevation = true;
    }

    // Entries that came from a profile or the store go to the view their value
    // was kept from, else to the 32-bit view when it holds the same command
    // line, else to the native one.
    RegView SettleView(TStartup& entry) {
        if (entry.View != RegView::Default || !IsMachineWideLocation(entry.Location) ||
            !HasTwoRegistryViews())
            return entry.View;
        if (const KeptValue* k = FindKept(kept_, entry.Location, entry.CommandLine)) {
            if (k->View != RegView::Default) {
                entry.View = k->View;
                return entry.View;
            }
        }
        TRegKey key;
        entry.View = RegView::Native;
        if (key.Open(RegRoot::LocalMachine, LocationKey(entry.Location), RegAccess::Read,
                     RegView::Wow32)) {
            for (const std::string& name : key.ValueNames()) {
                RegValue v;
                if (key.ReadValue(name, v) && IsText(v.Type) && v.Text == entry.CommandLine) {
                    entry.View = RegView::Wow32;
                    break;
                }
            }
        }
        return entry.View;
    }

    void ApplyValue(TStartup& entry) {
        const RegRoot root =
            IsMachineWideLocation(entry.Location) ? RegRoot::LocalMachine : RegRoot::CurrentUser;
        const RegView view = SettleView(entry);
        const char* path = LocationKey(entry.Location);

        TRegKey key;
        if (!key.Open(root, path, RegAccess::Full, view)) {
            // A key that is missing is never created; one that exists but
            // cannot be written is reported when the entry needs a change.
            TRegKey readable;
            if (!readable.Open(root, path, RegAccess::Read, view))
                return;
            RegValue v;
            const bool present = readable.ReadValue(entry.Title, v);
            if (entry.Enabled && !(present && IsText(v.Type) && v.Text == entry.CommandLine))
                Fail(entry, kRefused, true);
            else if (!entry.Enabled && present)
                Fail(entry, kRefused, true);
            return;
        }

        RegValue current;
        const bool present = key.ReadValue(entry.Title, current);
        if (entry.Enabled) {
            // A value that already holds the command line stays as it is, with
            // its own type.
            if (present && IsText(current.Type) && current.Text == entry.CommandLine) {
                Forget(entry);
                return;
            }
            uint32_t type = NamesVariable(entry.CommandLine) ? regExpandSz : regSz;
            if (const KeptValue* k = FindKept(kept_, entry.Location, entry.CommandLine))
                type = k->Type;
            try {
                key.WriteText(entry.Title, entry.CommandLine, type);
                Forget(entry);
            } catch (const ERegistryError& e) {
                Fail(entry, e.what());
            }
            return;
        }

        if (!present)
            return;
        if (IsText(current.Type) && current.Text == entry.CommandLine)
            Keep(entry, view, current.Type);
        if (!key.DeleteValue(entry.Title))
            Fail(entry, "the value could not be deleted", true);
    }

    void Keep(const TStartup& entry, RegView view, uint32_t type) {
        Forget(entry);
        kept_.push_back({entry.Location, view, type, entry.Title, entry.CommandLine});
        keptChanged_ = true;
    }

    void Forget(const TStartup& entry) {
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (it->Code == entry.Location && it->CommandLine == entry.CommandLine) {
                kept_.erase(it);
                keptChanged_ = true;
                return;
            }
        }
    }

    void ApplyShortcut(TStartup& entry) {
        void* owner = startups_.OwnerWindow();
        TShortcutLink link(owner);
        const std::string folder = entry.Location == slLMStartupFolder
                                       ? link.GetCommonStartupFolder()
                                       : link.GetUserStartupFolder();
        if (folder.empty()) {
            // Never fall back to the current folder.
            if (entry.Enabled)
                Fail(entry, "the startup folder cannot be determined");
            return;
        }
        if (!IsPlainFileName(entry.Title)) {
            Fail(entry, "the title is not a valid file name");
            return;
        }
        const std::string file = PathJoin(folder, entry.Title + ".lnk");
        const std::string keptFolder = KeptShortcutFolder(entry.Location);
        const std::string kept =
            keptFolder.empty() ? std::string() : PathJoin(keptFolder, entry.Title + ".lnk");
        const bool machineWide = entry.Location == slLMStartupFolder;

        if (!entry.Enabled) {
            if (!FileExists(file))
                return;
            if (!kept.empty() && ShortcutCommandLine(file, owner) == entry.CommandLine &&
                ForceFolders(keptFolder))
                CopyFileTo(file, kept);
            if (!DeleteFileAt(file))
                Fail(entry, "the shortcut could not be deleted", machineWide);
            return;
        }

        if (FileExists(file) && ShortcutCommandLine(file, owner) == entry.CommandLine) {
            if (!kept.empty())
                DeleteFileAt(kept);
            return;
        }
        // Give back the user's own shortcut, with its working folder, icon,
        // description, hot key and show command, when one was kept.
        if (!kept.empty() && FileExists(kept) &&
            ShortcutCommandLine(kept, owner) == entry.CommandLine) {
            if (CopyFileTo(kept, file)) {
                DeleteFileAt(kept);
                return;
            }
        }
        link.ShortcutFile = file;
        link.Target = ExtractProgramFile(entry.CommandLine);
        // The scan puts one blank between the target and the arguments; it is
        // taken away again here so that the command line survives a round trip.
        link.Arguments = ExtractProgramArguments(entry.CommandLine);
        if (!link.Arguments.empty() && link.Arguments[0] == ' ')
            link.Arguments.erase(0, 1);
        try {
            link.SaveLink();
        } catch (const EShortcutError& e) {
            Fail(entry, e.what(), machineWide);
        }
    }

    TStartups& startups_;
    TApplyReport& report_;
    std::vector<KeptValue> kept_;
    bool keptChanged_ = false;
};

// Shortcut copies and kept values of entries the collection no longer holds
// (removed by the user) are dropped with the store.
void PruneKept(const TStartups& startups) {
    std::set<std::pair<int, std::string>> titles;
    std::set<std::pair<int, std::string>> commandLines;
    for (int i = 0; i < startups.Count(); ++i) {
        const TStartup* e = startups.Items(i);
        titles.insert({e->Location, e->Title});
        commandLines.insert({e->Location, e->CommandLine});
    }
    for (int code : {int(slLMStartupFolder), int(slCUStartup)}) {
        const std::string folder = KeptShortcutFolder(code);
        if (folder.empty())
            continue;
        for (const std::string& file : FindFiles(folder, ".lnk", false)) {
            std::string title = ExtractFileName(file);
            title = title.substr(0, title.rfind('.'));
            if (titles.count({code, title}) == 0)
                DeleteFileAt(file);
        }
    }
    std::vector<KeptValue> kept = LoadKeptValues();
    const size_t before = kept.size();
    std::erase_if(kept, [&](const KeptValue& v) {
        return commandLines.count({v.Code, v.CommandLine}) == 0;
    });
    if (kept.size() != before)
        SaveKeptValues(kept);
}

// `skip`: disabled entries whose disabling could not be applied (they still
// start); `keep`: enabled entries whose enabling could not be applied (they
// still do not start), stored as disabled so that they are not lost.
void WriteStore(TStartups& startups, void* ownerWindow, const std::set<const TStartup*>& skip,
                const std::set<const TStartup*>& keep) {
    const std::string path = DisabledStorePath();
    if (path.empty())
        throw EIniError(FormatMessage1("Unable to write to %s", "Morvane\\disabled.dat"));

    TStartups store(ownerWindow);
    for (int i = 0; i < startups.Count(); ++i) {
        const TStartup* e = startups.Items(i);
        if (e->Enabled ? keep.count(e) == 0 : skip.count(e) != 0)
            continue;
        if (TStartup* added =
                store.Add(e->Title, std::string(), e->CommandLine, e->Location, e->Rating))
            added->SetEnabled(false);
    }
    if (!startups.StoreMerged) {
        // The collection never saw the store (a scan that failed, a profile
        // that was loaded): keep what it does not know of.
        TStartups old(ownerWindow);
        old.LoadFromFile(path);
        for (int i = 0; i < old.Count(); ++i) {
            const TStartup* e = old.Items(i);
            if (startups.FindCommandLine(e->CommandLine))
                continue;
            if (TStartup* added =
                    store.Add(e->Title, std::string(), e->CommandLine, e->Location, e->Rating))
                added->SetEnabled(false);
        }
    } else {
        PruneKept(startups);
    }
    store.SaveToFile(path);
}

} // namespace

std::string DataFolder() {
    const std::string appData = GetSpecialFolder(kAppDataFolder);
    return appData.empty() ? std::string() : PathJoin(appData, "Morvane");
}

std::string DisabledStorePath() {
    const std::string appData = GetSpecialFolder(kAppDataFolder);
    return appData.empty() ? std::string() : PathJoin(appData, "Morvane\\disabled.dat");
}

TApplyReport TStartups::ApplyChanges() {
    TApplyReport report;
    Applier(*this, report).Run();
    return report;
}

void SaveDisabledStore(TStartups& startups, void* ownerWindow) {
    WriteStore(startups, ownerWindow, {}, {});
}

void RestoreDisabledStore(TStartups& startups, void* ownerWindow) {
    const std::string path = DisabledStorePath();
    if (path.empty())
        return;
    TStartups store(ownerWindow);
    store.LoadFromFile(path);
    const std::vector<KeptValue> kept = LoadKeptValues();
    for (int i = 0; i < store.Count(); ++i) {
        const TStartup* e = store.Items(i);
        TStartup* added =
            startups.Add(e->Title, std::string(), e->CommandLine, e->Location, e->Rating);
        if (!added)
            continue;
        added->SetEnabled(false);
        if (const KeptValue* k = FindKept(kept, added->Location, added->CommandLine))
            added->View = k->View;
    }
    startups.StoreMerged = true;
}

TApplyReport ApplyWithStore(TStartups& startups, void* ownerWindow) {
    SaveDisabledStore(startups, ownerWindow);
    TApplyReport report = startups.ApplyChanges();
    std::set<const TStartup*> stillStarting;
    std::set<const TStartup*> stillOff;
    for (const auto& failure : report.Failures)
        (failure.Disabling ? stillStarting : stillOff).insert(failure.Entry);
    if (!report.Failures.empty())
        WriteStore(startups, ownerWindow, stillStarting, stillOff);
    return report;
}

std::string TApplyReport::Message() const {
    if (Failures.empty())
        return std::string();
    std::string text = Failures.size() == 1 ? "This change could not be applied:"
                                            : "These changes could not be applied:";
    for (const Failure& f : Failures) {
        text += "\n- \"" + f.Title + "\" (" + f.Location + "), ";
        text += f.Disabling ? "disabling: " : "enabling: ";
        text += f.Reason;
    }
    if (NeedsElevation)
        text += "\nChanging these locations needs administrator rights: run Morvane elevated "
                "(as administrator) to apply them.";
    return text;
}
