#pragma once
// What the user does with the startup entries, written once for the window,
// the command-line tool and the tests, with one error policy: refresh with
// the store merged, apply with the store, write the store, remove an entry,
// load a profile. They report what happened; the window and the tool word it
// for their users.
//
// One Morvane at a time changes the system. A use case that reads or writes
// the store takes the lock it is given unless it is held already: the window
// passes a fresh lock for each step, the command-line tool one lock for the
// whole command, so that what another Morvane changes in between is neither
// missed nor written over.

#include "startupUtil.h"
#include "system/Lock.h"

#include <functional>
#include <memory>
#include <string>

// Takes the lock; raises EMorvaneError with a clear message when another
// process held it for the whole time-out.
void TakeSystemLock(TSystemLock& lock, int timeoutMs = 10000);

struct TRefreshReport {
    // The scan stopped on this error. What it found before is listed and the
    // store is merged all the same: without the merge, the next write of the
    // store (at the latest on close) would forget every disabled entry.
    std::string ScanError;
    // The store could not be merged (the lock was not had, or the store could
    // not be read). The list shows what the scan found, and StoreMerged stays
    // false, so that the next store write keeps what it does not know of.
    std::string StoreError;

    bool Ok() const { return ScanError.empty() && StoreError.empty(); }
};

// Clears the collection, scans the system and merges the store of disabled
// entries. Passed-over values and a damaged store are in startups.Notices.
TRefreshReport RefreshStartups(TStartups& startups, TSystemLock& lock);

// Takes the lock, then TStartups::ApplyChanges: the store is written, the
// system made to match, and the store written again without the disablings
// that could not be applied.
TApplyReport ApplyStartups(TStartups& startups, TSystemLock& lock);

// Writes the store of disabled entries as the collection has them.
void SaveStartupStore(TStartups& startups, TSystemLock& lock);

// What the user is told when removing an entry that is still enabled.
extern const char* const RemoveEnabledRefusal;

// An enabled entry is not removed: it would go on starting with nothing
// left in the list to turn it off. A disabled one is taken out of the
// collection and the store is written without it, so that it stays
// forgotten, with what was kept of it. Returns the entry, which the caller
// frees once nothing refers to it, or null (nothing changed) when it is
// enabled.
std::unique_ptr<TStartup> RemoveStartup(TStartup& entry, TSystemLock& lock);

enum class TProfileLoad { Loaded, Missing };
// Replaces the collection with a profile's entries. A missing file changes
// nothing. A file that is no profile raises EMorvaneError and changes
// nothing: loading it would empty the list. `beforeReplacing` runs once the
// file has been found sound, before any entry of the collection is freed.
TProfileLoad LoadProfile(TStartups& startups, const std::string& path,
                         const std::function<void()>& beforeReplacing = {});
