#pragma once
// What Windows starts at sign-in besides the Run keys and the Startup
// folders: the numbered subkeys of RunOnceEx, packaged apps' startup tasks,
// Winlogon's values and Active Setup's components; and the policy switches
// that make Windows skip a Run list. These entries are switched where they
// are (a subkey moved into Morvane's keeping, a State or IsInstalled value),
// never deleted, and none of them goes to the store of disabled entries.

#include "startupUtil.h"

#include <string>
#include <vector>

// Adds the entries of the places switched in place; the scan calls it after
// the classic places, so a command line listed there keeps its entry.
// `skipped` gets a line for each package whose manifest could not be read.
void ScanSignInPlaces(TStartups& startups, std::vector<std::string>& skipped);

// Marks the entries of the lists a policy switch makes Windows skip
// (DisableLocalMachineRun and its kin, under HKLM or HKCU).
void NoteSkippedLists(TStartups& startups);
// The policy switch that makes Windows skip this location's list; empty
// when none is set.
std::string SkippingPolicy(unsigned code);

// The Run lists and the Startup folders: Windows starts their programs at
// sign-in without elevation, so a program whose manifest asks for
// administrator rights does not start from them (the signature check reads
// the manifest, see TFileSignature).
bool StartsOnlyUnelevated(unsigned code);

// Makes the system match one entry switched in place. Empty when it does,
// else why not; `elevation` is set when running elevated would help.
std::string ApplyInPlace(TStartup& entry, bool& elevation);

// Forgets a disabled entry switched in place: the RunOnceEx subkey Morvane
// keeps is deleted. The others stay where Windows keeps them, and cannot be
// forgotten: the answer says why. Empty when done.
std::string ForgetInPlace(const TStartup& entry);

// Winlogon: whether a value holds Windows' own data; writing that data after
// keeping the old (empty when done, else why not), and giving the old back.
bool IsWindowsDefault(const TStartup& entry);
std::string RestoreWindowsDefault(const TStartup& entry, bool& elevation);
std::string UndoWindowsDefault(const TStartup& entry, bool& elevation);
// Whether a restore of this entry's value can be undone (its old data is kept).
bool HasKeptWinlogonValue(const TStartup& entry);

// Active Setup's versions: four comma-separated numbers ("1,0,2,5"; dots are
// read as commas, missing numbers as 0). Negative when a is lower than b.
int CompareSetupVersions(const std::string& a, const std::string& b);
