#pragma once
// The startup locations: their codes, display names, registry keys and
// kinds, the registry views each is read in, and the location tree.

#include "system/Registry.h"

#include <cstdint>
#include <string>
#include <vector>

using TStartupLocation = uint8_t;

enum : TStartupLocation {
    slLMStartupFolder = 0,
    slWinIniRun = 1,
    slWinIniLoad = 2,
    slSystemIni = 3,
    slLMRun = 4,
    slLMRunOnce = 5,
    slLMServices = 6,
    slLMServiceOnce = 7,
    slCURun = 8,
    slCURunOnce = 9,
    slCUStartup = 10,
    // The policy Run lists: values like those of Run.
    slCUPolicyRun = 11,
    slLMPolicyRun = 12,
    // Numbered subkeys of commands, run once at the next sign-in.
    slLMRunOnceEx = 13,
    // A packaged (Store) app's startup task, switched by its State value.
    slPackagedTask = 14,
    // Winlogon's Userinit, Shell and Taskman: listed, never disabled.
    slLMWinlogon = 15,
    slCUWinlogon = 16,
    // An Active Setup component's StubPath, run once per user.
    slActiveSetup = 17,
};

constexpr int LocationCodeCount = 18;
constexpr int LocationGroupCount = 20;
// The codes up to this one are the classic locations, which every Morvane
// reads from a profile; the others go in sections of their own.
constexpr int ClassicLocationCount = 11;

// Display name of a location code; empty for unknown codes.
const char* LocationName(unsigned code);
// The registry key of the value locations (with its leading backslash), and
// of RunOnceEx, Winlogon and Active Setup; empty otherwise.
const char* LocationKey(unsigned code);
// Locations of values that are deleted and kept to disable them (Run and
// its kin, the policy Run lists).
bool IsRegistryLocation(unsigned code);
bool IsFolderLocation(unsigned code);
bool IsMachineWideLocation(unsigned code);
// Locations whose entries are switched in the system itself (a subkey
// moved, a State or IsInstalled value) rather than kept in the store of
// disabled entries; and Winlogon's, which are never switched.
bool IsSwitchedInPlace(unsigned code);
bool CanBeDisabled(unsigned code);
// How the command-line tool's outputs name the kind of a location: "run",
// "runOnce", "service", "startupFolder", "iniFile", "policyRun",
// "runOnceEx", "packagedTask", "winlogon", "activeSetup".
const char* LocationKind(unsigned code);
// The registry views a location is scanned in: the native and the 32-bit
// view for the machine-wide keys on 64-bit Windows (Winlogon: the native
// one alone), else the default one.
std::vector<RegView> ViewsOf(unsigned code);

// The location tree, one row per node: its parent (-1 for a top node), its
// caption, its path name (how the command-line tool names it: lower case,
// "local machine/run"), and the location codes it shows (bit n = code n).
struct TLocationNode {
    int Parent;
    const char* Caption;
    const char* Path;
    uint32_t Codes;
};
extern const TLocationNode LocationTree[LocationGroupCount];
// The node with this path name, letter case ignored; -1 when there is none.
int LocationNodeByPath(const std::string& path);
bool InLocationGroup(unsigned code, int group);

// A location's display name, with " (32-bit)" for the 32-bit registry view
// on 64-bit Windows: how the list, the page and the tool name where an
// entry or another place of it is.
std::string LocationText(unsigned code, RegView view);
