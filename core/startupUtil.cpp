#include "startupUtil.h"
#include "core/system/AsciiCase.h"

#include "system/Errors.h"
#include "system/Files.h"

#include <algorithm>
#include <cctype>

namespace {

const char* const kLocationNames[LocationCodeCount] = {
    "LM Startup Folder", "WinIni Run",    "WinIni Load",     "System Ini",     "LM Run",
    "LM Run Once",       "LM Services",   "LM Service Once", "CU Run",         "CU Run Once",
    "CU Startup",        "CU Policy Run", "LM Policy Run",   "LM Run Once Ex", "Packaged App",
    "LM Winlogon",       "CU Winlogon",   "Active Setup",
};

const char* const kLocationKeys[LocationCodeCount] = {
    "",
    "",
    "",
    "",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
    ("\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion"
     "\\AppModel\\SystemAppData"),
    "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    "\\Software\\Microsoft\\Active Setup\\Installed Components",
};

// Blanks and control characters, as the command-line parser trims them.
std::string TrimBlanks(const std::string& s) {
    size_t first = 0;
    size_t last = s.size();
    while (first < last && static_cast<unsigned char>(s[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ')
        --last;
    return s.substr(first, last - first);
}

const std::string kRundll = "RUNDLL32.EXE";

bool ContainsRundll(const std::string& s) {
    return asciiUpper(s).find(kRundll) != std::string::npos;
}

// One pass of the command-line parser; false when it assigns nothing.
bool ParsePass(const std::string& t, std::string& program, std::string& args) {
    if (t[0] == '"' || t[0] == '\'') {
        const size_t k = t.find(t[0], 1);
        if (k == std::string::npos)
            return false;
        program = t.substr(1, k - 1);
        args = t.substr(k + 1);
        return true;
    }
    const size_t rundll = asciiUpper(t).find(kRundll);
    if (rundll != std::string::npos) {
        program = kRundll;
        args = t.substr(rundll + kRundll.size());
        return true;
    }
    const size_t dot = t.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    const size_t blank = t.find(' ', dot);
    const size_t extEnd = blank == std::string::npos ? t.size() : blank;
    program = t.substr(0, extEnd);
    args = extEnd + 1 < t.size() ? t.substr(extEnd + 1) : std::string();
    return true;
}

std::string WithoutExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

} // namespace

const char* LocationName(unsigned code) {
    return code < LocationCodeCount ? kLocationNames[code] : "";
}

const char* LocationKey(unsigned code) {
    return code < LocationCodeCount ? kLocationKeys[code] : "";
}

bool IsRegistryLocation(unsigned code) {
    return (code >= slLMRun && code <= slCURunOnce) || code == slCUPolicyRun ||
           code == slLMPolicyRun;
}

bool IsFolderLocation(unsigned code) {
    return code == slLMStartupFolder || code == slCUStartup;
}

bool IsMachineWideLocation(unsigned code) {
    return code == slLMStartupFolder || (code >= slLMRun && code <= slLMServiceOnce) ||
           code == slLMPolicyRun || code == slLMRunOnceEx || code == slLMWinlogon ||
           code == slActiveSetup;
}

bool IsSwitchedInPlace(unsigned code) {
    return code >= slLMRunOnceEx && code < LocationCodeCount;
}

bool CanBeDisabled(unsigned code) {
    return code != slLMWinlogon && code != slCUWinlogon;
}

const char* LocationKind(unsigned code) {
    switch (code) {
    case slLMRun:
    case slCURun:
        return "run";
    case slLMRunOnce:
    case slCURunOnce:
        return "runOnce";
    case slLMServices:
    case slLMServiceOnce:
        return "service";
    case slLMStartupFolder:
    case slCUStartup:
        return "startupFolder";
    case slWinIniRun:
    case slWinIniLoad:
    case slSystemIni:
        return "iniFile";
    case slCUPolicyRun:
    case slLMPolicyRun:
        return "policyRun";
    case slLMRunOnceEx:
        return "runOnceEx";
    case slPackagedTask:
        return "packagedTask";
    case slLMWinlogon:
    case slCUWinlogon:
        return "winlogon";
    case slActiveSetup:
        return "activeSetup";
    default:
        return "";
    }
}

namespace {
constexpr uint32_t Bit(unsigned code) {
    return 1u << code;
}
constexpr uint32_t kLMRegistry = Bit(slLMRun) | Bit(slLMRunOnce) | Bit(slLMServices) |
                                 Bit(slLMServiceOnce) | Bit(slLMPolicyRun) | Bit(slLMRunOnceEx) |
                                 Bit(slLMWinlogon) | Bit(slActiveSetup);
constexpr uint32_t kCURegistry =
    Bit(slCURun) | Bit(slCURunOnce) | Bit(slCUPolicyRun) | Bit(slCUWinlogon);
constexpr uint32_t kLM = kLMRegistry | Bit(slLMStartupFolder);
constexpr uint32_t kCU = kCURegistry | Bit(slCUStartup) | Bit(slPackagedTask);
} // namespace

// New nodes go after the old ones: a node's index is how the command-line
// tool's --group and the saved selection name it.
const TLocationNode LocationTree[LocationGroupCount] = {
    {-1, "Startup Items", "startup items", kLM | kCU},
    {-1, "Local Machine", "local machine", kLM},
    {1, "Registry", "local machine/registry", kLMRegistry},
    {2, "Run", "local machine/run", Bit(slLMRun)},
    {2, "Run Once", "local machine/run once", Bit(slLMRunOnce)},
    {2, "Service", "local machine/service", Bit(slLMServices)},
    {2, "Service Once", "local machine/service once", Bit(slLMServiceOnce)},
    {1, "Startup Folder", "local machine/startup folder", Bit(slLMStartupFolder)},
    {-1, "Current User", "current user", kCU},
    {8, "Registry", "current user/registry", kCURegistry},
    {9, "Run", "current user/run", Bit(slCURun)},
    {9, "Run Once", "current user/run once", Bit(slCURunOnce)},
    {8, "Startup Folder", "current user/startup folder", Bit(slCUStartup)},
    {2, "Policy Run", "local machine/policy run", Bit(slLMPolicyRun)},
    {2, "Run Once Ex", "local machine/run once ex", Bit(slLMRunOnceEx)},
    {2, "Winlogon", "local machine/winlogon", Bit(slLMWinlogon)},
    {2, "Active Setup", "local machine/active setup", Bit(slActiveSetup)},
    {9, "Policy Run", "current user/policy run", Bit(slCUPolicyRun)},
    {9, "Winlogon", "current user/winlogon", Bit(slCUWinlogon)},
    {8, "Packaged Apps", "current user/packaged apps", Bit(slPackagedTask)},
};

int LocationNodeByPath(const std::string& path) {
    for (int i = 0; i < LocationGroupCount; ++i)
        if (asciiEqualNoCase(path, LocationTree[i].Path))
            return i;
    return -1;
}

bool InLocationGroup(unsigned code, int group) {
    if (code >= LocationCodeCount || group < 0 || group >= LocationGroupCount)
        return false;
    return (LocationTree[group].Codes >> code) & 1u;
}

void ParseCommandLine(const std::string& commandLine, std::string& program, std::string& args) {
    std::string t = commandLine;
    while (!t.empty()) {
        // A pass after a RUNDLL32.EXE pass that finds nothing would see the
        // same text again: stop rather than loop for ever.
        if (!ParsePass(t, program, args)) {
            program = TrimBlanks(program);
            return;
        }
        program = TrimBlanks(program);
        if (asciiUpper(program) != kRundll)
            return;
        t = args;
    }
}

// --- TStartup ---------------------------------------------------------------

void TStartup::SetEnabled(bool value) {
    if (Enabled == value)
        return;
    Enabled = value;
    if (Owner)
        Owner->Modified = true;
}

void TStartup::SetFileName(const std::string& value) {
    if (value == FileName)
        return;
    FileName = value;
    if (Owner)
        Owner->Modified = true;
}

void TStartup::SetCommandLine(const std::string& value) {
    if (value == CommandLine)
        return;
    const std::string before = CommandLine;
    CommandLine = value;
    if (Owner && !placed_)
        Owner->CommandLineChanged(before, value);
    ParseCommandLine(value, FilePath, Arguments);
    if (ContainsRundll(value)) {
        IsRundll = true;
        std::string dll = FilePath;
        std::replace(dll.begin(), dll.end(), ',', ' ');
        ParseCommandLine(dll, FilePath, Arguments);
    } else {
        IsRundll = false;
    }
    if (Owner)
        Owner->Modified = true;
}

void TStartup::SetRating(int value) {
    if (value == Rating)
        return;
    Rating = value;
    if (Owner)
        Owner->Modified = true;
}

void TStartup::SetLocation(TStartupLocation value) {
    Location = value;
}

void TStartup::SetTitle(const std::string& value) {
    Title = value;
}

std::unique_ptr<TStartup> TStartup::RemoveFromOwner() {
    if (!Owner)
        return nullptr;
    TStartups* owner = Owner;
    std::unique_ptr<TStartup> self = owner->Delete(owner->IndexOf(this));
    return self;
}

std::string TStartup::LocationText() const {
    std::string text = LocationName(Location);
    if (View == RegView::Wow32)
        text += " (32-bit)";
    return text;
}

std::string TStartupPlace::Text() const {
    std::string text = LocationName(Location);
    if (View == RegView::Wow32)
        text += " (32-bit)";
    return text;
}

std::string TStartup::DisabledReason() const {
    if (!DisabledByWindows || Enabled)
        return std::string();
    return "Turned off in Windows' Startup settings (Task Manager, Settings > Apps > Startup)";
}

std::string TStartup::CommentText() const {
    return Comment.empty() ? DisabledReason() : Comment;
}

namespace {

// "CU Run", "CU Run and LM Run", "CU Run, CU Run Once and LM Run".
std::string NameList(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

} // namespace

std::string TStartup::AlsoInText() const {
    std::vector<std::string> on;
    std::vector<std::string> off;
    for (const TStartupPlace& place : AlsoIn) {
        std::vector<std::string>& names = place.KeptOff ? off : on;
        const std::string name = place.Text();
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    std::string text;
    if (!on.empty())
        text = "also in " + NameList(on);
    if (!off.empty())
        text += (text.empty() ? "" : "; ") + std::string("kept disabled in ") + NameList(off);
    return text;
}

std::string TStartup::WindowsNote() const {
    std::vector<std::string> notes;
    if (Location == slLMServices || Location == slLMServiceOnce)
        notes.push_back("Windows NT and later do not start it");
    if (!SkippedBy.empty())
        notes.push_back("Windows skips this list at sign-in: the policy " + SkippedBy + " is set");
    if (BlockedAtSignIn)
        notes.push_back("Windows does not start this at sign-in: it asks for administrator rights");
    if (SetByOrganisation)
        notes.push_back("Set by your organisation");
    if (Location == slLMRunOnceEx)
        notes.push_back("It runs once at the next sign-in, and then Windows removes it");
    if (Location == slActiveSetup)
        notes.push_back(AlreadyRan
                            ? "It runs once for each user, and has already run for you"
                            : "It runs once for each user, and will run at your next sign-in");
    if (!Warning.empty())
        notes.push_back(Warning);
    std::string text;
    for (const std::string& note : notes)
        text += (text.empty() ? "" : "; ") + note;
    return text;
}

std::string TStartup::LocatedFile() const {
    return FindOnPath(FilePath);
}

bool TStartup::FileMissing() const {
    return !ProgramFileExists(LocatedFile());
}

// --- TObjectsList -------------------------------------------------------------

template <class T> std::unique_ptr<T> TObjectsList<T>::Delete(int i) {
    if (i < 0 || i >= Count())
        throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    std::unique_ptr<T> item = std::move(items_[static_cast<size_t>(i)]);
    items_.erase(items_.begin() + i);
    return item;
}

template <class T> int TObjectsList<T>::IndexOf(const T* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

template class TObjectsList<TStartup>;

// --- TStartups ----------------------------------------------------------------

TStartups::TStartups(void* ownerWindow) : owner_(ownerWindow) {}

TStartups::~TStartups() = default;

TStartup* TStartups::Add(const std::string& title, const std::string& fileName,
                         const std::string& commandLine, int location, int rating) {
    // A hash of the command lines keeps this linear in the number of entries
    // while giving the same answer as comparing with every entry in turn.
    if (commandLines_.count(commandLine) != 0)
        return nullptr;
    if (commandLine.empty())
        return nullptr;

    std::unique_ptr<TStartup> entry(new TStartup());
    TStartup* e = entry.get();
    e->Owner = this;
    e->SetEnabled(true);
    e->SetCommandLine(commandLine);
    if (!fileName.empty()) {
        e->SetFileName(fileName);
    } else {
        const size_t cut = e->CommandLine.find_last_of("\\:");
        e->SetFileName(cut == std::string::npos ? e->CommandLine : e->CommandLine.substr(cut + 1));
    }
    e->SetTitle(!title.empty() ? title : WithoutExtension(e->FileName));
    e->SetLocation(static_cast<TStartupLocation>(location & 0xFF));
    e->SetRating(rating);
    list_.Add(std::move(entry));
    return e;
}

TStartup* TStartups::AddPlaced(const std::string& title, const std::string& commandLine,
                               int location, const std::string& placeKey) {
    if (commandLine.empty())
        return nullptr;
    std::unique_ptr<TStartup> entry(new TStartup());
    TStartup* e = entry.get();
    // Its command line is not among those Add compares: it is the place
    // that names the entry.
    e->SetEnabled(true);
    e->SetCommandLine(commandLine);
    const size_t cut = commandLine.find_last_of("\\:");
    e->SetFileName(cut == std::string::npos ? commandLine : commandLine.substr(cut + 1));
    e->SetTitle(!title.empty() ? title : WithoutExtension(e->FileName));
    e->SetLocation(static_cast<TStartupLocation>(location & 0xFF));
    e->PlaceKey = placeKey;
    e->placed_ = true;
    e->Owner = this;
    list_.Add(std::move(entry));
    Modified = true;
    return e;
}

TStartup* TStartups::FindPlaced(int location, RegView view, const std::string& placeKey) const {
    for (int i = 0; i < Count(); ++i) {
        TStartup* e = Items(i);
        // Registry keys are named without regard to case.
        if (e->Location == location && asciiEqualNoCase(e->PlaceKey, placeKey) &&
            (view == RegView::Default || e->View == RegView::Default || e->View == view))
            return e;
    }
    return nullptr;
}

std::unique_ptr<TStartup> TStartups::Delete(int index) {
    std::unique_ptr<TStartup> entry = list_.Delete(index);
    if (!entry->placed_)
        CommandLineChanged(entry->CommandLine, std::string());
    entry->Owner = nullptr;
    return entry;
}

std::string TStartups::NoticeText() const {
    std::string text;
    for (const std::string& notice : Notices)
        text += (text.empty() ? "" : "\n\n") + notice;
    return text;
}

void TStartups::Clear() {
    list_.Clear();
    commandLines_.clear();
    StoreMerged = false;
}

TStartup* TStartups::FindCommandLine(const std::string& commandLine) const {
    if (commandLines_.count(commandLine) == 0)
        return nullptr;
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->CommandLine == commandLine)
            return Items(i);
    return nullptr;
}

void TStartups::CommandLineChanged(const std::string& before, const std::string& after) {
    if (!before.empty()) {
        auto it = commandLines_.find(before);
        if (it != commandLines_.end() && --it->second == 0)
            commandLines_.erase(it);
    }
    if (!after.empty())
        ++commandLines_[after];
}

// --- Program file of an entry ---------------------------------------------------

std::string ExtractProgramFile(const std::string& commandLine) {
    if (commandLine.empty())
        return std::string();
    if (commandLine[0] == '"') {
        const size_t k = commandLine.find('"', 1);
        return k == std::string::npos ? std::string() : commandLine.substr(1, k - 1);
    }
    const size_t dot = commandLine.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return std::string();
    const size_t blank = commandLine.find(' ', dot);
    return commandLine.substr(0, blank == std::string::npos ? commandLine.size() : blank);
}

std::string ExtractProgramArguments(const std::string& commandLine) {
    if (commandLine.empty())
        return std::string();
    if (commandLine[0] == '"') {
        const size_t k = commandLine.find('"', 1);
        return k == std::string::npos ? std::string() : commandLine.substr(k + 1);
    }
    const size_t dot = commandLine.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return std::string();
    const size_t blank = commandLine.find(' ', dot);
    return blank == std::string::npos ? std::string() : commandLine.substr(blank + 1);
}

namespace {

// What the profile functions give back for a written value: blanks around it
// dropped, then the quotes of a value in matching quotes.
std::string AsReadFromProfile(const std::string& value) {
    size_t first = 0;
    size_t last = value.size();
    while (first < last && (value[first] == ' ' || value[first] == '\t'))
        ++first;
    while (last > first && (value[last - 1] == ' ' || value[last - 1] == '\t'))
        --last;
    if (last - first >= 2 && (value[first] == '"' || value[first] == '\'') &&
        value[last - 1] == value[first]) {
        ++first;
        --last;
    }
    return value.substr(first, last - first);
}

} // namespace

bool SameShortcutCommand(const std::string& a, const std::string& b) {
    return a == b || AsReadFromProfile(a) == AsReadFromProfile(b);
}
