#include "startupTasks.h"

#include "startupRatings.h"
#include "startupSignIn.h"
#include "startupStore.h"
#include "system/Errors.h"
#include "system/Files.h"

namespace {

void Hold(TSystemLock& lock) {
    if (!lock.Held())
        TakeSystemLock(lock);
}

} // namespace

void TakeSystemLock(TSystemLock& lock, int timeoutMs) {
    if (!lock.Acquire(timeoutMs))
        throw EMorvaneError("Another Morvane is changing the startup entries; waited " +
                            std::to_string(timeoutMs / 1000) +
                            " seconds for it to finish. Try again when it is done.");
}

TRefreshReport RefreshStartups(TStartups& startups, TSystemLock& lock) {
    TRefreshReport report;
    startups.Clear();
    try {
        startups.Refresh();
    } catch (const std::exception& e) {
        report.ScanError = e.what();
    }
    try {
        Hold(lock);
        RestoreDisabledStore(startups);
    } catch (const std::exception& e) {
        report.StoreError = e.what();
    }
    RateFromCatalogue(startups);
    return report;
}

TApplyReport ApplyStartups(TStartups& startups, TSystemLock& lock) {
    Hold(lock);
    return startups.ApplyChanges();
}

void SaveStartupStore(TStartups& startups, TSystemLock& lock) {
    Hold(lock);
    SaveDisabledStore(startups);
}

const char* const RemoveEnabledRefusal =
    "You need to disable the program from Startup, before you can delete the program.";

std::unique_ptr<TStartup> RemoveStartup(TStartup& entry, TSystemLock& lock) {
    if (entry.Enabled || !entry.Owner)
        return nullptr;
    if (IsSwitchedInPlace(entry.Location)) {
        Hold(lock);
        const std::string failure = ForgetInPlace(entry);
        if (!failure.empty())
            throw EMorvaneError(failure);
        return entry.RemoveFromOwner();
    }
    TStartups& startups = *entry.Owner;
    // Out of the collection first: should the store not be written now, the
    // next write (the window's on close) still leaves the entry out.
    std::unique_ptr<TStartup> removed = entry.RemoveFromOwner();
    Hold(lock);
    SaveDisabledStore(startups);
    return removed;
}

TProfileLoad LoadProfile(TStartups& startups, const std::string& path,
                         const std::function<void()>& beforeReplacing) {
    if (!FileExists(path))
        return TProfileLoad::Missing;
    std::string why;
    if (!IsProfileFile(path, why))
        throw EMorvaneError("\"" + path + "\" is not a Morvane profile: " + why);
    if (beforeReplacing)
        beforeReplacing();
    startups.LoadFromFile(path);
    RateFromCatalogue(startups);
    return TProfileLoad::Loaded;
}
