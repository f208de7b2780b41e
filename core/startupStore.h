#pragma once
// The store of disabled entries ("disabled.dat", a profile file): written
// from the collection before and after every apply, checked before it is
// written over, kept aside when damaged, and merged into a fresh scan.

#include "StartupList.h"

#include <set>

// Writes the store from the collection's disabled entries. `skip`: disabled
// entries whose disabling could not be applied (they still start); `keep`:
// enabled entries whose enabling could not be applied (they still do not
// start), stored as disabled so that they are not lost. `unstored` receives
// the entries the store cannot hold whole (their text would not read back as
// it is): they are left out, and their disabling must not be applied.
// Raises EIniError when the store cannot be written.
void WriteStore(TStartups& startups, const std::set<const TStartup*>& skip,
                const std::set<const TStartup*>& keep,
                std::set<const TStartup*>* unstored = nullptr);

// Writes the store as the collection has it (WriteStore with nothing
// skipped or kept).
void SaveDisabledStore(TStartups& startups);

// Merges the store of disabled entries into a fresh scan, with what is kept
// of each disabled entry (a refresh step: see RefreshStartups).
void RestoreDisabledStore(TStartups& startups);

// Where a store that cannot be read is kept aside: the store's path followed
// by ".damaged-" and the local date and time (YYYYMMDD-HHMMSS).
std::string DamagedStorePath(const std::string& storePath);
// Moves a damaged file of the data folder out of the way, to
// DamagedStorePath (with "-2", "-3"... when that is taken); the name it went
// to, or empty when it could not be moved (then it must not be written over).
std::string KeepAside(const std::string& path);
