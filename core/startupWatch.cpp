#include "startupWatch.h"

#include "ShortcutLink.h"
#include "StartupApproved.h"
#include "startupKept.h"
#include "system/AsciiCase.h"
#include "system/Files.h"
#include "system/Packages.h"
#include "system/LineFields.h"
#include "system/TempName.h"

#include <algorithm>

namespace {

const char kSnapshotHeader[] = "Morvane watch snapshot 1";
const char kListsHeader[] = "Morvane watch lists 1";

// --- The line format both files share ---------------------------------------------

// Lines ended by CR LF, every one of them: a file without its last line
// break was cut while it was written.
bool Lines(const std::string& text, std::vector<std::string>& lines) {
    lines.clear();
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            return false;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return true;
}

bool SmallNumber(const std::string& text, unsigned limit, unsigned& value) {
    if (text.empty() || text.size() > 6 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = static_cast<unsigned>(std::stoul(text));
    return value < limit;
}

std::string PlaceFields(const TWatchItem& item) {
    return std::to_string(item.Location) + "\t" + std::to_string(static_cast<int>(item.View)) +
           "\t" + EscapeField(item.Name);
}

bool ReadPlace(const std::vector<std::string>& f, size_t at, TWatchItem& item) {
    unsigned code = 0, view = 0;
    if (!SmallNumber(f[at], LocationCodeCount, code) || !SmallNumber(f[at + 1], 3, view) ||
        !UnescapeField(f[at + 2], item.Name))
        return false;
    item.Location = static_cast<TStartupLocation>(code);
    item.View = static_cast<RegView>(view);
    return true;
}

// Written beside the old file and moved over it once whole, so that a watcher
// killed while writing leaves the old file as it was.
bool WriteSafely(const std::string& path, const std::string& text) {
    if (path.empty() || !ForceFolders(FileDir(path)))
        return false;
    const std::string temporary = UniqueTemporaryName(path);
    if (WriteWholeFile(temporary, text) && ReplaceFileWith(path, temporary))
        return true;
    DeleteFileAt(temporary);
    return false;
}

// Reads one of the watcher's files. A file that does not read whole is set
// aside and told of; `keep` is set when it could not be moved, so that it is
// never written over. False when there is nothing to trust.
template <class Parse>
bool ReadWatchFile(const std::string& path, const char* what, std::vector<std::string>& notices,
                   bool& keep, Parse parse) {
    keep = false;
    if (path.empty() || !FileExists(path))
        return false;
    std::string text;
    if (ReadWholeFile(path, text) && parse(text))
        return true;
    const std::string aside = KeepAside(path);
    if (aside.empty()) {
        keep = true;
        notices.push_back(std::string("The watcher's ") + what + " \"" + path +
                          "\" cannot be read and could not be moved aside. Morvane leaves it as "
                          "it is and does not write it until it is moved away.");
    } else {
        notices.push_back(std::string("The watcher's ") + what +
                          " could not be read. It was kept as \"" + aside +
                          "\"; the watcher starts a new one.");
    }
    return false;
}

TWatchItem Place(TStartupLocation code, RegView view, const std::string& name) {
    TWatchItem item;
    item.Location = code;
    item.View = view;
    item.Name = name;
    return item;
}

TStartup* FindPlace(TStartups& startups, const TWatchItem& item) {
    for (int i = 0; i < startups.Count(); ++i) {
        TStartup* e = startups.Items(i);
        if (e->CommandLine != item.CommandLine)
            continue;
        if (Place(e->Location, e->View, e->RegistryName()).SamePlace(item))
            return e;
        for (const TStartupPlace& p : e->AlsoIn)
            if (Place(p.Location, p.View, p.RegistryName()).SamePlace(item))
                return e;
    }
    return nullptr;
}

std::string Quoted(const std::string& title) {
    return "\xC2\xAB" + title + "\xC2\xBB";
}

} // namespace

// --- Snapshots ---------------------------------------------------------------------

std::string TWatchItem::PlaceText() const {
    return TStartupPlace{Location, View, Title}.Text();
}

bool TWatchItem::SamePlace(const TWatchItem& other) const {
    return Location == other.Location && SameView(View, other.View) &&
           asciiEqualNoCase(Name, other.Name);
}

const char* const WatcherRunValueName = "Morvane Watcher";

TWatchSnapshot SnapshotOf(const TStartups& scanned) {
    TWatchSnapshot snapshot;
    for (int i = 0; i < scanned.Count(); ++i) {
        const TStartup* e = scanned.Items(i);
        // An entry switched in place is named by its place (a subkey, a task).
        const std::string& name = e->PlaceKey.empty() ? e->RegistryName() : e->PlaceKey;
        snapshot.push_back(
            {e->Location, e->View, name, e->Title, e->CommandLine,
             e->DisabledByWindows || (IsSwitchedInPlace(e->Location) && !e->Enabled)});
        for (const TStartupPlace& p : e->AlsoIn)
            if (!p.KeptOff)
                snapshot.push_back({p.Location, p.View, p.RegistryName(), p.Title, e->CommandLine,
                                    WindowsTurnsOff(p.Location, p.View, p.Title)});
    }
    return snapshot;
}

std::string FormatSnapshot(const TWatchSnapshot& snapshot) {
    std::string text = std::string(kSnapshotHeader) + "\r\n";
    for (const TWatchItem& item : snapshot)
        text += PlaceFields(item) + "\t" + EscapeField(item.Title) + "\t" +
                EscapeField(item.CommandLine) + "\t" + (item.OffByWindows ? "1" : "0") + "\r\n";
    return text + "end " + std::to_string(snapshot.size()) + "\r\n";
}

bool ParseSnapshot(const std::string& text, TWatchSnapshot& snapshot) {
    snapshot.clear();
    std::vector<std::string> lines;
    if (!Lines(text, lines) || lines.size() < 2 || lines.front() != kSnapshotHeader ||
        lines.back() != "end " + std::to_string(lines.size() - 2))
        return false;
    TWatchSnapshot read;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::vector<std::string> f = SplitFields(lines[i]);
        TWatchItem item;
        if (f.size() != 6 || !ReadPlace(f, 0, item) || !UnescapeField(f[3], item.Title) ||
            !UnescapeField(f[4], item.CommandLine) || (f[5] != "0" && f[5] != "1"))
            return false;
        item.OffByWindows = f[5] == "1";
        read.push_back(std::move(item));
    }
    snapshot = std::move(read);
    return true;
}

// --- Changes -----------------------------------------------------------------------

const char* TWatchEvent::ChangeName() const {
    switch (Change) {
    case TWatchChange::Added:
        return "added";
    case TWatchChange::Changed:
        return "changed";
    case TWatchChange::Removed:
        return "removed";
    case TWatchChange::KeptOff:
        return "kept-off";
    case TWatchChange::KeepOffFailed:
        return "keep-off-failed";
    }
    return "";
}

std::string TWatchEvent::Text() const {
    const std::string title = Quoted(Item.Title.empty() ? Item.Name : Item.Title);
    const std::string place = " (" + Item.PlaceText() + ")";
    switch (Change) {
    case TWatchChange::Added:
        return title + " now starts with Windows" + place;
    case TWatchChange::Changed:
        return title + " changed what it starts" + place + ": was " + OldCommandLine + ", now " +
               Item.CommandLine;
    case TWatchChange::Removed:
        return title + " no longer starts with Windows" + place;
    case TWatchChange::KeptOff:
        return title + " turned itself back on; Morvane turned it off again";
    case TWatchChange::KeepOffFailed:
        return title + " turned itself back on; Morvane could not turn it off again: " + Reason;
    }
    return title;
}

std::vector<TWatchEvent> CompareSnapshots(const TWatchSnapshot& before,
                                          const TWatchSnapshot& after) {
    std::vector<TWatchEvent> events;
    auto find = [](const TWatchSnapshot& in, const TWatchItem& item) -> const TWatchItem* {
        for (const TWatchItem& other : in)
            if (other.SamePlace(item))
                return &other;
        return nullptr;
    };
    for (const TWatchItem& item : after) {
        const TWatchItem* old = find(before, item);
        if (!old)
            events.push_back({TWatchChange::Added, item, {}, {}});
        else if (old->CommandLine != item.CommandLine)
            events.push_back({TWatchChange::Changed, item, old->CommandLine, {}});
    }
    for (const TWatchItem& item : before)
        if (!find(after, item))
            events.push_back({TWatchChange::Removed, item, {}, {}});
    return events;
}

// --- What the user chose -----------------------------------------------------------

bool TWatchLists::Ignores(const TWatchItem& item) const {
    return std::any_of(ignored_.begin(), ignored_.end(),
                       [&](const TWatchItem& i) { return i.SamePlace(item); });
}

void TWatchLists::Ignore(const TWatchItem& item) {
    if (!Ignores(item))
        ignored_.push_back(Place(item.Location, item.View, item.Name));
}

bool TWatchLists::Allows(const std::string& program) const {
    return !program.empty() &&
           std::find(allowed_.begin(), allowed_.end(), asciiLower(program)) != allowed_.end();
}

void TWatchLists::Allow(const std::string& program) {
    if (!program.empty() && !Allows(program))
        allowed_.push_back(asciiLower(program));
}

std::string TWatchLists::Format() const {
    std::string text = std::string(kListsHeader) + "\r\n";
    for (const TWatchItem& item : ignored_)
        text += "ignore\t" + PlaceFields(item) + "\r\n";
    for (const std::string& program : allowed_)
        text += "allow\t" + EscapeField(program) + "\r\n";
    return text;
}

bool TWatchLists::Parse(const std::string& text) {
    ignored_.clear();
    allowed_.clear();
    std::vector<std::string> lines;
    TWatchLists read;
    if (!Lines(text, lines) || lines.empty() || lines.front() != kListsHeader)
        return false;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> f = SplitFields(lines[i]);
        TWatchItem item;
        std::string program;
        if (f.size() == 4 && f[0] == "ignore" && ReadPlace(f, 1, item))
            read.ignored_.push_back(item);
        else if (f.size() == 2 && f[0] == "allow" && UnescapeField(f[1], program) &&
                 !program.empty())
            read.allowed_.push_back(asciiLower(program));
        else
            return false;
    }
    *this = std::move(read);
    return true;
}

// --- What is watched ---------------------------------------------------------------

std::vector<TWatchedKey> WatchedKeys() {
    std::vector<TWatchedKey> keys;
    auto add = [&](RegRoot root, const std::string& path, RegView view, bool subtree = false) {
        for (const TWatchedKey& k : keys)
            if (k.Root == root && k.View == view && asciiEqualNoCase(k.Path, path))
                return;
        keys.push_back({root, path, view, subtree});
    };
    for (unsigned code = 0; code < LocationCodeCount; ++code) {
        if (IsSwitchedInPlace(code)) {
            // Winlogon's values are the key's own; the others are subkeys.
            const bool winlogon = !CanBeDisabled(code);
            const RegRoot root =
                IsMachineWideLocation(code) ? RegRoot::LocalMachine : RegRoot::CurrentUser;
            for (RegView view : ViewsOf(code))
                add(root, LocationKey(code), view, !winlogon);
            // A package installed or removed is a subkey of the repository.
            if (code == slPackagedTask)
                add(RegRoot::CurrentUser, PackageRepositoryKey, RegView::Default);
            continue;
        }
        const bool registry = IsRegistryLocation(code);
        if (!registry && !IsFolderLocation(code))
            continue;
        for (RegView view : ViewsOf(code)) {
            if (registry)
                add(IsMachineWideLocation(code) ? RegRoot::LocalMachine : RegRoot::CurrentUser,
                    LocationKey(code), view);
            TApprovedPlace place;
            if (ApprovedPlaceOf(code, view, std::string(), place))
                add(place.Root, place.Key, place.View);
        }
    }
    return keys;
}

std::vector<std::string> WatchedFolders() {
    TShortcutLink link;
    std::vector<std::string> folders;
    for (const std::string& folder : {link.GetUserStartupFolder(), link.GetCommonStartupFolder()})
        if (!folder.empty())
            folders.push_back(folder);
    return folders;
}

TWake WaitForChanges(TChangeWatch& watch, int timeoutMs) {
    const TWake first = watch.Wait(timeoutMs);
    if (first != TWake::Changed)
        return first;
    const int quietMs = 250;
    for (int gathered = 0; gathered < 1200; gathered += quietMs) {
        const TWake next = watch.Wait(quietMs);
        if (next == TWake::Stopped)
            return next;
        if (next == TWake::TimedOut)
            break;
    }
    return TWake::Changed;
}

// --- The look ----------------------------------------------------------------------

TStartupWatch::TStartupWatch() = default;

void TStartupWatch::loadSnapshot() {
    baseline_ = ReadWatchFile(WatchSnapshotPath(), "snapshot", Notices, keepSnapshot_,
                              [&](const std::string& text) { return ParseSnapshot(text, last_); });
}

void TStartupWatch::loadLists() {
    ReadWatchFile(WatchListsPath(), "list of ignored entries and allowed programs", Notices,
                  keepLists_, [&](const std::string& text) { return lists_.Parse(text); });
}

void TStartupWatch::saveLists() {
    if (keepLists_ || !WriteSafely(WatchListsPath(), lists_.Format()))
        throw EMorvaneError("The watcher's list of ignored entries and allowed programs could "
                            "not be written to \"" +
                            WatchListsPath() + "\"");
}

std::string TStartupWatch::programOf(const std::string& commandLine) const {
    TStartups one;
    const TStartup* e = one.Add("", std::string(), commandLine, slCURun, 0);
    return e ? e->LocatedFile() : std::string();
}

std::vector<TWatchEvent> TStartupWatch::Look() {
    Notices.clear();
    ++looks_;
    if (!loaded_) {
        loadSnapshot();
        loaded_ = true;
    }
    // Another watcher (the window's while the tool watches) may have added
    // to the lists since.
    loadLists();
    TSystemLock lock(SystemLockPath());
    TakeSystemLock(lock);
    TStartups scanned;
    try {
        scanned.Refresh();
    } catch (const std::exception& e) {
        // A scan cut short would read as entries removed: the last snapshot
        // stays the one to compare with.
        Notices.push_back(std::string("The startup entries could not all be read: ") + e.what());
        return {};
    }
    TWatchSnapshot now = SnapshotOf(scanned);
    std::vector<TWatchEvent> events;
    if (baseline_)
        events = CompareSnapshots(last_, now);

    // The programs the user turned off with Morvane: the disabled entries of
    // the store and the places kept off while the program is on elsewhere.
    const bool anyNew = std::any_of(events.begin(), events.end(), [](const TWatchEvent& e) {
        return e.Change == TWatchChange::Added || e.Change == TWatchChange::Changed;
    });
    if (anyNew) {
        TStartups full;
        const TRefreshReport refreshed = RefreshStartups(full, lock);
        for (const std::string& notice : full.Notices)
            Notices.push_back(notice);
        if (!refreshed.Ok()) {
            Notices.push_back(
                "Morvane could not read what it turned off, and so turned nothing "
                "off again: " +
                (refreshed.StoreError.empty() ? refreshed.ScanError : refreshed.StoreError));
        } else {
            std::vector<std::string> turnedOff;
            for (int i = 0; i < full.Count(); ++i)
                if (!full.Items(i)->Enabled && !full.Items(i)->DisabledByWindows)
                    turnedOff.push_back(full.Items(i)->LocatedFile());
            // The same command line in the same place merges with the scan's
            // entry: the store itself still names it.
            TStartups stored;
            try {
                stored.LoadFromFile(DisabledStorePath());
            } catch (const std::exception&) {
            }
            for (int i = 0; i < stored.Count(); ++i)
                turnedOff.push_back(stored.Items(i)->LocatedFile());

            std::vector<std::pair<size_t, TStartup*>> keepOff;
            for (size_t n = 0; n < events.size(); ++n) {
                const TWatchEvent& event = events[n];
                if (event.Change != TWatchChange::Added && event.Change != TWatchChange::Changed)
                    continue;
                TStartup* listed = full.FindCommandLine(event.Item.CommandLine);
                if (!listed || !listed->Enabled)
                    continue;
                // Already starting from a place the user left on: that one
                // is the user's choice, and would go with it.
                if (std::any_of(last_.begin(), last_.end(), [&](const TWatchItem& old) {
                        return old.CommandLine == listed->CommandLine;
                    }))
                    continue;
                const std::string program = listed->LocatedFile();
                if (lists_.Allows(program))
                    continue;
                const bool wasOff =
                    std::any_of(listed->AlsoIn.begin(), listed->AlsoIn.end(),
                                [](const TStartupPlace& p) { return p.KeptOff; }) ||
                    std::any_of(turnedOff.begin(), turnedOff.end(), [&](const std::string& off) {
                        return asciiEqualNoCase(off, program);
                    });
                if (!wasOff)
                    continue;
                const bool already = std::any_of(keepOff.begin(), keepOff.end(),
                                                 [&](const auto& k) { return k.second == listed; });
                if (!already)
                    listed->SetEnabled(false);
                keepOff.push_back({already ? events.size() : n, listed});
            }
            if (!keepOff.empty()) {
                const TApplyReport report = ApplyStartups(full, lock);
                std::vector<bool> drop(events.size(), false);
                for (const auto& [n, entry] : keepOff) {
                    if (n == events.size())
                        continue;
                    TWatchEvent& event = events[n];
                    event.Change = TWatchChange::KeptOff;
                    for (const TApplyReport::Failure& f : report.Failures)
                        if (f.Entry == entry) {
                            event.Change = TWatchChange::KeepOffFailed;
                            event.Reason = f.Reason;
                            if (report.NeedsElevation)
                                event.Reason +=
                                    " (changing " + f.Location + " needs administrator rights)";
                        }
                }
                // The other new places of a program turned off again went with it.
                for (size_t n = 0; n < events.size(); ++n)
                    for (const auto& [k, entry] : keepOff)
                        if (k == events.size() &&
                            events[n].Item.CommandLine == entry->CommandLine &&
                            (events[n].Change == TWatchChange::Added ||
                             events[n].Change == TWatchChange::Changed))
                            drop[n] = true;
                std::vector<TWatchEvent> kept;
                for (size_t n = 0; n < events.size(); ++n)
                    if (!drop[n])
                        kept.push_back(std::move(events[n]));
                events = std::move(kept);
                scanned.Clear();
                try {
                    scanned.Refresh();
                    now = SnapshotOf(scanned);
                } catch (const std::exception&) {
                }
            }
        }
    }
    lock.Release();

    std::vector<TWatchEvent> told;
    for (TWatchEvent& event : events) {
        const bool keepOffNews =
            event.Change == TWatchChange::KeptOff || event.Change == TWatchChange::KeepOffFailed;
        if (keepOffNews || !lists_.Ignores(event.Item))
            told.push_back(std::move(event));
    }
    if (!keepSnapshot_ && !WriteSafely(WatchSnapshotPath(), FormatSnapshot(now)))
        Notices.push_back("The watcher's snapshot could not be written to \"" +
                          WatchSnapshotPath() + "\"; the next start compares with an older one.");
    last_ = std::move(now);
    baseline_ = true;
    return told;
}

void TStartupWatch::Ignore(const TWatchItem& item) {
    loadLists();
    lists_.Ignore(item);
    saveLists();
}

void TStartupWatch::Allow(const TWatchItem& item) {
    loadLists();
    lists_.Allow(programOf(item.CommandLine));
    saveLists();
}

std::string TStartupWatch::TurnOff(const TWatchItem& item) {
    TSystemLock lock(SystemLockPath());
    TakeSystemLock(lock);
    TStartups full;
    const TRefreshReport refreshed = RefreshStartups(full, lock);
    if (!refreshed.Ok())
        return "Nothing was changed: the startup entries could not all be read.";
    TStartup* entry = FindPlace(full, item);
    if (!entry || !entry->Enabled)
        return Quoted(item.Title) + " is no longer in " + item.PlaceText();
    entry->SetEnabled(false);
    const TApplyReport report = ApplyStartups(full, lock);
    if (report.Ok())
        return std::string();
    std::string message = report.Message();
    if (report.NeedsElevation)
        message += "\nChanging this location needs administrator rights.";
    return message;
}
