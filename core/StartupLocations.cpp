#include "StartupLocations.h"

#include "system/AsciiCase.h"

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

std::string LocationText(unsigned code, RegView view) {
    std::string text = LocationName(code);
    if (view == RegView::Wow32)
        text += " (32-bit)";
    return text;
}
