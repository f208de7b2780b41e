#pragma once
// The store of disabled entries ("disabled.dat", a profile file): what the
// write-back and the use cases need of it beyond startupUtil.h.

#include "startupUtil.h"

#include <set>

// Writes the store from the collection's disabled entries. `skip`: disabled
// entries whose disabling could not be applied (they still start); `keep`:
// enabled entries whose enabling could not be applied (they still do not
// start), stored as disabled so that they are not lost. `unstored` receives
// the entries the store cannot hold whole (their text would not read back as
// it is): they are left out, and their disabling must not be applied.
// Raises EIniError when the store cannot be written.
void WriteStore(TStartups& startups, void* ownerWindow, const std::set<const TStartup*>& skip,
                const std::set<const TStartup*>& keep,
                std::set<const TStartup*>* unstored = nullptr);

// The write-back of TStartups::ApplyChanges, leaving alone the disablings
// of `unstored` (reported as failures: nothing of them is deleted).
TApplyReport ApplyLeavingOut(TStartups& startups, const std::set<const TStartup*>& unstored);
