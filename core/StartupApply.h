#pragma once
// Writing the collection back to the system: what TStartups::ApplyChanges
// does between its two writes of the store, and what it reports.

#include <set>
#include <string>
#include <vector>

class TStartup;
class TStartups;

// What an apply could not do, one line per entry, and whether running
// elevated would help.
struct TApplyReport {
    struct Failure {
        const TStartup* Entry;
        std::string Title;
        std::string Location;
        bool Disabling; // the entry was to be removed from the system
        std::string Reason;
    };
    std::vector<Failure> Failures;
    bool NeedsElevation = false;

    bool Ok() const { return Failures.empty(); }
    // One message that names every entry, for a box or standard error; what
    // to do about NeedsElevation is for the window or the tool to say.
    std::string Message() const;
};

// Makes the system match the collection, leaving alone the disablings of
// `unstored` (disabled entries the store could not hold whole: reported as
// failures, nothing of them is deleted). Entries that already match are
// left untouched.
TApplyReport ApplyLeavingOut(TStartups& startups, const std::set<const TStartup*>& unstored);
