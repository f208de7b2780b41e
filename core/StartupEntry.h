#pragma once
// A startup entry: one command line that Windows starts at sign-in, where it
// is registered, what is known of its program, and the sentences the list,
// the detail page and the command-line tool show for it.

#include "StartupLocations.h"
#include "system/FileSignature.h"
#include "system/Registry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TStartups;

// The title an entry gets when nothing names it: its file name without the
// extension (from the last dot on).
std::string TitleFromFileName(const std::string& fileName);

// Another place that holds an entry's command line. The scan lists a command
// line once, under the first place it finds; the others go with that entry,
// so that disabling it turns the program off everywhere and enabling it
// gives every place back (name, view and, through what is kept, type).
struct TStartupPlace {
    TStartupPlace() = default;
    TStartupPlace(TStartupLocation location, RegView view, std::string title,
                  std::optional<std::string> valueName = std::nullopt, bool keptOff = false)
        : Location(location), View(view), Title(std::move(title)), ValueName(std::move(valueName)),
          KeptOff(keptOff) {}

    TStartupLocation Location = 0;
    RegView View = RegView::Default;
    std::string Title;
    // The registry value's own name when it is not the title (the default
    // value has an empty name and is listed under its program's name).
    std::optional<std::string> ValueName;
    // The user disabled the program in this place, and it is in the system
    // again from another one (an installer registered it once more): the
    // entry is enabled, but this place stays off. Another registration of a
    // program must not turn back on one the user turned off.
    bool KeptOff = false;

    // The name of the value this place stands for: ValueName, else Title.
    const std::string& RegistryName() const { return ValueName ? *ValueName : Title; }

    // The location's display name, with " (32-bit)" for the 32-bit view.
    std::string Text() const;
};

// Where an entry's rating comes from and what else is known of its program.
struct TProgramVerdict {
    // "Morvane's list, version N", a rating server's address, or empty when
    // nobody knows the program.
    std::string Source;
    std::string Publisher;
    // How to stop it starting from inside the program itself.
    std::string TurnOff;
    // The file judged: what Windows starts, or what its launcher runs.
    std::string Program;
    // The script host that runs it (wscript.exe), when one does.
    std::string ScriptHost;
    // It carries a known program's name but is not that program: it is not
    // where that program lives, or not signed by its maker. Why, in one
    // sentence.
    bool LookAlike = false;
    std::string LookAlikeReason;
    // The maker the catalogue names for a program of this file name, even
    // when this file is a look-alike of it: what its signature must show.
    std::string ExpectedPublisher;
    // What the located program file proves of its maker (Unchecked until
    // its check ends).
    TFileSignature Signature;
};

class TStartup {
public:
    int Rating = 0;
    std::string FileName;
    std::string Title;
    std::string CommandLine;
    TStartupLocation Location = 0;
    int ImageIndex = -1;
    bool Enabled = false;
    TStartups* Owner = nullptr;
    std::string Comment;
    std::string DetailComment;
    std::string Arguments;
    std::string FilePath;
    bool IsRundll = false;
    TProgramVerdict Verdict;
    // The registry view a machine-wide entry was found in; Default for
    // entries of a profile or store that names none, until apply settles it.
    RegView View = RegView::Default;
    // The registry value's type as the scan found it (REG_SZ or
    // REG_EXPAND_SZ); regNone when it is not known. The store keeps it, so
    // that a disabled value comes back with its own type even when its
    // record is lost.
    uint32_t ValueType = regNone;
    // Windows' own Startup settings (Task Manager's Startup tab, Settings >
    // Apps > Startup) turned the entry off: its value or shortcut is there,
    // but Windows does not start it. The scan lists it unticked; an apply
    // leaves it exactly as it is until the user ticks it, and then clears
    // Windows' mark so that it starts again.
    bool DisabledByWindows = false;
    // The other places that hold the same command line (see TStartupPlace).
    std::vector<TStartupPlace> AlsoIn;
    // The registry value's own name when it is not the title: the default
    // (empty-named) value is listed under its program's name, but it is that
    // value that is deleted and written back.
    std::optional<std::string> ValueName;
    const std::string& RegistryName() const { return ValueName ? *ValueName : Title; }
    // What names an entry switched in place within its location: the
    // RunOnceEx subkey, "<package family>\\<task id>", the Active Setup
    // component, the Winlogon value.
    std::string PlaceKey;
    // A packaged app's task that the organisation set (State 3 or 4): shown
    // as it is, never changed.
    bool SetByOrganisation = false;
    // A packaged task that its manifest turns on until the user switches it.
    bool StartsByDefault = false;
    // An Active Setup component that has run for this user already.
    bool AlreadyRan = false;
    // A Winlogon value that is not Windows' default: why it needs a look.
    std::string Warning;
    // A policy switch that makes Windows skip this entry's list at sign-in
    // ("DisableCurrentUserRun"); empty when none is set.
    std::string SkippedBy;
    // The program asks for administrator rights in its manifest, so Windows
    // does not start it from a Run key or a Startup folder at sign-in.
    bool BlockedAtSignIn = false;

    void SetEnabled(bool value);
    void SetFileName(const std::string& value);
    void SetCommandLine(const std::string& value);
    void SetRating(int value);
    void SetLocation(TStartupLocation value);
    void SetTitle(const std::string& value);
    void SetComment(const std::string& value) { Comment = value; }
    void SetDetailComment(const std::string& value) { DetailComment = value; }
    void SetImageIndex(int value) { ImageIndex = value; }

    // Takes the entry out of its owner's list without freeing it; the caller
    // owns it from then on.
    std::unique_ptr<TStartup> RemoveFromOwner();

    // Location display name, with " (32-bit)" for an entry of the 32-bit
    // registry view on 64-bit Windows.
    std::string LocationText() const;

    // For the list, the detail page and the command-line tool; each is empty
    // when there is nothing to say.
    // "Turned off in Windows' Startup settings (Task Manager, Settings >
    // Apps > Startup)" for an entry Windows turned off.
    std::string DisabledReason() const;
    // What the list's "Comment" column shows: the server's comment, else the
    // reason above.
    std::string CommentText() const;
    // "also in CU Run", "also in CU Run and LM Run (32-bit)", ...; places
    // kept off follow as "kept disabled in CU Run".
    std::string AlsoInText() const;
    // The location texts of the other places, each once, in their order:
    // every place, or only those kept off (true) or only the others (false).
    std::vector<std::string> AlsoInNames(std::optional<bool> keptOff = std::nullopt) const;
    // What Windows does with the entry when that is not simply "starts it":
    // "Windows NT and later do not start it" for RunServices and
    // RunServicesOnce, a policy switch, a program Windows will not start,
    // a task set by the organisation, what runs once.
    std::string WindowsNote() const;
    // The program file as found (LocateProgramFile of FilePath, see
    // ProgramSearch.h), and whether it is missing. A caller that asks for
    // many entries asks a TProgramLookups instead, which gives the same
    // answers from one listing per folder.
    std::string LocatedFile() const;
    bool FileMissing() const;

private:
    friend class TStartups;
    TStartup() = default;
    // Added by AddPlaced: its command line is not counted by the collection.
    bool placed_ = false;
};
