#pragma once
// Startup entries, the collection that holds them, the table of startup
// locations, and the operations on the collection: scanning, writing back,
// the store of disabled entries and profile files.

#include "system/FileSignature.h"
#include "system/Registry.h"
#include "system/StringList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

using TStartupLocation = uint8_t;

enum : TStartupLocation {
    slLMStartupFolder = 0,
    slWinIniRun = 1,
    slWinIniLoad = 2,
    slSystemIni = 3,
    slLMRun = 4,
    slLMRunOnce = 5,
    slLMServices = 6,
    slLMServiceOnce = 7,
    slCURun = 8,
    slCURunOnce = 9,
    slCUStartup = 10,
    // The policy Run lists: values like those of Run.
    slCUPolicyRun = 11,
    slLMPolicyRun = 12,
    // Numbered subkeys of commands, run once at the next sign-in.
    slLMRunOnceEx = 13,
    // A packaged (Store) app's startup task, switched by its State value.
    slPackagedTask = 14,
    // Winlogon's Userinit, Shell and Taskman: listed, never disabled.
    slLMWinlogon = 15,
    slCUWinlogon = 16,
    // An Active Setup component's StubPath, run once per user.
    slActiveSetup = 17,
};

constexpr int LocationCodeCount = 18;
constexpr int LocationGroupCount = 20;
// The codes up to this one are the classic locations, which every Morvane
// reads from a profile; the others go in sections of their own.
constexpr int ClassicLocationCount = 11;

// Display name of a location code; empty for unknown codes.
const char* LocationName(unsigned code);
// The registry key of the value locations (with its leading backslash), and
// of RunOnceEx, Winlogon and Active Setup; empty otherwise.
const char* LocationKey(unsigned code);
// Locations of values that are deleted and kept to disable them (Run and
// its kin, the policy Run lists).
bool IsRegistryLocation(unsigned code);
bool IsFolderLocation(unsigned code);
bool IsMachineWideLocation(unsigned code);
// Locations whose entries are switched in the system itself (a subkey
// moved, a State or IsInstalled value) rather than kept in the store of
// disabled entries; and Winlogon's, which are never switched.
bool IsSwitchedInPlace(unsigned code);
bool CanBeDisabled(unsigned code);
// How the command-line tool's outputs name the kind of a location: "run",
// "runOnce", "service", "startupFolder", "iniFile", "policyRun",
// "runOnceEx", "packagedTask", "winlogon", "activeSetup".
const char* LocationKind(unsigned code);
// The registry views a location is scanned in: the native and the 32-bit
// view for the machine-wide keys on 64-bit Windows (Winlogon: the native
// one alone), else the default one.
std::vector<RegView> ViewsOf(unsigned code);

// The location tree, one row per node: its parent (-1 for a top node), its
// caption, its path name (how the command-line tool names it: lower case,
// "local machine/run"), and the location codes it shows (bit n = code n).
struct TLocationNode {
    int Parent;
    const char* Caption;
    const char* Path;
    uint32_t Codes;
};
extern const TLocationNode LocationTree[LocationGroupCount];
// The node with this path name, letter case ignored; -1 when there is none.
int LocationNodeByPath(const std::string& path);
bool InLocationGroup(unsigned code, int group);

class TStartups;

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
    virtual ~TStartup() = default;

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
    virtual void SetFileName(const std::string& value);
    virtual void SetCommandLine(const std::string& value);
    virtual void SetRating(int value);
    virtual void SetLocation(TStartupLocation value);
    virtual void SetTitle(const std::string& value);
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
    // What Windows does with the entry when that is not simply "starts it":
    // "Windows NT and later do not start it" for RunServices and
    // RunServicesOnce, a policy switch, a program Windows will not start,
    // a task set by the organisation, what runs once.
    std::string WindowsNote() const;
    // The program file as found: FindOnPath of FilePath, with environment
    // variables expanded; and whether it is missing (the list's red line and
    // the page's warning use this one test).
    std::string LocatedFile() const;
    bool FileMissing() const;

private:
    friend class TStartups;
    TStartup() = default;
    // Added by AddPlaced: its command line is not counted by the collection.
    bool placed_ = false;
};

// A list that owns the objects in it. Clear frees them; Delete only takes
// one out of the list.
template <class T> class TObjectsList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    T* Items(int i) const { return items_.at(static_cast<size_t>(i)).get(); }
    void Add(std::unique_ptr<T> item) { items_.push_back(std::move(item)); }
    std::unique_ptr<T> Delete(int i); // raises EListError outside the list
    void Clear() { items_.clear(); }
    int IndexOf(const T* item) const;

private:
    std::vector<std::unique_ptr<T>> items_;
};

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

class TStartups {
public:
    // The owner window is the parent of shell calls (a HWND on Windows).
    explicit TStartups(void* ownerWindow = nullptr);
    ~TStartups();
    TStartups(const TStartups&) = delete;
    TStartups& operator=(const TStartups&) = delete;

    bool Modified = false;
    // Set once the store of disabled entries was merged into this collection;
    // until then a store write keeps the stored entries it does not hold, so
    // that a failed scan followed by closing the window forgets nothing.
    bool StoreMerged = false;
    std::string UserComments;
    std::string CreationDate;
    // What the last Refresh and store merge have to tell the user once:
    // registry values that were passed over, a damaged store that was kept
    // aside. Cleared by Refresh.
    std::vector<std::string> Notices;
    // The notices as one message; empty when there are none.
    std::string NoticeText() const;

    int Count() const { return list_.Count(); }
    TStartup* Items(int i) const { return list_.Items(i); }
    int IndexOf(const TStartup* entry) const { return list_.IndexOf(entry); }

    // Returns the new entry, or null for an empty or already present command
    // line (exact, case-sensitive comparison).
    TStartup* Add(const std::string& title, const std::string& fileName,
                  const std::string& commandLine, int location, int rating);
    // An entry switched in place (a RunOnceEx subkey, a packaged task, ...):
    // named by its location and PlaceKey, so another place's entry for the
    // same command line does not stand in for it. Null for an empty
    // command line.
    TStartup* AddPlaced(const std::string& title, const std::string& commandLine, int location,
                        const std::string& placeKey);
    // The entry switched in place at this location and key; null when none.
    TStartup* FindPlaced(int location, RegView view, const std::string& placeKey) const;
    std::unique_ptr<TStartup> Delete(int index);
    void Clear();

    // Scans both startup folders and the six registry keys and adds what it
    // finds. The caller clears the collection first.
    void Refresh();

    // Makes the system match the collection. Entries that already match are
    // left untouched; what could not be written or deleted is reported.
    TApplyReport ApplyChanges();

    // Profile (".mvp") files. SaveToFile replaces the file only once the new
    // one is complete; LoadFromFile does nothing when the file is missing.
    void SaveToFile(const std::string& path);
    void LoadFromFile(const std::string& path);

    void* OwnerWindow() const { return owner_; }

    // Finds the entry with this command line; null when there is none.
    TStartup* FindCommandLine(const std::string& commandLine) const;

private:
    friend class TStartup;
    void CommandLineChanged(const std::string& before, const std::string& after);

    void* owner_;
    TObjectsList<TStartup> list_;
    std::unordered_map<std::string, int> commandLines_;
};

// Whether a file reads as a profile: a [General] section whose
// "ProgramCount", when present, is a count. `why` says what is wrong.
bool IsProfileFile(const std::string& path, std::string& why);

class TProfileData;
// Adds the entry of one section of a profile or store: its title, command
// line, location, rating, state and what it says of the registry value
// (name, view, type). Null when the section names no command line or one
// that is listed already.
TStartup* AddProfileSection(TStartups& startups, const TProfileData& data,
                            const std::string& section);

// Program file and arguments of a command line, by the simpler rules used for
// shortcuts (they know nothing of RUNDLL32.EXE or single quotes).
std::string ExtractProgramFile(const std::string& commandLine);
std::string ExtractProgramArguments(const std::string& commandLine);

// Splits a command line into program P and arguments A (the values kept
// when a pass assigns nothing); exposed for tests.
void ParseCommandLine(const std::string& commandLine, std::string& program, std::string& args);

// The search path, split once from "PATH" at the first use.
TStringList& SearchFolders();
void SplitList(const std::string& text, char separator, TStringList& list);
// The name itself when it exists, else the first match in the search path,
// else the name unchanged. Environment variables in the name are expanded
// first, and the native System32 is looked in (NativeFilePath), so the
// answer names the file the way Windows starts it; nothing stored changes.
std::string FindOnPath(const std::string& name);
// The same search with the test of each candidate given (it is handed the
// candidate as FindOnPath writes it, before NativeFilePath), for a caller
// that answers many searches from what it already knows of the folders;
// found tells whether the answer exists.
std::string FindOnPath(const std::string& name,
                       const std::function<bool(const std::string&)>& exists, bool* found);
// Whether a FindOnPath answer names an existing file, seen as Windows sees it.
bool ProgramFileExists(const std::string& located);

// Shortcut command lines compare equal when they name the same target and
// arguments: a profile gives back `"C:\x\y.exe" ` (the scan's form for a
// shortcut without arguments) as the bare path, because the profile
// functions drop the quotes of a quoted value.
bool SameShortcutCommand(const std::string& a, const std::string& b);

// The data folder and its files: the store of disabled entries, the records
// of disabled values, the copies of disabled shortcuts of a location, and
// the portable build's lock file.
std::string DataFolder();
std::string DisabledStorePath();
std::string KeptValuesPath();
std::string KeptShortcutFolder(int code);
std::string SystemLockPath();
// The signature checks of program files, kept for the next run (startupSignatures.h).
std::string SignatureCachePath();
// What each packaged app's manifest declares, kept for the next scan (PackagedApps.h).
std::string PackageTasksCachePath();
// Where a store that cannot be read is kept aside: the store's path followed
// by ".damaged-" and the local date and time (YYYYMMDD-HHMMSS).
std::string DamagedStorePath(const std::string& storePath);
// Moves a damaged file of the data folder out of the way, to
// DamagedStorePath (with "-2", "-3"... when that is taken); the name it went
// to, or empty when it could not be moved (then it must not be written over).
std::string KeepAside(const std::string& path);
void SaveDisabledStore(TStartups& startups, void* ownerWindow);

// Merges the store of disabled entries into a fresh scan, with what is kept
// of each disabled entry (a refresh step: see RefreshStartups).
void RestoreDisabledStore(TStartups& startups, void* ownerWindow);

// The use cases built on all of the above.
#include "startupTasks.h"
