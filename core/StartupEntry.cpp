#include "StartupEntry.h"

#include "CommandLine.h"
#include "ProgramSearch.h"
#include "StartupList.h"

#include <algorithm>

std::string TitleFromFileName(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

void TStartup::SetEnabled(bool value) {
    if (Enabled == value)
        return;
    Enabled = value;
    if (Owner)
        Owner->Modified = true;
}

void TStartup::SetFileName(const std::string& value) {
    if (value == FileName)
        return;
    FileName = value;
    if (Owner)
        Owner->Modified = true;
}

void TStartup::SetCommandLine(const std::string& value) {
    if (value == CommandLine)
        return;
    const std::string before = CommandLine;
    CommandLine = value;
    if (Owner)
        Owner->CommandLineChanged(*this, before, value);
    IsRundll = SplitProgramCommand(value, FilePath, Arguments);
    if (Owner)
        Owner->Modified = true;
}

void TStartup::SetRating(int value) {
    if (value == Rating)
        return;
    Rating = value;
    if (Owner)
        Owner->Modified = true;
}

void TStartup::SetLocation(TStartupLocation value) {
    Location = value;
}

void TStartup::SetTitle(const std::string& value) {
    Title = value;
}

std::unique_ptr<TStartup> TStartup::RemoveFromOwner() {
    if (!Owner)
        return nullptr;
    TStartups* owner = Owner;
    std::unique_ptr<TStartup> self = owner->Delete(owner->IndexOf(this));
    return self;
}

std::string TStartup::LocationText() const {
    return ::LocationText(Location, View);
}

std::string TStartupPlace::Text() const {
    return ::LocationText(Location, View);
}

std::string TStartup::DisabledReason() const {
    if (!DisabledByWindows || Enabled)
        return std::string();
    return "Turned off in Windows' Startup settings (Task Manager, Settings > Apps > Startup)";
}

std::string TStartup::CommentText() const {
    return Comment.empty() ? DisabledReason() : Comment;
}

namespace {

// "CU Run", "CU Run and LM Run", "CU Run, CU Run Once and LM Run".
std::string NameList(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

} // namespace

std::vector<std::string> TStartup::AlsoInNames(std::optional<bool> keptOff) const {
    std::vector<std::string> names;
    for (const TStartupPlace& place : AlsoIn) {
        if (keptOff && place.KeptOff != *keptOff)
            continue;
        const std::string name = place.Text();
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    return names;
}

std::string TStartup::AlsoInText() const {
    const std::vector<std::string> on = AlsoInNames(false);
    const std::vector<std::string> off = AlsoInNames(true);
    std::string text;
    if (!on.empty())
        text = "also in " + NameList(on);
    if (!off.empty())
        text += (text.empty() ? "" : "; ") + std::string("kept disabled in ") + NameList(off);
    return text;
}

std::string TStartup::WindowsNote() const {
    std::vector<std::string> notes;
    if (Location == slLMServices || Location == slLMServiceOnce)
        notes.push_back("Windows NT and later do not start it");
    if (!SkippedBy.empty())
        notes.push_back("Windows skips this list at sign-in: the policy " + SkippedBy + " is set");
    if (BlockedAtSignIn)
        notes.push_back("Windows does not start this at sign-in: it asks for administrator rights");
    if (SetByOrganisation)
        notes.push_back("Set by your organisation");
    if (Location == slLMRunOnceEx)
        notes.push_back("It runs once at the next sign-in, and then Windows removes it");
    if (Location == slActiveSetup)
        notes.push_back(AlreadyRan
                            ? "It runs once for each user, and has already run for you"
                            : "It runs once for each user, and will run at your next sign-in");
    if (!Warning.empty())
        notes.push_back(Warning);
    std::string text;
    for (const std::string& note : notes)
        text += (text.empty() ? "" : "; ") + note;
    return text;
}

std::string TStartup::LocatedFile() const {
    return LocateProgramFile(FilePath).Located;
}

bool TStartup::FileMissing() const {
    return LocateProgramFile(FilePath).Missing;
}
