#include "startupSignIn.h"

#include "PackagedApps.h"
#include "core/system/AsciiCase.h"
#include "system/Files.h"
#include "system/Registry.h"

#include "Product.h"

#include <cstdlib>

namespace {

// Morvane's keeping of what it moved or changed, in the view of the place
// it came from (so the two views' keepings stay apart, as their places do).
const char kKeptRoot[] = MORVANE_REGISTRY_KEY "\\Disabled";
const char kPoliciesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const char kUserSetupKey[] = "Software\\Microsoft\\Active Setup\\Installed Components";
const char kUserSetupKey32[] =
    "Software\\Wow6432Node\\Microsoft\\Active Setup\\Installed Components";

std::string Join(const std::string& key, const std::string& name) {
    return key + "\\" + name;
}

std::string KeyOf(unsigned code) {
    std::string key = LocationKey(code);
    return key.empty() ? key : key.substr(1); // without the leading backslash
}

RegRoot RootOf(unsigned code) {
    return IsMachineWideLocation(code) ? RegRoot::LocalMachine : RegRoot::CurrentUser;
}

std::string KeptKeyOf(unsigned code) {
    switch (code) {
    case slLMRunOnceEx:
        return Join(kKeptRoot, "RunOnceEx");
    case slActiveSetup:
        return Join(kKeptRoot, "Active Setup");
    case slLMWinlogon:
    case slCUWinlogon:
        return Join(kKeptRoot, "Winlogon");
    default:
        return std::string();
    }
}

bool IsText(uint32_t type) {
    return type == regSz || type == regExpandSz;
}

bool ReadDword(const TRegKey& key, const std::string& name, uint32_t& value) {
    uint32_t type = regNone;
    std::string data;
    if (!key.ReadRaw(name, type, data) || type != regDword || data.size() != 4)
        return false;
    value = static_cast<unsigned char>(data[0]) | static_cast<unsigned char>(data[1]) << 8 |
            static_cast<unsigned char>(data[2]) << 16 |
            static_cast<uint32_t>(static_cast<unsigned char>(data[3])) << 24;
    return true;
}

std::string DwordData(uint32_t value) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return data;
}

std::string TextValue(const TRegKey& key, const std::string& name) {
    RegValue value;
    return key.ReadValue(name, value) && IsText(value.Type) ? value.Text : std::string();
}

bool OpenForScan(TRegKey& key, RegRoot root, const std::string& path, RegView view) {
    return key.Open(root, path, RegAccess::Read, view);
}

// --- Copying a key whole: the values (type and data exactly, the default
// value too) of a key without subkeys, which is what RunOnceEx holds.

struct KeyCopy {
    std::vector<RegListedValue> Values;
    bool HasSubkeys = false;
};

bool ReadKeyCopy(RegRoot root, const std::string& path, RegView view, KeyCopy& copy) {
    TRegKey key;
    if (!key.Open(root, path, RegAccess::Read, view))
        return false;
    copy.Values.clear();
    for (const RegListedValue& listed : key.Values()) {
        RegListedValue value = listed;
        if (!value.HasData && !key.ReadRaw(value.Name, value.Type, value.Data))
            return false;
        value.HasData = true;
        copy.Values.push_back(std::move(value));
    }
    copy.HasSubkeys = !key.SubkeyNames().empty();
    return true;
}

// Every value of `part` is in `whole`, with its type and data.
bool HoldsAll(const KeyCopy& whole, const KeyCopy& part) {
    for (const RegListedValue& v : part.Values) {
        bool found = false;
        // The registry may list the values of a new key in another order.
        for (const RegListedValue& w : whole.Values)
            if (asciiEqualNoCase(v.Name, w.Name) && v.Type == w.Type && v.Data == w.Data)
                found = true;
        if (!found)
            return false;
    }
    return true;
}

bool SameCopy(const KeyCopy& a, const KeyCopy& b) {
    return a.Values.size() == b.Values.size() && HoldsAll(a, b);
}

// Writes a key's copy to another path and reads it back; the source is
// deleted only once the copy is there whole. A copy left by a move that
// stopped before its end is finished; a key of other values in the way is
// left alone. On a failure the source stays as it was.
std::string MoveKey(RegRoot root, const std::string& from, const std::string& to, RegView view,
                    bool& elevation) {
    KeyCopy source;
    if (!ReadKeyCopy(root, from, view, source))
        return "its key could not be read";
    if (source.HasSubkeys)
        return "its key holds subkeys, which Morvane does not move";
    KeyCopy existing;
    const bool leftOver = ReadKeyCopy(root, to, view, existing);
    if (leftOver && (existing.HasSubkeys || !HoldsAll(source, existing)))
        return "a key of the same name is in the way";
    if (!leftOver && !CreateRegistryKey(root, to, view)) {
        elevation = root == RegRoot::LocalMachine;
        return "access was refused";
    }
    TRegKey target;
    bool written = target.Open(root, to, RegAccess::Full, view);
    for (size_t i = 0; written && i < source.Values.size(); ++i)
        written =
            target.WriteRaw(source.Values[i].Name, source.Values[i].Type, source.Values[i].Data);
    target.Close();
    KeyCopy back;
    if (!written || !ReadKeyCopy(root, to, view, back) || !SameCopy(source, back)) {
        if (!leftOver)
            DeleteRegistryKey(root, to, view);
        return "its copy could not be written whole; nothing was moved";
    }
    if (!DeleteRegistryKey(root, from, view)) {
        elevation = root == RegRoot::LocalMachine;
        return "its key could not be deleted; it stays where it was";
    }
    return std::string();
}

// --- RunOnceEx ------------------------------------------------------------------

// A numbered subkey's entry: its title is the subkey's default value (the
// caption Windows shows while it runs), its command line the first command.
void AddRunOnceEx(TStartups& startups, const TRegKey& key, const std::string& subkey, RegView view,
                  bool enabled) {
    std::string title = TextValue(key, std::string());
    std::string command;
    for (const RegListedValue& value : key.Values()) {
        if (value.Name.empty() || !IsText(value.Type))
            continue;
        const std::string text = key.TextOf(value);
        if (!text.empty()) {
            command = text;
            break;
        }
    }
    if (command.empty())
        return;
    if (title.empty())
        title = "RunOnceEx " + subkey;
    if (TStartup* e = startups.AddPlaced(title, command, slLMRunOnceEx, subkey)) {
        e->View = view;
        e->Enabled = enabled;
    }
}

void ScanRunOnceEx(TStartups& startups) {
    for (RegView view : ViewsOf(slLMRunOnceEx)) {
        for (const bool live : {true, false}) {
            const std::string path = live ? KeyOf(slLMRunOnceEx) : KeptKeyOf(slLMRunOnceEx);
            TRegKey parent;
            if (!OpenForScan(parent, RegRoot::LocalMachine, path, view))
                continue;
            for (const std::string& subkey : parent.SubkeyNames()) {
                if (!live && startups.FindPlaced(slLMRunOnceEx, view, subkey))
                    continue;
                TRegKey key;
                if (OpenForScan(key, RegRoot::LocalMachine, Join(path, subkey), view))
                    AddRunOnceEx(startups, key, subkey, view, live);
            }
        }
    }
}

std::string ApplyRunOnceEx(const TStartup& entry, bool& elevation) {
    const std::string live = Join(KeyOf(slLMRunOnceEx), entry.PlaceKey);
    const std::string kept = Join(KeptKeyOf(slLMRunOnceEx), entry.PlaceKey);
    TRegKey key;
    const bool isLive = key.Open(RegRoot::LocalMachine, live, RegAccess::Read, entry.View);
    const bool isKept = key.Open(RegRoot::LocalMachine, kept, RegAccess::Read, entry.View);
    key.Close();
    if (isLive && isKept) {
        // A move that stopped before its end left the subkey in both places.
        // A move out writes the keeping first, so a keeping that holds no
        // more than the subkey is a copy of it; a move back writes the
        // subkey first, so a subkey that holds less is finished from the
        // keeping. Either way the subkey stays, whole, and the keeping goes.
        KeyCopy inPlace;
        KeyCopy keeping;
        if (!ReadKeyCopy(RegRoot::LocalMachine, live, entry.View, inPlace) ||
            !ReadKeyCopy(RegRoot::LocalMachine, kept, entry.View, keeping) || keeping.HasSubkeys)
            return "its key could not be read";
        if (!HoldsAll(inPlace, keeping)) {
            if (!HoldsAll(keeping, inPlace))
                return "it is both in place and in Morvane's keeping (HKEY_LOCAL_MACHINE\\" + kept +
                       "), with other values";
            TRegKey target;
            bool written = target.Open(RegRoot::LocalMachine, live, RegAccess::Full, entry.View);
            for (size_t i = 0; written && i < keeping.Values.size(); ++i)
                written = target.WriteRaw(keeping.Values[i].Name, keeping.Values[i].Type,
                                          keeping.Values[i].Data);
            if (!written) {
                elevation = true;
                return "its key could not be finished from Morvane's keeping";
            }
        }
        if (!DeleteRegistryKey(RegRoot::LocalMachine, kept, entry.View))
            return "Morvane's keeping of it could not be deleted";
        return entry.Enabled ? std::string() : ApplyRunOnceEx(entry, elevation);
    }
    if (entry.Enabled == isLive)
        return std::string();
    if (entry.Enabled && !isKept)
        return "Morvane's keeping of it (HKEY_LOCAL_MACHINE\\" + kept + ") is gone";
    if (!entry.Enabled && !isLive)
        return std::string();
    return entry.Enabled ? MoveKey(RegRoot::LocalMachine, kept, live, entry.View, elevation)
                         : MoveKey(RegRoot::LocalMachine, live, kept, entry.View, elevation);
}

// --- Packaged apps ---------------------------------------------------------------

enum : uint32_t {
    stateDisabled = 0,
    stateDisabledByUser = 1,
    stateEnabled = 2,
    stateDisabledByPolicy = 3,
    stateEnabledByPolicy = 4,
};

std::string TaskStateKey(const std::string& placeKey) {
    return Join(KeyOf(slPackagedTask), placeKey);
}

// The task's state; the manifest's Enabled when Windows keeps none yet.
uint32_t TaskState(const std::string& placeKey, bool enabledByManifest) {
    TRegKey key;
    uint32_t state = 0;
    if (key.Open(RegRoot::CurrentUser, TaskStateKey(placeKey), RegAccess::Read) &&
        ReadDword(key, "State", state) && state <= stateEnabledByPolicy)
        return state;
    return enabledByManifest ? stateEnabled : stateDisabled;
}

bool StateStarts(uint32_t state) {
    return state == stateEnabled || state == stateEnabledByPolicy;
}

std::string Quoted(const std::string& path) {
    return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
}

void ScanPackagedTasks(TStartups& startups, std::vector<std::string>& damaged) {
    std::vector<std::string> skipped;
    const std::vector<TPackagedTask> tasks =
        InstalledStartupTasks(&skipped, PackageTasksCachePath());
    // A package without its folder is one Windows keeps for later (staged,
    // or being removed): only a manifest that cannot be read is told.
    for (std::string& line : skipped)
        if (line.find(": damaged manifest") != std::string::npos)
            damaged.push_back(std::move(line));
    for (const TPackagedTask& task : tasks) {
        const std::string placeKey = task.FamilyName + "\\" + task.TaskId;
        std::string command = Quoted(task.Executable);
        if (!task.Arguments.empty())
            command += " " + task.Arguments;
        TStartup* e = startups.AddPlaced(task.DisplayName, command, slPackagedTask, placeKey);
        if (!e)
            continue;
        const uint32_t state = TaskState(placeKey, task.EnabledByManifest);
        e->Enabled = StateStarts(state);
        e->SetByOrganisation = state == stateDisabledByPolicy || state == stateEnabledByPolicy;
        e->StartsByDefault = task.EnabledByManifest;
    }
}

std::string ApplyPackagedTask(const TStartup& entry) {
    const uint32_t state = TaskState(entry.PlaceKey, entry.StartsByDefault);
    if (StateStarts(state) == entry.Enabled)
        return std::string();
    if (state == stateDisabledByPolicy || state == stateEnabledByPolicy)
        return "it is set by your organisation";
    // 1, not 0: an app may turn on a task that is merely disabled, but not
    // one the user turned off.
    const uint32_t wanted = entry.Enabled ? stateEnabled : stateDisabledByUser;
    const std::string path = TaskStateKey(entry.PlaceKey);
    TRegKey key;
    if (!key.Open(RegRoot::CurrentUser, path, RegAccess::Full) &&
        !(CreateRegistryKey(RegRoot::CurrentUser, path, RegView::Default) &&
          key.Open(RegRoot::CurrentUser, path, RegAccess::Full)))
        return "its state key could not be written";
    if (!key.WriteRaw("State", regDword, DwordData(wanted)))
        return "its state could not be written";
    return std::string();
}

// --- Winlogon ----------------------------------------------------------------------

const char* const kWinlogonValues[] = {"Userinit", "Shell", "Taskman"};

std::string WindowsFolder() {
    std::string folder = GetEnv("SystemRoot");
    if (folder.empty())
        folder = GetEnv("windir");
    return folder.empty() ? std::string("C:\\Windows") : folder;
}

// Windows' own data of a Winlogon value of the machine; empty for one that
// Windows does not set (Taskman, the per-user Shell).
std::string DefaultWinlogonData(unsigned code, const std::string& name) {
    if (code != slLMWinlogon)
        return std::string();
    if (asciiEqualNoCase(name, "Userinit"))
        return WindowsFolder() + "\\system32\\userinit.exe,";
    if (asciiEqualNoCase(name, "Shell"))
        return "explorer.exe";
    return std::string();
}

bool SameWinlogonData(const std::string& name, std::string data, std::string wanted) {
    auto trimmed = [](std::string s) {
        while (!s.empty() && (s.back() == ' ' || s.back() == ','))
            s.pop_back();
        return s;
    };
    data = trimmed(ExpandEnvironment(data));
    wanted = trimmed(wanted);
    if (asciiEqualNoCase(data, wanted))
        return true;
    // The Windows folder written as %SystemRoot%, or in other letter case,
    // is the same program.
    if (asciiEqualNoCase(name, "Userinit")) {
        const std::string program = "\\system32\\userinit.exe";
        return data.size() >= program.size() &&
               asciiEqualNoCase(data.substr(data.size() - program.size()), program) &&
               asciiEqualNoCase(data.substr(0, data.size() - program.size()), WindowsFolder());
    }
    return false;
}

RegView WinlogonView(unsigned code) {
    return ViewsOf(code).front();
}

void ScanWinlogon(TStartups& startups) {
    for (unsigned code :
         {static_cast<unsigned>(slLMWinlogon), static_cast<unsigned>(slCUWinlogon)}) {
        TRegKey key;
        if (!OpenForScan(key, RootOf(code), KeyOf(code), WinlogonView(code)))
            continue;
        for (const char* name : kWinlogonValues) {
            if (code == slCUWinlogon && !asciiEqualNoCase(name, "Shell"))
                continue;
            const std::string data = TextValue(key, name);
            if (data.empty())
                continue;
            TStartup* e = startups.AddPlaced(name, data, code, name);
            if (!e)
                continue;
            e->View = WinlogonView(code);
            if (!IsWindowsDefault(*e))
                e->Warning = std::string("Not Windows' own ") + name + " (" +
                             (code == slCUWinlogon || asciiEqualNoCase(name, "Taskman")
                                  ? std::string("Windows sets none")
                                  : DefaultWinlogonData(code, name)) +
                             "): a program here starts at every sign-in";
        }
    }
}

std::string KeptWinlogonName(const TStartup& entry) {
    return std::string(entry.Location == slCUWinlogon ? "CU " : "LM ") + entry.PlaceKey;
}

// --- Active Setup -------------------------------------------------------------------

void ScanActiveSetup(TStartups& startups) {
    for (RegView view : ViewsOf(slActiveSetup)) {
        TRegKey parent;
        if (!OpenForScan(parent, RegRoot::LocalMachine, KeyOf(slActiveSetup), view))
            continue;
        const char* userKey = view == RegView::Wow32 ? kUserSetupKey32 : kUserSetupKey;
        for (const std::string& id : parent.SubkeyNames()) {
            TRegKey key;
            if (!OpenForScan(key, RegRoot::LocalMachine, Join(KeyOf(slActiveSetup), id), view))
                continue;
            const std::string stub = TextValue(key, "StubPath");
            if (stub.empty())
                continue;
            std::string title = TextValue(key, std::string());
            if (title.empty())
                title = id;
            TStartup* e = startups.AddPlaced(title, stub, slActiveSetup, id);
            if (!e)
                continue;
            e->View = view;
            uint32_t installed = 1;
            if (ReadDword(key, "IsInstalled", installed))
                e->Enabled = installed != 0;
            TRegKey user;
            if (user.Open(RegRoot::CurrentUser, Join(userKey, id), RegAccess::Read)) {
                const std::string version = TextValue(key, "Version");
                e->AlreadyRan = CompareSetupVersions(TextValue(user, "Version"), version) >= 0;
            }
        }
    }
}

std::string ApplyActiveSetup(const TStartup& entry, bool& elevation) {
    const std::string path = Join(KeyOf(slActiveSetup), entry.PlaceKey);
    const std::string kept = Join(KeptKeyOf(slActiveSetup), entry.PlaceKey);
    TRegKey key;
    if (!key.Open(RegRoot::LocalMachine, path, RegAccess::Read, entry.View))
        return entry.Enabled ? "its component key is gone" : std::string();
    uint32_t installed = 1;
    const bool hasValue = ReadDword(key, "IsInstalled", installed);
    if ((installed != 0) == entry.Enabled)
        return std::string();
    if (!key.Open(RegRoot::LocalMachine, path, RegAccess::Full, entry.View)) {
        elevation = true;
        return "access was refused";
    }
    if (!entry.Enabled) {
        // The old value is kept first: its type and data, or that there was none.
        uint32_t type = regNone;
        std::string data;
        const bool present = key.ReadRaw("IsInstalled", type, data);
        TRegKey keeping;
        if (!CreateRegistryKey(RegRoot::LocalMachine, kept, entry.View) ||
            !keeping.Open(RegRoot::LocalMachine, kept, RegAccess::Full, entry.View) ||
            !(present ? keeping.WriteRaw("IsInstalled", type, data)
                      : keeping.WriteRaw("NoIsInstalled", regDword, DwordData(1))))
            return "its old IsInstalled could not be kept; nothing was changed";
        if (!key.WriteRaw("IsInstalled", regDword, DwordData(0)))
            return "its IsInstalled could not be written";
        return std::string();
    }
    TRegKey keeping;
    const bool isKept = keeping.Open(RegRoot::LocalMachine, kept, RegAccess::Read, entry.View);
    uint32_t type = regNone;
    std::string data;
    bool done;
    if (isKept && keeping.ReadRaw("IsInstalled", type, data))
        done = key.WriteRaw("IsInstalled", type, data);
    else if (isKept && hasValue)
        done = key.DeleteValue("IsInstalled");
    else
        done = key.WriteRaw("IsInstalled", regDword, DwordData(1));
    if (!done)
        return "its IsInstalled could not be written";
    keeping.Close();
    if (isKept && keeping.Open(RegRoot::LocalMachine, kept, RegAccess::Full, entry.View)) {
        keeping.DeleteValue("IsInstalled");
        keeping.DeleteValue("NoIsInstalled");
        keeping.Close();
        DeleteRegistryKey(RegRoot::LocalMachine, kept, entry.View);
    }
    return std::string();
}

// --- Policy switches -------------------------------------------------------------------

const char* SwitchOf(unsigned code) {
    switch (code) {
    case slLMRun:
        return "DisableLocalMachineRun";
    case slLMRunOnce:
        return "DisableLocalMachineRunOnce";
    case slCURun:
        return "DisableCurrentUserRun";
    case slCURunOnce:
        return "DisableCurrentUserRunOnce";
    default:
        return nullptr;
    }
}

} // namespace

int CompareSetupVersions(const std::string& a, const std::string& b) {
    auto parts = [](const std::string& text) {
        unsigned long numbers[4] = {0, 0, 0, 0};
        size_t at = 0;
        for (int i = 0; i < 4 && at < text.size(); ++i) {
            const size_t end = text.find_first_of(",.", at);
            const std::string part =
                text.substr(at, end == std::string::npos ? std::string::npos : end - at);
            numbers[i] = std::strtoul(part.c_str(), nullptr, 10);
            if (end == std::string::npos)
                break;
            at = end + 1;
        }
        return std::vector<unsigned long>(numbers, numbers + 4);
    };
    const std::vector<unsigned long> x = parts(a);
    const std::vector<unsigned long> y = parts(b);
    for (size_t i = 0; i < 4; ++i)
        if (x[i] != y[i])
            return x[i] < y[i] ? -1 : 1;
    return 0;
}

void ScanSignInPlaces(TStartups& startups, std::vector<std::string>& skipped) {
    ScanRunOnceEx(startups);
    ScanPackagedTasks(startups, skipped);
    ScanWinlogon(startups);
    ScanActiveSetup(startups);
}

std::string SkippingPolicy(unsigned code) {
    const char* name = SwitchOf(code);
    if (!name)
        return std::string();
    for (RegRoot root : {RegRoot::LocalMachine, RegRoot::CurrentUser}) {
        TRegKey key;
        uint32_t value = 0;
        if (key.Open(root, kPoliciesKey, RegAccess::Read) && ReadDword(key, name, value) &&
            value != 0)
            return name;
    }
    return std::string();
}

void NoteSkippedLists(TStartups& startups) {
    std::string policies[LocationCodeCount];
    for (unsigned code = 0; code < LocationCodeCount; ++code)
        policies[code] = SkippingPolicy(code);
    for (int i = 0; i < startups.Count(); ++i) {
        TStartup* e = startups.Items(i);
        if (e->Location < LocationCodeCount)
            e->SkippedBy = policies[e->Location];
    }
}

bool StartsOnlyUnelevated(unsigned code) {
    return code != slLMServices && code != slLMServiceOnce &&
           (IsRegistryLocation(code) || IsFolderLocation(code));
}

std::string ApplyInPlace(TStartup& entry, bool& elevation) {
    switch (entry.Location) {
    case slLMRunOnceEx:
        return ApplyRunOnceEx(entry, elevation);
    case slPackagedTask:
        return ApplyPackagedTask(entry);
    case slActiveSetup:
        return ApplyActiveSetup(entry, elevation);
    case slLMWinlogon:
    case slCUWinlogon:
        return entry.Enabled
                   ? std::string()
                   : "Winlogon's values are never disabled: Windows needs them to sign in";
    default:
        return std::string();
    }
}

std::string ForgetInPlace(const TStartup& entry) {
    if (entry.Location != slLMRunOnceEx)
        return "\"" + entry.Title + "\" (" + entry.LocationText() +
               ") stays where Windows keeps it and cannot be forgotten; disable it instead";
    const std::string kept = Join(KeptKeyOf(slLMRunOnceEx), entry.PlaceKey);
    TRegKey key;
    if (!key.Open(RegRoot::LocalMachine, kept, RegAccess::Read, entry.View))
        return std::string();
    KeyCopy copy;
    if (!ReadKeyCopy(RegRoot::LocalMachine, kept, entry.View, copy) || copy.HasSubkeys)
        return "Morvane's keeping of it could not be read";
    if (!key.Open(RegRoot::LocalMachine, kept, RegAccess::Full, entry.View))
        return "access was refused";
    for (const RegListedValue& value : copy.Values)
        key.DeleteValue(value.Name);
    key.Close();
    return DeleteRegistryKey(RegRoot::LocalMachine, kept, entry.View)
               ? std::string()
               : "Morvane's keeping of it could not be deleted";
}

bool IsWindowsDefault(const TStartup& entry) {
    const std::string wanted = DefaultWinlogonData(entry.Location, entry.PlaceKey);
    return !wanted.empty() && SameWinlogonData(entry.PlaceKey, entry.CommandLine, wanted);
}

std::string RestoreWindowsDefault(const TStartup& entry, bool& elevation) {
    if (entry.Location != slLMWinlogon && entry.Location != slCUWinlogon)
        return "only Winlogon's values have a Windows default";
    if (IsWindowsDefault(entry))
        return std::string();
    const RegRoot root = RootOf(entry.Location);
    const RegView view = WinlogonView(entry.Location);
    TRegKey key;
    if (!key.Open(root, KeyOf(entry.Location), RegAccess::Full, view)) {
        elevation = root == RegRoot::LocalMachine;
        return "access was refused";
    }
    uint32_t type = regNone;
    std::string data;
    if (!key.ReadRaw(entry.PlaceKey, type, data))
        return "the value is gone";
    // The old data first, read back, then Windows' own.
    const std::string keptKey = KeptKeyOf(entry.Location);
    TRegKey keeping;
    uint32_t backType = regNone;
    std::string back;
    if (!CreateRegistryKey(root, keptKey, view) ||
        !keeping.Open(root, keptKey, RegAccess::Full, view) ||
        !keeping.WriteRaw(KeptWinlogonName(entry), type, data) ||
        !keeping.ReadRaw(KeptWinlogonName(entry), backType, back) || back != data)
        return "its old data could not be kept; nothing was changed";
    const std::string wanted = DefaultWinlogonData(entry.Location, entry.PlaceKey);
    const bool done = wanted.empty() ? key.DeleteValue(entry.PlaceKey)
                                     : key.WriteRaw(entry.PlaceKey, regSz, wanted + '\0');
    return done ? std::string() : "Windows' default could not be written";
}

bool HasKeptWinlogonValue(const TStartup& entry) {
    TRegKey keeping;
    uint32_t type = regNone;
    std::string data;
    return keeping.Open(RootOf(entry.Location), KeptKeyOf(entry.Location), RegAccess::Read,
                        WinlogonView(entry.Location)) &&
           keeping.ReadRaw(KeptWinlogonName(entry), type, data);
}

std::string UndoWindowsDefault(const TStartup& entry, bool& elevation) {
    const RegRoot root = RootOf(entry.Location);
    const RegView view = WinlogonView(entry.Location);
    TRegKey keeping;
    uint32_t type = regNone;
    std::string data;
    if (!keeping.Open(root, KeptKeyOf(entry.Location), RegAccess::Full, view) ||
        !keeping.ReadRaw(KeptWinlogonName(entry), type, data))
        return "nothing of its old data is kept";
    TRegKey key;
    if (!key.Open(root, KeyOf(entry.Location), RegAccess::Full, view)) {
        elevation = root == RegRoot::LocalMachine;
        return "access was refused";
    }
    if (!key.WriteRaw(entry.PlaceKey, type, data))
        return "its old data could not be written";
    keeping.DeleteValue(KeptWinlogonName(entry));
    return std::string();
}
