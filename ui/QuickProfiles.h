#pragma once
// The four quick profile slots: where their files are, and the profiles an
// earlier Morvane left in a folder of the documents that nothing read.

#include <string>

// "%APPDATA%\Morvane\quick profiles": the folder of the quick profiles.
std::string QuickProfileFolder();
// Quick profile N (1 to 4): "profileN.mvp" in QuickProfileFolder().
std::string QuickProfilePath(int slot);

// "Documents\Morvane\Quick Profiles", which earlier versions created at
// every start and never used.
std::string StrayQuickProfileFolder();
// Moves the profile files (".mvp") of `from` into `to`, never over a file
// that is there already (that one stays in `from`), then removes `from` when
// it is left empty. Returns how many files were moved; a folder that does
// not exist moves nothing and is not created.
int MoveQuickProfiles(const std::string& from, const std::string& to);
