#include "startupRatings.h"

#include "catalogue/ProgramMatch.h"
#include "startupSignatures.h"
#include "startupUtil.h"
#include "startupWatch.h"
#include "system/AsciiCase.h"
#include "system/Files.h"

std::string CatalogueSourceText(const TCatalogue& catalogue) {
    return "Morvane's list, version " + std::to_string(catalogue.Version());
}

namespace {

// Morvane's own watcher, started by its per-user Run value: Morvane knows
// what it is, and no list or server is asked about it.
bool IsMorvanesWatcher(const TStartup& entry) {
    return entry.Location == slCURun && entry.RegistryName() == WatcherRunValueName &&
           asciiEqualNoCase(std::string(PathFileName(entry.FilePath)), "Morvane.exe");
}

} // namespace

void RateFromCatalogue(TStartup& entry, const TCatalogue& catalogue) {
    if (IsMorvanesWatcher(entry)) {
        entry.Verdict.Source = "Morvane itself";
        entry.SetRating(3);
        const std::string comment =
            "Morvane's watcher: it tells you when a program adds itself to start with Windows. "
            "Turn it off in Morvane's options.";
        entry.SetComment(comment);
        entry.SetDetailComment(comment);
        return;
    }
    const TProgramMatch match =
        MatchProgram(catalogue, entry.Title, ExpandEnvironment(entry.CommandLine),
                     ExpandEnvironment(entry.FilePath));
    TProgramVerdict& verdict = entry.Verdict;
    verdict.Program = std::string(PathFileName(match.Launch.Program));
    verdict.ScriptHost = match.Launch.ScriptHost ? match.Launch.Host : std::string();
    verdict.LookAlike = match.LookAlike;
    verdict.LookAlikeReason = match.Reason();
    verdict.ExpectedPublisher = match.Known() ? match.Record->Publisher : std::string();
    // What the catalogue does not know keeps what the entry was told before
    // (a server's answer, or a rating a profile or the store brought).
    if (!match.Known())
        return;
    verdict.Source = CatalogueSourceText(catalogue);
    verdict.Publisher = match.LookAlike ? std::string() : match.Record->Publisher;
    verdict.TurnOff = match.LookAlike ? std::string() : match.Record->TurnOff;
    const std::string comment = match.Comment();
    const std::string note = match.HostNote();
    entry.SetRating(match.Rating());
    entry.SetComment(note.empty() ? comment : note + " " + comment);
    entry.SetDetailComment(comment);
    // A signature already checked still speaks against a look-alike.
    if (verdict.Signature.State != TSignatureState::Unchecked)
        ApplySignature(entry, verdict.Signature);
}

void RateFromCatalogue(TStartups& startups, const TCatalogue& catalogue) {
    // What Morvane's own list says is no change of the user's: a refresh
    // that rates its entries must not warn of unapplied changes next time.
    const bool modified = startups.Modified;
    for (int i = 0; i < startups.Count(); ++i)
        RateFromCatalogue(*startups.Items(i), catalogue);
    startups.Modified = modified;
}

void RateFromCatalogue(TStartups& startups) {
    RateFromCatalogue(startups, TCatalogue::Builtin());
}
