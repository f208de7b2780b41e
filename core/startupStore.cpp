// The store of disabled entries: written from the collection, checked
// before it is written over, kept aside when damaged, and merged into a
// fresh scan together with what is kept of each disabled entry.

#include "startupStore.h"

#include "CommandLine.h"
#include "StartupPaths.h"
#include "StartupProfile.h"
#include "startupKept.h"
#include "system/AsciiCase.h"
#include "system/Errors.h"
#include "system/Files.h"
#include "system/Ini.h"
#include "ProfileData.h"
#include "system/ProfileFile.h"
#include "system/TextCodec.h"

#include <algorithm>
#include <ctime>
#include <set>

namespace {

// --- A store that cannot be read ------------------------------------------------

const char* const kEntryKeys[] = {"title", "fullpath", "location", "rating", "enabled"};

// A store reads back as Morvane writes it: "General" first, then the
// sections 0 to ProgramCount - 1 in order, each once and with its keys, and
// nothing else. Anything else (garbage, a cut file, a section placed before
// a real one, a second "General", a count its sections do not match) is
// damaged: reading it would list the wrong entries or none, and writing over
// it would lose for good what it still holds.
bool StoreIsSound(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return false;
    if (bytes.empty())
        return true;
    TProfileData data;
    if (!data.Load(path))
        return false;
    const auto& sections = data.Sections();
    if (data.StrayLines() != 0 || sections.empty() || data.SectionCount("General") != 1 ||
        !asciiEqualNoCase(sections.front().Name, "General"))
        return false;
    int count = 0;
    int more = 0;
    const std::string* countText = data.Find("General", "ProgramCount");
    const std::string* moreText = data.Find("General", "MoreCount");
    if (!countText || !ParseIniInteger(*countText, count) || count < 0 ||
        (moreText && (!ParseIniInteger(*moreText, more) || more < 0)) ||
        static_cast<size_t>(count) + static_cast<size_t>(more) != sections.size() - 1)
        return false;
    for (int i = 0; i < count + more; ++i) {
        const std::string name = i < count ? std::to_string(i) : "More" + std::to_string(i - count);
        if (sections[static_cast<size_t>(i) + 1].Name != name || data.SectionCount(name) != 1)
            return false;
        for (const char* key : kEntryKeys)
            if (!data.Find(name, key))
                return false;
    }
    return true;
}

std::string StampNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    char buffer[32] = "unknown-time";
    if (local)
        std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", local);
    return buffer;
}

bool IsSectionNumber(const std::string& name) {
    return !name.empty() && name.size() < 10 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A numbered section, or one of the sections after them ("More0", ...).
bool IsEntrySection(const std::string& name) {
    return IsSectionNumber(name) ||
           (name.compare(0, 4, "More") == 0 && IsSectionNumber(name.substr(4)));
}

// What a damaged store still holds: every numbered section after its first
// "General" (a section before it is none of Morvane's) whose title, command
// line and location read whole, the first of each number as the profile
// functions take it. A last line without its line break was cut and is left
// out: it would read as a shorter command line.
void SalvageStore(const std::string& path, TStartups& into) {
    std::string text;
    if (!ReadProfileFileText(path, text))
        return;
    const size_t lastBreak = text.rfind('\n');
    text.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    size_t general = std::string::npos;
    for (size_t at = 0; at < text.size() && general == std::string::npos;) {
        const size_t end = text.find('\n', at);
        std::string line = text.substr(at, end - at);
        line.erase(0, line.find_first_not_of(" \t"));
        line.erase(line.find_last_not_of(" \t\r") + 1);
        if (asciiEqualNoCase(line, "[General]"))
            general = at;
        at = end + 1;
    }
    if (general == std::string::npos)
        return;
    TProfileData data;
    data.Parse(text.substr(general));
    for (const TProfileData::Section& section : data.Sections()) {
        int location = -1;
        const std::string* fullpath = data.Find(section.Name, "fullpath");
        const std::string* code = data.Find(section.Name, "location");
        if (!IsEntrySection(section.Name) || !data.Find(section.Name, "title") || !fullpath ||
            fullpath->empty() || !code || !ParseIniInteger(*code, location) || location < 0 ||
            location >= LocationCodeCount || IsSwitchedInPlace(static_cast<unsigned>(location)))
            continue;
        if (TStartup* added = AddProfileSection(into, data, section.Name))
            added->SetEnabled(false);
    }
}

// Text the profile functions cannot carry at all (a NUL, bytes that are not
// UTF-8) would fail the whole store; an entry that holds such text is left
// out and reported instead.
bool StoreCanHold(const TStartup& e) {
    for (const std::string* text :
         {&e.Title, &e.CommandLine, e.ValueName ? &*e.ValueName : &e.Title})
        if (text->find('\0') != std::string::npos || !IsConvertibleUtf8(*text))
            return false;
    return true;
}

// --- What is known of disabled entries besides the store -------------------------

bool SamePlace(const TStartupPlace& p, int code, RegView view, const std::string& title) {
    return p.Location == code && SameView(p.View, view) && asciiEqualNoCase(p.Title, title);
}

bool Names(const TStartup& entry, int code, RegView view, const std::string& title) {
    if (SamePlace({entry.Location, entry.View, entry.Title, {}}, code, view, title))
        return true;
    for (const TStartupPlace& p : entry.AlsoIn)
        if (SamePlace(p, code, view, title))
            return true;
    return false;
}

// Gives an entry a place it does not name yet.
void Join(TStartup& entry, const TStartupPlace& place) {
    if (!Names(entry, place.Location, place.View, place.Title))
        entry.AlsoIn.push_back(place);
}

// Gives an entry the kept places of its command line that it does not name
// yet; `keptOff`: they stay off while the entry is enabled.
void AddKeptPlaces(TStartup& entry, const std::vector<KeptValue>& values,
                   const std::vector<KeptCopy>& copies, bool keptOff = false) {
    for (const KeptValue& v : values) {
        if (v.CommandLine != entry.CommandLine)
            continue;
        TStartupPlace place{static_cast<TStartupLocation>(v.Code), v.View, v.Title, {}, keptOff};
        if (v.Name != v.Title)
            place.ValueName = v.Name;
        Join(entry, place);
    }
    for (const KeptCopy& c : copies)
        if (SameShortcutCommand(c.CommandLine, entry.CommandLine))
            Join(entry,
                 {static_cast<TStartupLocation>(c.Code), RegView::Default, c.Title, {}, keptOff});
}

// Whether places kept of a disabled program stay off when they join an
// entry the scan found enabled. A registration Morvane kept a record or copy
// of was being disabled with them (a disable that stopped half-way): they go
// together again. One it knows nothing of is the program registered anew
// (an installer run again), and must not turn back on what the user turned
// off.
bool StayOff(const TStartup& listed, const std::vector<KeptValue>& values,
             const std::vector<KeptCopy>& copies) {
    if (!listed.Enabled)
        return false;
    std::vector<TStartupPlace> found{{listed.Location, listed.View, listed.Title, {}}};
    for (const TStartupPlace& p : listed.AlsoIn)
        if (!p.KeptOff)
            found.push_back(p);
    for (const TStartupPlace& p : found) {
        for (const KeptValue& v : values)
            if (v.CommandLine == listed.CommandLine && SamePlace(p, v.Code, v.View, v.Title))
                return false;
        for (const KeptCopy& c : copies)
            if (SameShortcutCommand(c.CommandLine, listed.CommandLine) &&
                SamePlace(p, c.Code, RegView::Default, c.Title))
                return false;
    }
    return true;
}

TStartup* AddDisabled(TStartups& startups, const std::string& title, const std::string& commandLine,
                      int code, int rating, RegView view) {
    TStartup* added = startups.Add(title, std::string(), commandLine, code, rating);
    if (added) {
        added->SetEnabled(false);
        added->View = view;
    }
    return added;
}

TStartup* AddStored(TStartups& store, const TStartup& e) {
    TStartup* added = store.Add(e.Title, std::string(), e.CommandLine, e.Location, e.Rating);
    if (added) {
        added->SetEnabled(false);
        if (IsRegistryLocation(e.Location)) {
            added->ValueName = e.ValueName;
            added->View = e.View;
            added->ValueType = e.ValueType;
        }
    }
    return added;
}

bool SameStored(const TStartup& a, const TStartup& b) {
    return a.Title == b.Title && a.CommandLine == b.CommandLine && a.Location == b.Location &&
           a.Rating == b.Rating && a.Enabled == b.Enabled && a.ValueName == b.ValueName &&
           a.View == b.View && a.ValueType == b.ValueType;
}

// The records of disabled values for the merge. A damaged file is treated as
// a damaged store is: kept aside, told once, and what of it still reads whole
// written to a new file, so that the next write of the records loses nothing.
std::vector<KeptValue> MergedRecords(TStartups& startups) {
    KeptValuesFile records = ReadKeptValues();
    if (!records.Damaged)
        return std::move(records.Values);
    const std::string path = KeptValuesPath();
    const std::string aside = KeepAside(path);
    if (aside.empty()) {
        startups.Notices.push_back(
            "The records of disabled registry values \"" + path +
            "\" cannot be read and could not be moved aside. Morvane leaves the file as it is "
            "and cannot disable registry values until it is moved away.");
        return std::move(records.Values);
    }
    std::string notice = "The records of disabled registry values could not be read. The file "
                         "was kept as \"" +
                         aside + "\" and will not be written over. ";
    notice += records.Values.empty() ? "None of its records could be read"
                                     : "The records that could still be read are kept";
    notice += "; a disabled value without its record comes back with the type and view the "
              "store of disabled entries gives it.";
    if (!SaveKeptValues(records.Values))
        notice += " The records read could not be written to \"" + path + "\".";
    startups.Notices.push_back(notice);
    return std::move(records.Values);
}

} // namespace

std::string KeepAside(const std::string& path) {
    std::string aside = DamagedStorePath(path);
    for (int n = 2; FileExists(aside) && n < 100; ++n)
        aside = DamagedStorePath(path) + "-" + std::to_string(n);
    if (FileExists(aside))
        return std::string();
    if (ReplaceFileWith(aside, path))
        return aside;
    if (CopyFileTo(path, aside) && DeleteFileAt(path))
        return aside;
    return std::string();
}

void WriteStore(TStartups& startups, const std::set<const TStartup*>& skip,
                const std::set<const TStartup*>& keep, std::set<const TStartup*>* unstored) {
    const std::string path = DisabledStorePath();
    if (path.empty())
        throw EIniError(FormatMessage1("Unable to write to %s", "Morvane\\disabled.dat"));
    // What a damaged store still holds is never written over.
    std::string aside;
    if (FileExists(path) && !StoreIsSound(path)) {
        aside = KeepAside(path);
        if (aside.empty())
            throw EIniError(FormatMessage1("Unable to write to %s", path));
    }

    TStartups store;
    std::vector<const TStartup*> sources; // the entry each stored one stands for
    for (int i = 0; i < startups.Count(); ++i) {
        const TStartup* e = startups.Items(i);
        if (e->Enabled ? keep.count(e) == 0 : skip.count(e) != 0)
            continue;
        // Windows keeps its own switch; the entry is still in its place.
        if ((e->DisabledByWindows && !e->Enabled) || IsSwitchedInPlace(e->Location))
            continue;
        if (!StoreCanHold(*e)) {
            if (unstored)
                unstored->insert(e);
            continue;
        }
        if (AddStored(store, *e))
            sources.push_back(e);
    }
    if (!startups.StoreMerged) {
        // The collection never saw the store (a scan that failed, a profile
        // that was loaded): keep what it does not know of.
        TStartups old;
        if (aside.empty())
            old.LoadFromFile(path);
        else
            SalvageStore(aside, old);
        for (int i = 0; i < old.Count(); ++i) {
            const TStartup* e = old.Items(i);
            if (startups.FindCommandLine(e->CommandLine))
                continue;
            if (AddStored(store, *e))
                sources.push_back(nullptr);
        }
    } else {
        PruneKept(startups);
    }
    // The store is written beside the old one, read back, and put in its
    // place only when every entry reads back as it was written.
    for (int pass = 0; pass < 3; ++pass) {
        bool written = false;
        bool sound = false;
        std::vector<int> wrong;
        std::string reason;
        const bool replaced = ReplaceFileChecked(
            path,
            [&](const std::string& temporary) {
                try {
                    store.SaveToFile(temporary);
                } catch (const EMorvaneError&) {
                    return false;
                }
                return written = true;
            },
            [&](const std::string& temporary) {
                TStartups back;
                back.LoadFromFile(temporary);
                for (int i = 0; i < store.Count(); ++i) {
                    const TStartup* b = back.FindCommandLine(store.Items(i)->CommandLine);
                    if (!b || !SameStored(*b, *store.Items(i)))
                        wrong.push_back(i);
                }
                return sound = wrong.empty() && back.Count() == store.Count() &&
                               StoreIsSound(temporary);
            },
            &reason);
        if (replaced)
            return;
        // The write or the move failed: the system said why.
        if (!written || sound)
            throw EIniError(FormatMessage1("Unable to write to %s", path) + ": " + reason);
        if (wrong.empty())
            break;
        for (auto it = wrong.rbegin(); it != wrong.rend(); ++it) {
            const size_t at = static_cast<size_t>(*it);
            if (sources[at] && unstored)
                unstored->insert(sources[at]);
            store.Delete(*it);
            sources.erase(sources.begin() + *it);
        }
    }
    throw EIniError(FormatMessage1("Unable to write to %s", path));
}

void SaveDisabledStore(TStartups& startups) {
    WriteStore(startups, {}, {});
}

std::string DamagedStorePath(const std::string& storePath) {
    return storePath + ".damaged-" + StampNow();
}

void RestoreDisabledStore(TStartups& startups) {
    const std::string path = DisabledStorePath();
    if (path.empty())
        return;
    TStartups store;
    bool merged = true;
    bool salvaged = false;
    if (FileExists(path) && !StoreIsSound(path)) {
        const std::string aside = KeepAside(path);
        if (aside.empty()) {
            merged = false;
            startups.Notices.push_back(
                "The store of disabled entries \"" + path +
                "\" cannot be read and could not be moved aside. Morvane leaves it as it is and "
                "cannot save disabled entries until it is moved away.");
        } else {
            SalvageStore(aside, store);
            salvaged = true;
            startups.Notices.push_back(
                "The store of disabled entries could not be read. It was kept as \"" + aside +
                "\" and will not be written over. The disabled entries Morvane could still read "
                "from it and those it knows from its kept values and shortcut copies are listed "
                "again, unticked.");
        }
    } else {
        store.LoadFromFile(path);
    }
    const std::vector<KeptValue> kept = MergedRecords(startups);
    const std::vector<KeptCopy> copies = LoadKeptCopies();
    for (int i = 0; i < store.Count(); ++i) {
        const TStartup* e = store.Items(i);
        std::string commandLine = e->CommandLine;
        if (IsFolderLocation(e->Location)) {
            // The kept copy has the command line as the scan builds it,
            // quotes and all, which the profile functions may have dropped.
            for (const KeptCopy& c : copies)
                if (c.Code == e->Location && c.Title == e->Title &&
                    SameShortcutCommand(c.CommandLine, commandLine))
                    commandLine = c.CommandLine;
        }
        const std::string& name = e->RegistryName();
        const KeptValue* k = FindKept(kept, e->Location, commandLine, e->View, &name);
        // The record names the view of the very value; the store's stands in
        // when the record is lost.
        const RegView view = k && k->View != RegView::Default ? k->View : e->View;
        if (TStartup* added =
                AddDisabled(startups, e->Title, commandLine, e->Location, e->Rating, view)) {
            if (IsRegistryLocation(e->Location)) {
                added->ValueName = e->ValueName;
                if (!added->ValueName && k && k->Name != e->Title)
                    added->ValueName = k->Name;
                added->ValueType = k ? k->Type : e->ValueType;
            }
            AddKeptPlaces(*added, kept, copies);
            continue;
        }
        // The program is in the system again from another place: what is kept
        // of this one goes with the listed entry, so that nothing is lost.
        if (TStartup* listed = startups.FindCommandLine(commandLine)) {
            const bool off = StayOff(*listed, kept, copies);
            std::optional<std::string> valueName;
            if (IsRegistryLocation(e->Location))
                valueName = e->ValueName ? e->ValueName : k ? std::optional(k->Name) : std::nullopt;
            Join(*listed, {e->Location, view, e->Title, valueName, off});
            AddKeptPlaces(*listed, kept, copies, off);
        }
    }
    // A kept value or shortcut copy that no stored entry names (the store was
    // damaged or lost) still stands for a disabled program.
    for (const KeptValue& v : kept) {
        // Kept for another place of a listed entry: it goes with that entry.
        if (TStartup* listed = startups.FindCommandLine(v.CommandLine)) {
            AddKeptPlaces(*listed, kept, copies, StayOff(*listed, kept, copies));
            continue;
        }
        if (TStartup* added =
                AddDisabled(startups, v.Title, v.CommandLine, v.Code,
                            v.Code == slLMServices || v.Code == slLMServiceOnce ? 4 : 0, v.View)) {
            if (v.Name != added->Title)
                added->ValueName = v.Name;
            added->ValueType = v.Type;
            AddKeptPlaces(*added, kept, copies);
        }
    }
    for (const KeptCopy& c : copies) {
        TStartup* listed = nullptr;
        for (int i = 0; i < startups.Count() && !listed; ++i)
            if (SameShortcutCommand(startups.Items(i)->CommandLine, c.CommandLine))
                listed = startups.Items(i);
        if (listed) {
            AddKeptPlaces(*listed, kept, copies, StayOff(*listed, kept, copies));
            continue;
        }
        if (TStartup* added =
                AddDisabled(startups, c.Title, c.CommandLine, c.Code, 0, RegView::Default))
            AddKeptPlaces(*added, kept, copies);
    }
    startups.StoreMerged = merged;
    // What was read of a damaged store is written to a new one at once: until
    // then it would be only in the copy kept aside, which is not read again.
    if (salvaged) {
        try {
            SaveDisabledStore(startups);
        } catch (const EMorvaneError& e) {
            startups.Notices.push_back(std::string(e.what()) +
                                       ": the entries read from the damaged store are listed, "
                                       "and are written with the next change.");
        }
    }
}
