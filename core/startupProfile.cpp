// Profile (".mvp") files: an INI snapshot of the whole collection.

#include "startupUtil.h"

#include "system/Clock.h"
#include "system/Errors.h"
#include "system/Files.h"
#include "system/Ini.h"
#include "system/IniText.h"

#include <algorithm>

namespace {

const char kGeneral[] = "General";

// A line break inside a value would start a new line of the file, and with
// it a section or key of the text's choosing; such characters are written as
// blanks instead.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

// A corrupt "ProgramCount" must not send the reader through billions of
// sections: no file holds more entry sections than it has lines.
int SectionLimit(const std::string& path) {
    TStringList lines;
    if (!lines.LoadFromFile(path))
        return 0;
    return static_cast<int>(lines.Count());
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
              text.Add("UserComments", OneLine(UserComments)) &&
              text.AddInteger("ProgramCount", Count());
    for (int i = 0; ok && i < Count(); ++i) {
        const TStartup* e = Items(i);
        text.Section(std::to_string(i));
        ok = text.Add("title", OneLine(e->Title)) &&
             text.Add("fullpath", OneLine(e->CommandLine)) &&
             text.AddInteger("location", e->Location) && text.AddInteger("rating", e->Rating) &&
             text.AddBool("enabled", e->Enabled);
    }
    if (!ok)
        throw EIniError(FormatMessage1("Unable to write to %s", path));
    // The new profile is written beside the old one and takes its place only
    // when it is complete, so a failed write never loses the old file.
    const std::string temporary = path + ".tmp";
    DeleteFileAt(temporary);
    try {
        IniWriteText(temporary, text);
    } catch (const EIniError&) {
        DeleteFileAt(temporary);
        throw EIniError(FormatMessage1("Unable to write to %s", path));
    }
    if (!ReplaceFileWith(path, temporary)) {
        DeleteFileAt(temporary);
        throw EIniError(FormatMessage1("Unable to write to %s", path));
    }
}

void TStartups::LoadFromFile(const std::string& path) {
    if (!FileExists(path))
        return;
    Clear();
    int count = IniReadInteger(path, kGeneral, "ProgramCount", 0);
    UserComments = IniReadString(path, kGeneral, "UserComments", "");
    CreationDate = IniReadString(path, kGeneral, "CreationDate", "");
    if (count > 0)
        count = std::min(count, SectionLimit(path));
    for (int i = 0; i < count; ++i) {
        const std::string section = std::to_string(i);
        const std::string fullpath = IniReadString(path, section, "fullpath", "");
        const int location = IniReadInteger(path, section, "location", 0);
        const int rating = IniReadInteger(path, section, "rating", 0);
        const std::string title = IniReadString(path, section, "title", "");
        if (TStartup* e = Add(title, std::string(), fullpath, location, rating))
            e->SetEnabled(IniReadBool(path, section, "enabled", true));
    }
}
