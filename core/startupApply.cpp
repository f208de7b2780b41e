// Writing the collection back to the system, and the store of disabled
// entries with what the program keeps to give a disabled entry back as it
// was: a copy of its shortcut file, or the type and view of its value.

#include "startupUtil.h"

#include "ShortcutLink.h"
#include "StartupApproved.h"
#include "system/Errors.h"
#include "system/Files.h"
#include "system/Folders.h"
#include "system/Ini.h"

#include <cctype>
#include <ctime>
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

// Default stands for "either view" on both sides: entries from a profile
// have no view until apply settles it, and single-view systems keep none.
bool SameView(RegView a, RegView b) {
    return a == RegView::Default || b == RegView::Default || a == b;
}

const KeptValue* FindKept(const std::vector<KeptValue>& values, int code,
                          const std::string& commandLine, RegView view = RegView::Default) {
    for (const KeptValue& v : values)
        if (v.Code == code && v.CommandLine == commandLine && SameView(v.View, view))
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
            // Windows' own switch is the user's until they tick the entry.
            if (entry.DisabledByWindows && !entry.Enabled)
                continue;
            bool marksCleared = true;
            if (IsRegistryLocation(entry.Location)) {
                const RegView view = SettleView(entry);
                marksCleared &= ApplyValue(entry, {entry.Location, view, entry.Title});
            } else if (IsFolderLocation(entry.Location)) {
                marksCleared &= ApplyShortcut(entry, {entry.Location, entry.View, entry.Title});
            }
            // Every place of the program follows the entry.
            for (const TStartupPlace& place : entry.AlsoIn) {
                if (IsRegistryLocation(place.Location))
                    marksCleared &= ApplyValue(entry, place);
                else if (IsFolderLocation(place.Location))
                    marksCleared &= ApplyShortcut(entry, place);
            }
            if (entry.Enabled && marksCleared)
                entry.DisabledByWindows = false;
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

    // An enabled place must not stay turned off by Windows' Startup settings:
    // a mark outlives its value, so a value given back under the same name
    // would not start otherwise. False when such a mark could not be cleared.
    bool ClearMark(const TStartup& entry, const TStartupPlace& at) {
        if (ClearWindowsMark(at.Location, at.View, at.Title))
            return true;
        Fail(entry, "Windows' Startup settings still turn it off (their mark could not be changed)",
             true);
        return false;
    }

    // Returns false only when a mark of Windows' Startup settings could not
    // be cleared.
    bool ApplyValue(TStartup& entry, const TStartupPlace& at) {
        const RegRoot root =
            IsMachineWideLocation(at.Location) ? RegRoot::LocalMachine : RegRoot::CurrentUser;
        const RegView view = at.View;
        const char* path = LocationKey(at.Location);

        TRegKey key;
        if (!key.Open(root, path, RegAccess::Full, view)) {
            // A key that is missing is never created; one that exists but
            // cannot be written is reported when the entry needs a change.
            TRegKey readable;
            if (!readable.Open(root, path, RegAccess::Read, view))
                return true;
            RegValue v;
            const bool present = readable.ReadValue(at.Title, v);
            if (entry.Enabled && !(present && IsText(v.Type) && v.Text == entry.CommandLine))
                Fail(entry, kRefused, true);
            else if (!entry.Enabled && present)
                Fail(entry, kRefused, true);
            return !entry.Enabled || ClearMark(entry, at);
        }

        RegValue current;
        const bool present = key.ReadValue(at.Title, current);
        if (entry.Enabled) {
            // A value that already holds the command line stays as it is, with
            // its own type.
            if (present && IsText(current.Type) && current.Text == entry.CommandLine) {
                Forget(at, entry.CommandLine);
                return ClearMark(entry, at);
            }
            uint32_t type = NamesVariable(entry.CommandLine) ? regExpandSz : regSz;
            if (const KeptValue* k = FindKept(kept_, at.Location, entry.CommandLine, view))
                type = k->Type;
            try {
                key.WriteText(at.Title, entry.CommandLine, type);
                Forget(at, entry.CommandLine);
            } catch (const ERegistryError& e) {
                Fail(entry, e.what());
                return true;
            }
            return ClearMark(entry, at);
        }

        if (!present)
            return true;
        if (IsText(current.Type) && current.Text == entry.CommandLine)
            Keep(at, entry.CommandLine, current.Type);
        if (!key.DeleteValue(at.Title))
            Fail(entry, "the value could not be deleted", true);
        return true;
    }

    void Keep(const TStartupPlace& at, const std::string& commandLine, uint32_t type) {
        Forget(at, commandLine);
        kept_.push_back({at.Location, at.View, type, at.Title, commandLine});
        keptChanged_ = true;
    }

    void Forget(const TStartupPlace& at, const std::string& commandLine) {
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (it->Code == at.Location && it->CommandLine == commandLine &&
                SameView(it->View, at.View)) {
                kept_.erase(it);
                keptChanged_ = true;
                return;
            }
        }
    }

    bool ApplyShortcut(TStartup& entry, const TStartupPlace& at) {
        void* owner = startups_.OwnerWindow();
        TShortcutLink link(owner);
        const std::string folder = at.Location == slLMStartupFolder ? link.GetCommonStartupFolder()
                                                                    : link.GetUserStartupFolder();
        if (folder.empty()) {
            // Never fall back to the current folder.
            if (entry.Enabled)
                Fail(entry, "the startup folder cannot be determined");
            return true;
        }
        if (!IsPlainFileName(at.Title)) {
            Fail(entry, "the title is not a valid file name");
            return true;
        }
        const std::string file = PathJoin(folder, at.Title + ".lnk");
        const std::string keptFolder = KeptShortcutFolder(at.Location);
        const std::string kept =
            keptFolder.empty() ? std::string() : PathJoin(keptFolder, at.Title + ".lnk");
        const bool machineWide = at.Location == slLMStartupFolder;

        if (!entry.Enabled) {
            if (!FileExists(file))
                return true;
            if (!kept.empty() &&
                SameShortcutCommand(ShortcutCommandLine(file, owner), entry.CommandLine) &&
                ForceFolders(keptFolder))
                CopyFileTo(file, kept);
            if (!DeleteFileAt(file))
                Fail(entry, "the shortcut could not be deleted", machineWide);
            return true;
        }

        if (FileExists(file) &&
            SameShortcutCommand(ShortcutCommandLine(file, owner), entry.CommandLine)) {
            if (!kept.empty())
                DeleteFileAt(kept);
            return ClearMark(entry, at);
        }
        // Give back the user's own shortcut, with its working folder, icon,
        // description, hot key and show command, when one was kept. A store
        // gives a shortcut without arguments back as the bare path, which
        // SameShortcutCommand allows for.
        if (!kept.empty() && FileExists(kept) &&
            SameShortcutCommand(ShortcutCommandLine(kept, owner), entry.CommandLine)) {
            if (CopyFileTo(kept, file)) {
                DeleteFileAt(kept);
                return ClearMark(entry, at);
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
            return true;
        }
        return ClearMark(entry, at);
    }

    TStartups& startups_;
    TApplyReport& report_;
    std::vector<KeptValue> kept_;
    bool keptChanged_ = false;
};

// Shortcut copies and kept values of entries the collection no longer holds
// (removed by the user) are dropped with the store; those of another place
// of a listed entry stay.
void PruneKept(const TStartups& startups) {
    std::set<std::pair<int, std::string>> titles;
    std::set<std::pair<int, std::string>> commandLines;
    for (int i = 0; i < startups.Count(); ++i) {
        const TStartup* e = startups.Items(i);
        titles.insert({e->Location, e->Title});
        commandLines.insert({e->Location, e->CommandLine});
        for (const TStartupPlace& place : e->AlsoIn) {
            titles.insert({place.Location, place.Title});
            commandLines.insert({place.Location, e->CommandLine});
        }
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

// --- A store that cannot be read ------------------------------------------------

// A store Morvane wrote reads as a profile with a "ProgramCount" that its
// lines can hold. Anything else (garbage, a cut file, a negative count) is
// damaged: reading it would list nothing, and writing over it would lose for
// good what it still holds.
bool StoreIsSound(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return false;
    if (bytes.empty())
        return true;
    TStringList lines;
    lines.SetText(bytes);
    bool general = false;
    for (const std::string& line : lines) {
        std::string trimmed = line;
        while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t'))
            trimmed.pop_back();
        // Section names are matched without regard to letter case, as the
        // profile functions do.
        static const char section[] = "[general]";
        bool same = trimmed.size() == sizeof section - 1;
        for (size_t i = 0; same && i < trimmed.size(); ++i) {
            char c = trimmed[i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            same = c == section[i];
        }
        if (same) {
            general = true;
            break;
        }
    }
    if (!general)
        return false;
    int count = 0;
    if (!ParseIniInteger(IniReadString(path, "General", "ProgramCount", ""), count))
        return false;
    return count >= 0 && count <= static_cast<int>(lines.Count());
}

std::string StampNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    char buffer[32] = "unknown-time";
    if (local)
        std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", local);
    return buffer;
}

// Moves a damaged store out of the way; the name of where it went, or empty
// when it could not be kept (then it must not be written over).
std::string KeepAside(const std::string& path) {
    std::string aside = DamagedStorePath(path);
    for (int n = 2; FileExists(aside) && n < 100; ++n)
        aside = DamagedStorePath(path) + "-" + std::to_string(n);
    if (FileExists(aside))
        return std::string();
    if (ReplaceFileWith(aside, path))
        return aside;
    if (CopyFileTo(path, aside) && DeleteFileAt(path))
        return aside;
    return std::string();
}

// --- What is known of disabled entries besides the store -------------------------

struct KeptCopy {
    int Code;
    std::string Title;
    std::string CommandLine;
};

std::vector<KeptCopy> LoadKeptCopies(void* owner) {
    std::vector<KeptCopy> copies;
    for (int code : {int(slCUStartup), int(slLMStartupFolder)}) {
        const std::string folder = KeptShortcutFolder(code);
        if (folder.empty())
            continue;
        for (const std::string& file : FindFiles(folder, ".lnk", false)) {
            std::string title = ExtractFileName(file);
            title = title.substr(0, title.rfind('.'));
            const std::string commandLine = ShortcutCommandLine(file, owner);
            if (!commandLine.empty())
                copies.push_back({code, title, commandLine});
        }
    }
    return copies;
}

bool SameTitle(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool SamePlace(const TStartupPlace& p, int code, RegView view, const std::string& title) {
    return p.Location == code && SameView(p.View, view) && SameTitle(p.Title, title);
}

// Gives an entry the kept places of its command line that it does not name yet.
void AddKeptPlaces(TStartup& entry, const std::vector<KeptValue>& values,
                   const std::vector<KeptCopy>& copies) {
    auto known = [&](int code, RegView view, const std::string& title) {
        if (SamePlace({entry.Location, entry.View, entry.Title}, code, view, title))
            return true;
        for (const TStartupPlace& p : entry.AlsoIn)
            if (SamePlace(p, code, view, title))
                return true;
        return false;
    };
    for (const KeptValue& v : values)
        if (v.CommandLine == entry.CommandLine && !known(v.Code, v.View, v.Title))
            entry.AlsoIn.push_back({static_cast<TStartupLocation>(v.Code), v.View, v.Title});
    for (const KeptCopy& c : copies)
        if (SameShortcutCommand(c.CommandLine, entry.CommandLine) &&
            !known(c.Code, RegView::Default, c.Title))
            entry.AlsoIn.push_back(
                {static_cast<TStartupLocation>(c.Code), RegView::Default, c.Title});
}

TStartup* AddDisabled(TStartups& startups, const std::string& title, const std::string& commandLine,
                      int code, int rating, RegView view) {
    TStartup* added = startups.Add(title, std::string(), commandLine, code, rating);
    if (added) {
        added->SetEnabled(false);
        added->View = view;
    }
    return added;
}

// `skip`: disabled entries whose disabling could not be applied (they still
// start); `keep`: enabled entries whose enabling could not be applied (they
// still do not start), stored as disabled so that they are not lost.
void WriteStore(TStartups& startups, void* ownerWindow, const std::set<const TStartup*>& skip,
                const std::set<const TStartup*>& keep) {
    const std::string path = DisabledStorePath();
    if (path.empty())
        throw EIniError(FormatMessage1("Unable to write to %s", "Morvane\\disabled.dat"));
    // What a damaged store still holds is never written over.
    if (FileExists(path) && !StoreIsSound(path) && KeepAside(path).empty())
        throw EIniError(FormatMessage1("Unable to write to %s", path));

    TStartups store(ownerWindow);
    for (int i = 0; i < startups.Count(); ++i) {
        const TStartup* e = startups.Items(i);
        if (e->Enabled ? keep.count(e) == 0 : skip.count(e) != 0)
            continue;
        // Windows keeps its own switch; the entry is still in its place.
        if (e->DisabledByWindows && !e->Enabled)
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

std::string DamagedStorePath(const std::string& storePath) {
    return storePath + ".damaged-" + StampNow();
}

void RestoreDisabledStore(TStartups& startups, void* ownerWindow) {
    const std::string path = DisabledStorePath();
    if (path.empty())
        return;
    TStartups store(ownerWindow);
    bool merged = true;
    if (FileExists(path) && !StoreIsSound(path)) {
        const std::string aside = KeepAside(path);
        if (aside.empty()) {
            merged = false;
            startups.Notices.push_back(
                "The store of disabled entries \"" + path +
                "\" cannot be read and could not be moved aside. Morvane leaves it as it is and "
                "cannot save disabled entries until it is moved away.");
        } else {
            startups.Notices.push_back(
                "The store of disabled entries could not be read. It was kept as \"" + aside +
                "\" and will not be written over. The disabled entries Morvane still knows from "
                "its kept values and shortcut copies are listed again, unticked.");
        }
    } else {
        store.LoadFromFile(path);
    }
    const std::vector<KeptValue> kept = LoadKeptValues();
    const std::vector<KeptCopy> copies = LoadKeptCopies(ownerWindow);
    for (int i = 0; i < store.Count(); ++i) {
        const TStartup* e = store.Items(i);
        std::string commandLine = e->CommandLine;
        if (IsFolderLocation(e->Location)) {
            // The kept copy has the command line as the scan builds it,
            // quotes and all, which the profile functions may have dropped.
            for (const KeptCopy& c : copies)
                if (c.Code == e->Location && c.Title == e->Title &&
                    SameShortcutCommand(c.CommandLine, commandLine))
                    commandLine = c.CommandLine;
        }
        const KeptValue* k = FindKept(kept, e->Location, commandLine);
        TStartup* added = AddDisabled(startups, e->Title, commandLine, e->Location, e->Rating,
                                      k ? k->View : RegView::Default);
        if (!added)
            added = startups.FindCommandLine(commandLine);
        // The program is in the system again from another place: what is kept
        // of this one goes with the listed entry, so that nothing is lost.
        if (added)
            AddKeptPlaces(*added, kept, copies);
    }
    // A kept value or shortcut copy that no stored entry names (the store was
    // damaged or lost) still stands for a disabled program.
    for (const KeptValue& v : kept) {
        // Kept for another place of a listed entry: it goes with that entry.
        if (TStartup* listed = startups.FindCommandLine(v.CommandLine)) {
            AddKeptPlaces(*listed, kept, copies);
            continue;
        }
        if (TStartup* added =
                AddDisabled(startups, v.Title, v.CommandLine, v.Code,
                            v.Code == slLMServices || v.Code == slLMServiceOnce ? 4 : 0, v.View))
            AddKeptPlaces(*added, kept, copies);
    }
    for (const KeptCopy& c : copies) {
        TStartup* listed = nullptr;
        for (int i = 0; i < startups.Count() && !listed; ++i)
            if (SameShortcutCommand(startups.Items(i)->CommandLine, c.CommandLine))
                listed = startups.Items(i);
        if (listed) {
            AddKeptPlaces(*listed, kept, copies);
            continue;
        }
        if (TStartup* added =
                AddDisabled(startups, c.Title, c.CommandLine, c.Code, 0, RegView::Default))
            AddKeptPlaces(*added, kept, copies);
    }
    startups.StoreMerged = merged;
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
