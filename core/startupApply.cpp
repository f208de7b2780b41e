// Writing the collection back to the system, and the store of disabled
// entries with what the program keeps to give a disabled entry back as it
// was: a copy of its shortcut file, or the type and view of its value.

#include "startupUtil.h"

#include "ProfileData.h"
#include "ShortcutLink.h"
#include "StartupApproved.h"
#include "system/Errors.h"
#include "system/Files.h"
#include "system/Folders.h"
#include "system/Ini.h"
#include "system/Lock.h"
#include "system/TempName.h"
#include "system/TextCodec.h"

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
    // The value's own name; the title for records written before names were
    // kept apart from titles.
    std::string Name;
};

std::string KeptValuesPath() {
    const std::string data = DataFolder();
    return data.empty() ? std::string() : PathJoin(data, "disabled-values.dat");
}

std::vector<KeptValue> ParseKeptValues(const std::string& text) {
    std::vector<KeptValue> values;
    TStringList lines;
    lines.SetText(text);
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
        if (fields.size() != 5 && fields.size() != 6)
            continue;
        KeptValue v;
        v.Code = std::atoi(fields[0].c_str());
        const int view = std::atoi(fields[1].c_str());
        v.View = view == 1 ? RegView::Native : view == 2 ? RegView::Wow32 : RegView::Default;
        v.Type = std::atoi(fields[2].c_str()) == regExpandSz ? regExpandSz : regSz;
        v.Title = Unescape(fields[3]);
        v.CommandLine = Unescape(fields[4]);
        v.Name = fields.size() == 6 ? Unescape(fields[5]) : v.Title;
        values.push_back(std::move(v));
    }
    return values;
}

std::vector<KeptValue> LoadKeptValues() {
    const std::string path = KeptValuesPath();
    std::string text;
    if (path.empty() || !ReadWholeFile(path, text))
        return {};
    // Older versions wrote this file in the ANSI code page.
    return ParseKeptValues(DecodeTextFile(text));
}

std::string KeptValuesText(const std::vector<KeptValue>& values) {
    std::string text;
    for (const KeptValue& v : values) {
        const int view = v.View == RegView::Native ? 1 : v.View == RegView::Wow32 ? 2 : 0;
        text += std::to_string(v.Code) + '\t' + std::to_string(view) + '\t' +
                std::to_string(v.Type) + '\t' + Escape(v.Title) + '\t' + Escape(v.CommandLine) +
                '\t' + Escape(v.Name) + "\r\n";
    }
    return text;
}

bool SameKept(const KeptValue& a, const KeptValue& b) {
    return a.Code == b.Code && a.View == b.View && a.Type == b.Type && a.Title == b.Title &&
           a.CommandLine == b.CommandLine && a.Name == b.Name;
}

// Writes the records beside the file, reads them back and only then puts
// them in its place; false, with the old file as it was, when they could not
// be kept whole.
bool SaveKeptValues(const std::vector<KeptValue>& values) {
    const std::string path = KeptValuesPath();
    if (path.empty())
        return values.empty();
    if (values.empty())
        return !FileExists(path) || DeleteFileAt(path);
    const std::string text = KeptValuesText(values);
    if (!ForceFolders(FileDir(path)))
        return false;
    const std::string temporary = UniqueTemporaryName(path);
    std::string back;
    bool ok = WriteWholeFile(temporary, text) && ReadWholeFile(temporary, back) && back == text;
    if (ok) {
        const std::vector<KeptValue> parsed = ParseKeptValues(back);
        ok = parsed.size() == values.size();
        for (size_t i = 0; ok && i < values.size(); ++i)
            ok = SameKept(parsed[i], values[i]);
    }
    if (ok && ReplaceFileWith(path, temporary))
        return true;
    DeleteFileAt(temporary);
    return false;
}

// Default stands for "either view" on both sides: entries from a profile
// have no view until apply settles it, and single-view systems keep none.
bool SameView(RegView a, RegView b) {
    return a == RegView::Default || b == RegView::Default || a == b;
}

// The record of a place: by name when one is given, else (a profile entry
// that knows no value name) the first of its command line.
const KeptValue* FindKept(const std::vector<KeptValue>& values, int code,
                          const std::string& commandLine, RegView view = RegView::Default,
                          const std::string* name = nullptr) {
    const KeptValue* loose = nullptr;
    for (const KeptValue& v : values) {
        if (v.Code != code || v.CommandLine != commandLine || !SameView(v.View, view))
            continue;
        if (!name || v.Name == *name)
            return &v;
        if (!loose)
            loose = &v;
    }
    return loose;
}

// --- Copies of disabled shortcuts ----------------------------------------------

std::string KeptShortcutFolder(int code) {
    const std::string data = DataFolder();
    return data.empty() ? std::string() : PathJoin(data, "Shortcuts\\" + std::to_string(code));
}

// Names Windows gives to devices in every folder: a shortcut so named would
// open the device, not a file. Matched without regard to case, with or
// without an extension.
bool IsDeviceName(const std::string& title) {
    std::string base = title.substr(0, title.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : devices)
        if (base == device)
            return true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
        base[3] >= '1' && base[3] <= '9')
        return true;
    return false;
}

// Why a title cannot name a shortcut file in a startup folder; empty when it can.
std::string FileNameProblem(const std::string& title) {
    if (title.empty() || title == "." || title == "..")
        return "the title is not a valid file name";
    for (char c : title) {
        if (static_cast<unsigned char>(c) < 32)
            return "the title is not a valid file name";
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
            return "the title is not a valid file name";
        default:
            break;
        }
    }
    // Windows drops trailing dots and blanks, so the file would have another name.
    if (title.back() == '.' || title.back() == ' ')
        return "the title is not a valid file name (it ends with a dot or a blank)";
    if (IsDeviceName(title))
        return "the title \"" + title + "\" is a reserved device name and cannot name a file";
    return std::string();
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
    return ShortcutCommand(link.Target, link.Arguments);
}

// A copy is kept only once it reads back as the file it was copied from.
bool CopyVerified(const std::string& from, const std::string& to) {
    std::string original;
    std::string copied;
    return ReadWholeFile(from, original) && CopyFileTo(from, to) && ReadWholeFile(to, copied) &&
           copied == original;
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
const char kNothingDeleted[] = "; nothing was deleted";

std::string RootName(unsigned code) {
    return IsMachineWideLocation(code) ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

class Applier {
public:
    // `unstored`: disabled entries the store could not hold whole; nothing
    // of them is deleted.
    Applier(TStartups& startups, TApplyReport& report, std::set<const TStartup*> unstored = {})
        : startups_(startups), report_(report), unstored_(std::move(unstored)),
          kept_(LoadKeptValues()) {}

    void Run() {
        for (const TStartup* e : unstored_)
            Fail(*e, "it cannot be kept whole in the store of disabled entries" +
                         std::string(kNothingDeleted));
        // What is needed to give a disabled entry back is written, and read
        // back, before anything of it is deleted.
        KeepRecords();
        for (int i = 0; i < startups_.Count(); ++i) {
            TStartup& entry = *startups_.Items(i);
            // Windows' own switch is the user's until they tick the entry.
            if (entry.DisabledByWindows && !entry.Enabled)
                continue;
            if (!entry.Enabled && (unstored_.count(&entry) || blocked_.count(&entry)))
                continue;
            bool marksCleared = true;
            if (IsRegistryLocation(entry.Location)) {
                const RegView view = SettleView(entry);
                TStartupPlace main{entry.Location, view, entry.Title, entry.ValueName};
                marksCleared &= ApplyValue(entry, main);
            } else if (IsFolderLocation(entry.Location)) {
                marksCleared &= ApplyShortcut(entry, {entry.Location, entry.View, entry.Title, {}});
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
        // Records of entries given back: a record left over costs nothing
        // (it names a command line that is in the system again).
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

    // Stops the disabling of an entry before anything of it is deleted.
    void Block(const TStartup& entry, const std::string& reason) {
        if (blocked_.insert(&entry).second)
            Fail(entry, reason + kNothingDeleted);
    }

    // The places of an entry, the main one first.
    std::vector<TStartupPlace> PlacesOf(TStartup& entry) {
        std::vector<TStartupPlace> places;
        if (IsRegistryLocation(entry.Location))
            places.push_back({entry.Location, SettleView(entry), entry.Title, entry.ValueName});
        else if (IsFolderLocation(entry.Location))
            places.push_back({entry.Location, entry.View, entry.Title, {}});
        for (const TStartupPlace& place : entry.AlsoIn)
            places.push_back(place);
        return places;
    }

    // For each disabling: the value's type and view, or a copy of the
    // shortcut, is kept first. A disabling whose record cannot be kept is
    // blocked whole.
    void KeepRecords() {
        std::vector<std::pair<const TStartup*, size_t>> fresh; // entry, record index
        for (int i = 0; i < startups_.Count(); ++i) {
            TStartup& entry = *startups_.Items(i);
            if (entry.Enabled || entry.DisabledByWindows || unstored_.count(&entry))
                continue;
            for (const TStartupPlace& at : PlacesOf(entry)) {
                if (IsRegistryLocation(at.Location))
                    KeepValueRecord(entry, at, fresh);
                else if (IsFolderLocation(at.Location))
                    KeepShortcutCopy(entry, at);
            }
        }
        if (fresh.empty() || SaveKeptValues(kept_))
            return;
        const std::string path = KeptValuesPath();
        for (const auto& [entry, index] : fresh) {
            (void)index;
            Block(*entry, "its record could not be written to \"" +
                              (path.empty() ? std::string("disabled-values.dat") : path) + "\"");
        }
    }

    void KeepValueRecord(const TStartup& entry, const TStartupPlace& at,
                         std::vector<std::pair<const TStartup*, size_t>>& fresh) {
        const RegRoot root =
            IsMachineWideLocation(at.Location) ? RegRoot::LocalMachine : RegRoot::CurrentUser;
        TRegKey key;
        if (!key.Open(root, LocationKey(at.Location), RegAccess::Read, at.View))
            return;
        std::string name = at.RegistryName();
        RegValue current;
        if (!key.ReadValue(name, current)) {
            // A profile that knows only the title of a default value.
            if (at.ValueName || !key.ReadValue(std::string(), current) ||
                !IsText(current.Type) || current.Text != entry.CommandLine)
                return;
            name.clear();
        }
        if (!IsText(current.Type) || current.Text != entry.CommandLine) {
            // Another program's value under this name: it is not this entry's
            // to delete.
            Block(entry, "the value \"" + name + "\" holds another command line");
            return;
        }
        Forget(at.Location, at.View, entry.CommandLine, name);
        kept_.push_back({at.Location, at.View, current.Type, at.Title, entry.CommandLine, name});
        keptChanged_ = true;
        fresh.emplace_back(&entry, kept_.size() - 1);
    }

    void KeepShortcutCopy(const TStartup& entry, const TStartupPlace& at) {
        void* owner = startups_.OwnerWindow();
        TShortcutLink link(owner);
        const std::string folder = at.Location == slLMStartupFolder ? link.GetCommonStartupFolder()
                                                                    : link.GetUserStartupFolder();
        if (folder.empty() || !FileNameProblem(at.Title).empty())
            return;
        const std::string file = PathJoin(folder, at.Title + ".lnk");
        if (!FileExists(file))
            return;
        if (!SameShortcutCommand(ShortcutCommandLine(file, owner), entry.CommandLine)) {
            Block(entry, "the shortcut \"" + file + "\" holds another command line");
            return;
        }
        const std::string keptFolder = KeptShortcutFolder(at.Location);
        const std::string kept =
            keptFolder.empty() ? std::string() : PathJoin(keptFolder, at.Title + ".lnk");
        if (kept.empty() || !ForceFolders(keptFolder) || !CopyVerified(file, kept)) {
            DeleteFileAt(kept);
            Block(entry, "its shortcut could not be copied to \"" +
                             (kept.empty() ? std::string("Morvane\\Shortcuts") : kept) + "\"");
        }
    }

    // Entries that came from a profile or the store go to the view their value
    // was kept from, else to the 32-bit view when it holds the same command
    // line, else to the native one.
    RegView SettleView(TStartup& entry) {
        if (entry.View != RegView::Default || !IsMachineWideLocation(entry.Location) ||
            !HasTwoRegistryViews())
            return entry.View;
        const std::string& name = entry.RegistryName();
        if (const KeptValue* k = FindKept(kept_, entry.Location, entry.CommandLine,
                                          RegView::Default, &name)) {
            if (k->View != RegView::Default) {
                entry.View = k->View;
                return entry.View;
            }
        }
        TRegKey key;
        entry.View = RegView::Native;
        if (key.Open(RegRoot::LocalMachine, LocationKey(entry.Location), RegAccess::Read,
                     RegView::Wow32)) {
            for (const std::string& valueName : key.ValueNames()) {
                RegValue v;
                if (key.ReadValue(valueName, v) && IsText(v.Type) && v.Text == entry.CommandLine) {
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
        if (ClearWindowsMark(at.Location, at.View, at.RegistryName()))
            return true;
        Fail(entry, "Windows' Startup settings still turn it off (their mark could not be changed)",
             true);
        return false;
    }

    // The name of the value a place stands for. A place that knows only its
    // title (from a profile written before value names were kept) is the
    // default value when the title names none, the default value holds the
    // command line, or its record says so.
    std::string ValueNameOf(const TRegKey& key, const TStartup& entry, const TStartupPlace& at) {
        if (at.ValueName)
            return *at.ValueName;
        RegValue v;
        if (key.ReadValue(at.Title, v))
            return at.Title;
        if (key.ReadValue(std::string(), v) && IsText(v.Type) && v.Text == entry.CommandLine)
            return std::string();
        for (const KeptValue& k : kept_)
            if (k.Code == at.Location && k.CommandLine == entry.CommandLine &&
                SameView(k.View, at.View) && k.Title == at.Title)
                return k.Name;
        return at.Title;
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
            if (!readable.Open(root, path, RegAccess::Read, view)) {
                if (entry.Enabled)
                    Fail(entry, "the key " + RootName(at.Location) + path +
                                    " does not exist (Morvane never creates keys)");
                return true;
            }
            const std::string name = ValueNameOf(readable, entry, at);
            RegValue v;
            const bool present = readable.ReadValue(name, v);
            if (entry.Enabled && !(present && IsText(v.Type) && v.Text == entry.CommandLine))
                Fail(entry, kRefused, true);
            else if (!entry.Enabled && present)
                Fail(entry, kRefused, true);
            return !entry.Enabled || ClearMark(entry, at);
        }

        const std::string name = ValueNameOf(key, entry, at);
        TStartupPlace named = at;
        named.ValueName = name;
        RegValue current;
        const bool present = key.ReadValue(name, current);
        if (entry.Enabled) {
            // A value that already holds the command line stays as it is, with
            // its own type.
            if (present && IsText(current.Type) && current.Text == entry.CommandLine) {
                Forget(at.Location, view, entry.CommandLine, name);
                return ClearMark(entry, named);
            }
            uint32_t type = NamesVariable(entry.CommandLine) ? regExpandSz : regSz;
            if (const KeptValue* k = FindKept(kept_, at.Location, entry.CommandLine, view, &name))
                type = k->Type;
            try {
                key.WriteText(name, entry.CommandLine, type);
                Forget(at.Location, view, entry.CommandLine, name);
            } catch (const ERegistryError& e) {
                Fail(entry, e.what());
                return true;
            }
            return ClearMark(entry, named);
        }

        if (!present)
            return true;
        // Only a value whose record was kept is deleted (see KeepRecords).
        const KeptValue* record = FindKept(kept_, at.Location, entry.CommandLine, view, &name);
        if (!IsText(current.Type) || current.Text != entry.CommandLine || !record ||
            record->Name != name)
            return true;
        if (!key.DeleteValue(name))
            Fail(entry, "the value could not be deleted", true);
        return true;
    }

    void Forget(int code, RegView view, const std::string& commandLine, const std::string& name) {
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (it->Code == code && it->CommandLine == commandLine && SameView(it->View, view) &&
                it->Name == name) {
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
        const std::string problem = FileNameProblem(at.Title);
        if (!problem.empty()) {
            Fail(entry, problem);
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
            // Its copy was kept and checked first (KeepRecords); a shortcut of
            // another command line is left alone.
            if (!SameShortcutCommand(ShortcutCommandLine(file, owner), entry.CommandLine))
                return true;
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
            if (CopyVerified(kept, file)) {
                DeleteFileAt(kept);
                return ClearMark(entry, at);
            }
        }
        std::string target;
        std::string arguments;
        SplitShortcutCommand(entry.CommandLine, target, arguments);
        if (target.empty()) {
            // A cut or damaged command line: a shortcut to nothing would be
            // worse than none, and what is kept of it stays.
            Fail(entry, "its command line names no program file, so no shortcut was made");
            return true;
        }
        link.ShortcutFile = file;
        link.Target = target;
        link.Arguments = arguments;
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
    const std::set<const TStartup*> unstored_;
    std::set<const TStartup*> blocked_;
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

bool SameTitle(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// --- A store that cannot be read ------------------------------------------------

const char* const kEntryKeys[] = {"title", "fullpath", "location", "rating", "enabled"};

// A store reads back as Morvane writes it: "General" first, then the
// sections 0 to ProgramCount - 1 in order, each once and with its keys, and
// nothing else. Anything else (garbage, a cut file, a section placed before
// a real one, a second "General", a count its sections do not match) is
// damaged: reading it would list the wrong entries or none, and writing over
// it would lose for good what it still holds.
bool StoreIsSound(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return false;
    if (bytes.empty())
        return true;
    TProfileData data;
    if (!data.Load(path))
        return false;
    const auto& sections = data.Sections();
    if (data.StrayLines() != 0 || sections.empty() || data.SectionCount("General") != 1 ||
        !SameTitle(sections.front().Name, "General"))
        return false;
    int count = 0;
    const std::string* countText = data.Find("General", "ProgramCount");
    if (!countText || !ParseIniInteger(*countText, count) || count < 0 ||
        static_cast<size_t>(count) != sections.size() - 1)
        return false;
    for (int i = 0; i < count; ++i) {
        const std::string name = std::to_string(i);
        if (sections[static_cast<size_t>(i) + 1].Name != name || data.SectionCount(name) != 1)
            return false;
        for (const char* key : kEntryKeys)
            if (!data.Find(name, key))
                return false;
    }
    return true;
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


bool SamePlace(const TStartupPlace& p, int code, RegView view, const std::string& title) {
    return p.Location == code && SameView(p.View, view) && SameTitle(p.Title, title);
}

// Gives an entry the kept places of its command line that it does not name yet.
void AddKeptPlaces(TStartup& entry, const std::vector<KeptValue>& values,
                   const std::vector<KeptCopy>& copies) {
    auto known = [&](int code, RegView view, const std::string& title) {
        if (SamePlace({entry.Location, entry.View, entry.Title, {}}, code, view, title))
            return true;
        for (const TStartupPlace& p : entry.AlsoIn)
            if (SamePlace(p, code, view, title))
                return true;
        return false;
    };
    for (const KeptValue& v : values) {
        if (v.CommandLine != entry.CommandLine || known(v.Code, v.View, v.Title))
            continue;
        TStartupPlace place{static_cast<TStartupLocation>(v.Code), v.View, v.Title, {}};
        if (v.Name != v.Title)
            place.ValueName = v.Name;
        entry.AlsoIn.push_back(place);
    }
    for (const KeptCopy& c : copies)
        if (SameShortcutCommand(c.CommandLine, entry.CommandLine) &&
            !known(c.Code, RegView::Default, c.Title))
            entry.AlsoIn.push_back(
                {static_cast<TStartupLocation>(c.Code), RegView::Default, c.Title, {}});
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

TStartup* AddStored(TStartups& store, const TStartup& e) {
    TStartup* added = store.Add(e.Title, std::string(), e.CommandLine, e.Location, e.Rating);
    if (added) {
        added->SetEnabled(false);
        if (IsRegistryLocation(e.Location))
            added->ValueName = e.ValueName;
    }
    return added;
}

bool SameStored(const TStartup& a, const TStartup& b) {
    return a.Title == b.Title && a.CommandLine == b.CommandLine && a.Location == b.Location &&
           a.Rating == b.Rating && a.Enabled == b.Enabled && a.ValueName == b.ValueName;
}

// `skip`: disabled entries whose disabling could not be applied (they still
// start); `keep`: enabled entries whose enabling could not be applied (they
// still do not start), stored as disabled so that they are not lost.
// `unstored` receives the entries the store cannot hold whole (their text
// would not read back as it is): they are left out, and their disabling
// must not be applied.
void WriteStore(TStartups& startups, void* ownerWindow, const std::set<const TStartup*>& skip,
                const std::set<const TStartup*>& keep,
                std::set<const TStartup*>* unstored = nullptr) {
    const std::string path = DisabledStorePath();
    if (path.empty())
        throw EIniError(FormatMessage1("Unable to write to %s", "Morvane\\disabled.dat"));
    // What a damaged store still holds is never written over.
    if (FileExists(path) && !StoreIsSound(path) && KeepAside(path).empty())
        throw EIniError(FormatMessage1("Unable to write to %s", path));

    TStartups store(ownerWindow);
    std::vector<const TStartup*> sources; // the entry each stored one stands for
    for (int i = 0; i < startups.Count(); ++i) {
        const TStartup* e = startups.Items(i);
        if (e->Enabled ? keep.count(e) == 0 : skip.count(e) != 0)
            continue;
        // Windows keeps its own switch; the entry is still in its place.
        if (e->DisabledByWindows && !e->Enabled)
            continue;
        if (AddStored(store, *e))
            sources.push_back(e);
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
            if (AddStored(store, *e))
                sources.push_back(nullptr);
        }
    } else {
        PruneKept(startups);
    }
    // The store is written beside the old one, read back, and put in its
    // place only when every entry reads back as it was written.
    for (int pass = 0; pass < 3; ++pass) {
        const std::string temporary = UniqueTemporaryName(path);
        try {
            store.SaveToFile(temporary);
        } catch (const EMorvaneError&) {
            DeleteFileAt(temporary);
            throw EIniError(FormatMessage1("Unable to write to %s", path));
        }
        TStartups back(ownerWindow);
        back.LoadFromFile(temporary);
        std::vector<int> wrong;
        for (int i = 0; i < store.Count(); ++i) {
            const TStartup* b = back.FindCommandLine(store.Items(i)->CommandLine);
            if (!b || !SameStored(*b, *store.Items(i)))
                wrong.push_back(i);
        }
        if (wrong.empty() && back.Count() == store.Count() && StoreIsSound(temporary)) {
            if (ReplaceFileWith(path, temporary))
                return;
            DeleteFileAt(temporary);
            throw EIniError(FormatMessage1("Unable to write to %s", path));
        }
        DeleteFileAt(temporary);
        if (wrong.empty())
            break;
        for (auto it = wrong.rbegin(); it != wrong.rend(); ++it) {
            const size_t at = static_cast<size_t>(*it);
            if (sources[at] && unstored)
                unstored->insert(sources[at]);
            store.Delete(*it);
            sources.erase(sources.begin() + *it);
        }
    }
    throw EIniError(FormatMessage1("Unable to write to %s", path));
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

std::string SystemLockPath() {
    const std::string data = DataFolder();
    return data.empty() ? std::string() : PathJoin(data, "disabled.dat.lock");
}

void TakeSystemLock(TSystemLock& lock, int timeoutMs) {
    if (!lock.Acquire(timeoutMs))
        throw EMorvaneError("Another Morvane is changing the startup entries; waited " +
                            std::to_string(timeoutMs / 1000) +
                            " seconds for it to finish. Try again when it is done.");
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
        const std::string& name = e->RegistryName();
        const KeptValue* k = FindKept(kept, e->Location, commandLine, RegView::Default, &name);
        TStartup* added = AddDisabled(startups, e->Title, commandLine, e->Location, e->Rating,
                                      k ? k->View : RegView::Default);
        if (added && IsRegistryLocation(e->Location)) {
            added->ValueName = e->ValueName;
            if (!added->ValueName && k && k->Name != e->Title)
                added->ValueName = k->Name;
        }
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
                            v.Code == slLMServices || v.Code == slLMServiceOnce ? 4 : 0, v.View)) {
            if (v.Name != added->Title)
                added->ValueName = v.Name;
            AddKeptPlaces(*added, kept, copies);
        }
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
    std::set<const TStartup*> unstored;
    WriteStore(startups, ownerWindow, {}, {}, &unstored);
    TApplyReport report;
    Applier(startups, report, unstored).Run();
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
