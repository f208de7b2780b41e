// Profile (".mvp") files: an INI snapshot of the whole collection.

#include "StartupProfile.h"

#include "ProfileData.h"
#include "StartupList.h"

#include "system/Clock.h"
#include "system/Errors.h"
#include "system/Files.h"
#include "system/Ini.h"
#include "system/IniText.h"
#include "system/ProfileFile.h"

#include <algorithm>

namespace {

const char kGeneral[] = "General";
const char kViewNative[] = "native";
const char kView32[] = "32-bit";
const char kSz[] = "REG_SZ";
const char kExpandSz[] = "REG_EXPAND_SZ";
const char kMoreCount[] = "MoreCount";
const std::string kMoreSection = "More";

// A line break inside a value would start a new line of the file, and with
// it a section or key of the text's choosing; such characters are written as
// blanks instead.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

} // namespace

void TStartups::SaveToFile(const std::string& path) {
    ForceFolders(FileDir(path));
    // The profile is made in memory in one pass: written key by key through
    // the profile functions, every key rewrites the whole file, and a store
    // of a few thousand entries took minutes.
    TIniText text;
    text.Section(kGeneral);
    bool ok = text.Add("Creator", "[MRV]") && text.Add("CreationDate", LocalDateTimeText()) &&
              text.Add("FileDescription", "Morvane backup file") &&
              text.Add("UserComments", OneLine(UserComments));
    // The classic locations are in the numbered sections, which every
    // Morvane reads; the others in sections an older one passes over.
    std::vector<const TStartup*> classic;
    std::vector<const TStartup*> more;
    for (int i = 0; i < Count(); ++i)
        (Items(i)->Location < ClassicLocationCount ? classic : more).push_back(Items(i));
    ok = ok && text.AddInteger("ProgramCount", static_cast<int>(classic.size()));
    if (ok && !more.empty())
        ok = text.AddInteger(kMoreCount, static_cast<int>(more.size()));
    for (size_t i = 0; ok && i < classic.size() + more.size(); ++i) {
        const bool isClassic = i < classic.size();
        const TStartup* e = isClassic ? classic[i] : more[i - classic.size()];
        text.Section(isClassic ? std::to_string(i)
                               : kMoreSection + std::to_string(i - classic.size()));
        ok = text.Add("title", ProfileValue(e->Title)) &&
             text.Add("fullpath", ProfileValue(e->CommandLine)) &&
             text.AddInteger("location", e->Location);
        // What is known of the value goes with its location: the records of
        // disabled values may be lost, and a guess would bring a value back
        // in the other view or with the other type.
        if (ok && IsRegistryLocation(e->Location) && e->View != RegView::Default)
            ok = text.Add("view", e->View == RegView::Wow32 ? kView32 : kViewNative);
        if (ok && IsRegistryLocation(e->Location) &&
            (e->ValueType == regSz || e->ValueType == regExpandSz))
            ok = text.Add("type", e->ValueType == regExpandSz ? kExpandSz : kSz);
        ok = ok && text.AddInteger("rating", e->Rating) && text.AddBool("enabled", e->Enabled);
        // The default value is listed under its program's name; the value
        // itself has an empty name.
        if (ok && e->ValueName && IsRegistryLocation(e->Location))
            ok = text.Add("valuename", ProfileValue(*e->ValueName));
        if (ok && !e->PlaceKey.empty())
            ok = text.Add("placekey", ProfileValue(e->PlaceKey));
        if (ok && IsSwitchedInPlace(e->Location) && e->View != RegView::Default)
            ok = text.Add("view", e->View == RegView::Wow32 ? kView32 : kViewNative);
    }
    if (!ok)
        throw EIniError(FormatMessage1("Unable to write to %s", path));
    std::string reason;
    const bool written = ReplaceFileChecked(
        path,
        [&text](const std::string& temporary) {
            try {
                IniWriteText(temporary, text);
                return true;
            } catch (const EIniError&) {
                return false;
            }
        },
        [&text](const std::string& temporary) {
            std::string back;
            return ReadProfileFileText(temporary, back) && back == text.Text();
        },
        &reason);
    if (!written)
        throw EIniError(FormatMessage1("Unable to write to %s", path) + ": " + reason);
}

void TStartups::LoadFromFile(const std::string& path) {
    if (!FileExists(path))
        return;
    // One read of the file: key by key, each read is a pass over the whole
    // file, and a store of thousands of entries took minutes.
    TProfileData data;
    Clear();
    if (!data.Load(path))
        return;
    int count = data.ReadInteger(kGeneral, "ProgramCount", 0);
    UserComments = data.Read(kGeneral, "UserComments", "");
    CreationDate = data.Read(kGeneral, "CreationDate", "");
    // A corrupt "ProgramCount" must not send the reader through billions of
    // sections: no file holds more entry sections than it has sections.
    count = std::min(count, static_cast<int>(data.Sections().size()));
    for (int i = 0; i < count; ++i)
        AddProfileSection(*this, data, std::to_string(i));
    int more = data.ReadInteger(kGeneral, kMoreCount, 0);
    more = std::min(more, static_cast<int>(data.Sections().size()));
    for (int i = 0; i < more; ++i)
        AddProfileSection(*this, data, kMoreSection + std::to_string(i));
}

TStartup* AddProfileSection(TStartups& startups, const TProfileData& data,
                            const std::string& section) {
    const std::string fullpath = data.Read(section, "fullpath", "");
    const int location = data.ReadInteger(section, "location", 0);
    const int rating = data.ReadInteger(section, "rating", 0);
    const std::string title = data.Read(section, "title", "");
    if (location >= 0 && IsSwitchedInPlace(static_cast<unsigned>(location))) {
        // Named by its place, which the section must give.
        const std::string placeKey = data.Read(section, "placekey", "");
        const std::string view = data.Read(section, "view", "");
        const RegView placeView = !HasTwoRegistryViews() ? RegView::Default
                                  : view == kView32      ? RegView::Wow32
                                  : view == kViewNative  ? RegView::Native
                                                         : RegView::Default;
        if (placeKey.empty() || startups.FindPlaced(location, placeView, placeKey))
            return nullptr;
        TStartup* e = startups.AddPlaced(title, fullpath, location, placeKey);
        if (!e)
            return nullptr;
        e->View = placeView;
        e->SetRating(rating);
        e->SetEnabled(data.ReadBool(section, "enabled", true));
        return e;
    }
    TStartup* e = startups.Add(title, std::string(), fullpath, location, rating);
    if (!e)
        return nullptr;
    e->SetEnabled(data.ReadBool(section, "enabled", true));
    if (!IsRegistryLocation(e->Location))
        return e;
    if (const std::string* name = data.Find(section, "valuename"))
        e->ValueName = *name;
    // A view means something only where the machine-wide keys have two.
    const std::string view = data.Read(section, "view", "");
    if (IsMachineWideLocation(e->Location) && HasTwoRegistryViews())
        e->View = view == kView32       ? RegView::Wow32
                  : view == kViewNative ? RegView::Native
                                        : RegView::Default;
    const std::string type = data.Read(section, "type", "");
    e->ValueType = type == kExpandSz ? regExpandSz : type == kSz ? regSz : regNone;
    return e;
}

bool IsProfileFile(const std::string& path, std::string& why) {
    TProfileData data;
    if (!data.Load(path)) {
        why = "it cannot be read";
        return false;
    }
    if (data.SectionCount(kGeneral) == 0) {
        why = "it has no [General] section";
        return false;
    }
    int count = 0;
    const std::string* text = data.Find(kGeneral, "ProgramCount");
    if (text && (!ParseIniInteger(*text, count) || count < 0)) {
        why = "its ProgramCount is not a count";
        return false;
    }
    return true;
}
