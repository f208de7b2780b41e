// Writing the collection back to the system: each entry's value or shortcut
// is deleted or written so that the system matches the list, keeping first
// what is needed to give a disabled entry back (see startupKept.h).

#include "StartupApply.h"

#include "CommandLine.h"
#include "ShortcutLink.h"
#include "StartupPaths.h"
#include "startupStore.h"
#include "StartupApproved.h"
#include "startupKept.h"
#include "startupSignIn.h"
#include "system/AsciiCase.h"
#include "system/Errors.h"
#include "system/Files.h"
#include "system/Folders.h"
#include "system/TextCodec.h"

#include <set>
#include <utility>

namespace {

// Names Windows gives to devices in every folder: a shortcut so named would
// open the device, not a file. Matched without regard to case, with or
// without an extension.
bool IsDeviceName(const std::string& title) {
    std::string base = title.substr(0, title.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    base = asciiUpper(base);
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

    void ApplyAll() {
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
            if (IsSwitchedInPlace(entry.Location)) {
                bool elevation = false;
                const std::string failure = ApplyInPlace(entry, elevation);
                if (!failure.empty())
                    Fail(entry, failure, elevation);
                continue;
            }
            bool marksCleared = true;
            if (IsRegistryLocation(entry.Location)) {
                const RegView view = SettleView(entry);
                TStartupPlace main{entry.Location, view, entry.Title, entry.ValueName};
                marksCleared &= ApplyValue(entry, main, true);
            } else if (IsFolderLocation(entry.Location)) {
                marksCleared &= ApplyShortcut(entry, {entry.Location, entry.View, entry.Title, {}});
            }
            // Every place of the program follows the entry, but for one the
            // user turned off while another registration starts it.
            for (const TStartupPlace& place : entry.AlsoIn) {
                if (entry.Enabled && place.KeptOff)
                    continue;
                if (IsRegistryLocation(place.Location))
                    marksCleared &= ApplyValue(entry, place, false);
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
            if (at.ValueName || !key.ReadValue(std::string(), current) || !IsText(current.Type) ||
                current.Text != entry.CommandLine)
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
        // The bytes after an embedded NUL, or a missing ending NUL, are the
        // value's too: its data is kept whole when it is more than the text.
        const std::string data =
            current.Data == entry.CommandLine + std::string(1, '\0') ? std::string() : current.Data;
        kept_.push_back(
            {at.Location, at.View, current.Type, at.Title, entry.CommandLine, name, data});
        keptChanged_ = true;
        fresh.emplace_back(&entry, kept_.size() - 1);
    }

    void KeepShortcutCopy(const TStartup& entry, const TStartupPlace& at) {
        TShortcutLink link;
        const std::string folder = at.Location == slLMStartupFolder ? link.GetCommonStartupFolder()
                                                                    : link.GetUserStartupFolder();
        if (folder.empty() || !FileNameProblem(at.Title).empty())
            return;
        const std::string file = PathJoin(folder, at.Title + ".lnk");
        if (!FileExists(file))
            return;
        if (!SameShortcutCommand(ReadShortcutCommandLine(file), entry.CommandLine)) {
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
        if (const KeptValue* k =
                FindKept(kept_, entry.Location, entry.CommandLine, RegView::Default, &name)) {
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
    // be cleared. `main`: the place is the entry's own, whose type the scan
    // or the store may know.
    bool ApplyValue(TStartup& entry, const TStartupPlace& at, bool main) {
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
            // The type is the record's, else the one the scan or the store
            // found; only an entry whose type nothing knows (a profile's)
            // gets the type its text asks for.
            const KeptValue* k = FindKept(kept_, at.Location, entry.CommandLine, view, &name);
            uint32_t type = NamesVariable(entry.CommandLine) ? regExpandSz : regSz;
            if (k)
                type = k->Type;
            else if (main && IsText(entry.ValueType))
                type = entry.ValueType;
            const std::string data = k && !k->Data.empty() ? k->Data : entry.CommandLine + '\0';
            if (!key.WriteRaw(name, type, data)) {
                Fail(entry, FormatMessage1("Failed to set data for '%s'", name));
                return true;
            }
            Forget(at.Location, view, entry.CommandLine, name);
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
        TShortcutLink link;
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
            if (!SameShortcutCommand(ReadShortcutCommandLine(file), entry.CommandLine))
                return true;
            if (!DeleteFileAt(file))
                Fail(entry, "the shortcut could not be deleted", machineWide);
            return true;
        }

        if (FileExists(file) &&
            SameShortcutCommand(ReadShortcutCommandLine(file), entry.CommandLine)) {
            if (!kept.empty())
                DeleteFileAt(kept);
            return ClearMark(entry, at);
        }
        // Give back the user's own shortcut, with its working folder, icon,
        // description, hot key and show command, when one was kept. A store
        // gives a shortcut without arguments back as the bare path, which
        // SameShortcutCommand allows for.
        if (!kept.empty() && FileExists(kept) &&
            SameShortcutCommand(ReadShortcutCommandLine(kept), entry.CommandLine)) {
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

} // namespace

TApplyReport TStartups::ApplyChanges() {
    std::set<const TStartup*> unstored;
    WriteStore(*this, {}, {}, &unstored);
    TApplyReport report = ApplyLeavingOut(*this, unstored);
    std::set<const TStartup*> stillStarting;
    std::set<const TStartup*> stillOff;
    for (const auto& failure : report.Failures)
        (failure.Disabling ? stillStarting : stillOff).insert(failure.Entry);
    if (!report.Failures.empty())
        WriteStore(*this, stillStarting, stillOff);
    return report;
}

TApplyReport ApplyLeavingOut(TStartups& startups, const std::set<const TStartup*>& unstored) {
    TApplyReport report;
    Applier(startups, report, unstored).ApplyAll();
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
    return text;
}
