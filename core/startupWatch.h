#pragma once
// The watcher: what it remembers of the startup locations between two looks,
// how two looks differ, the entries the user silenced and the programs the
// user allowed back, and the look itself, which keeps the programs the user
// turned off with Morvane off when they register themselves again.
//
// The window's watch mode and the command-line tool's "watch" share it; they
// only decide when to look (system/ChangeWatch.h) and how to tell the user.

#include "startupTasks.h"
#include "system/ChangeWatch.h"
#include "system/Lock.h"

#include <string>
#include <vector>

// The per-user Run value that starts the watcher at sign-in: Morvane's own,
// which the list names as such and rates itself.
extern const char* const WatcherRunValueName;

// One registration as the watcher remembers it: where it is, under which
// name, and what it starts.
struct TWatchItem {
    TStartupLocation Location = 0;
    RegView View = RegView::Default;
    // The value or shortcut name that identifies it, and the title the list
    // shows (they differ for a key's default value).
    std::string Name;
    std::string Title;
    std::string CommandLine;
    // Windows' own Startup settings turn it off (a StartupApproved mark).
    bool OffByWindows = false;

    // "CU Run", "LM Run (32-bit)": the place as the list names it.
    std::string PlaceText() const;
    // The same location, view and name (letter case ignored, as Windows
    // compares value and file names).
    bool SamePlace(const TWatchItem& other) const;
};
using TWatchSnapshot = std::vector<TWatchItem>;

// Every registration a scan found: each entry's own place and its others.
TWatchSnapshot SnapshotOf(const TStartups& scanned);

// The snapshot file: a header line, one line per registration with its
// fields separated by tabs (tabs, line breaks and backslashes escaped), and
// a last line that counts them, so that a cut file reads as damaged.
std::string FormatSnapshot(const TWatchSnapshot& snapshot);
// False, with `snapshot` empty, for text that is not such a file whole.
bool ParseSnapshot(const std::string& text, TWatchSnapshot& snapshot);

enum class TWatchChange {
    Added,        // a registration that was not there
    Changed,      // the same place starts another command line
    Removed,      // a registration that is gone
    KeptOff,      // a program the user turned off came back and was turned off again
    KeepOffFailed // ... and could not be turned off again
};

struct TWatchEvent {
    TWatchChange Change = TWatchChange::Added;
    TWatchItem Item;
    std::string OldCommandLine; // for Changed
    std::string Reason;         // for KeepOffFailed: what the disabling reported

    // "added", "changed", "removed", "kept-off", "keep-off-failed".
    const char* ChangeName() const;
    // The one line the user is told.
    std::string Text() const;
};

// What differs between two looks, in the order of the newer one (removals
// last). A registration that only moved in the scan's order is no change.
std::vector<TWatchEvent> CompareSnapshots(const TWatchSnapshot& before,
                                          const TWatchSnapshot& after);

// The entries whose changes the user does not want to hear of (an updater
// that rewrites its own entry), and the program files the user allowed to
// start again although they were turned off with Morvane.
class TWatchLists {
public:
    bool Ignores(const TWatchItem& item) const;
    void Ignore(const TWatchItem& item);
    // `program` is a located program file (TStartup::LocatedFile).
    bool Allows(const std::string& program) const;
    void Allow(const std::string& program);

    std::string Format() const;
    // False, with the lists empty, for text that is not such a file whole.
    bool Parse(const std::string& text);

private:
    std::vector<TWatchItem> ignored_;  // place only; the command line is empty
    std::vector<std::string> allowed_; // lower case
};

// What the watcher waits on: every registry key of every location in each of
// its views, the keys of the StartupApproved marks, and the Startup folders.
std::vector<TWatchedKey> WatchedKeys();
std::vector<std::string> WatchedFolders();

// Waits for a change (up to `timeoutMs`, negative: without end) and then for
// the burst it begins to settle (an installer writes many values in a row):
// until nothing more changes for a moment, and never much more than a second,
// so that a change is still told within two seconds.
TWake WaitForChanges(TChangeWatch& watch, int timeoutMs);

class TStartupWatch {
public:
    TStartupWatch();

    // Looks at every location and returns what changed since the last look;
    // the first look compares with the snapshot saved by the last run, so
    // that what changed while no watcher ran is told too. A program the user
    // turned off with Morvane that registered itself again is turned off
    // again, the way Morvane disables, under the lock the window and the
    // tool take. The snapshot is written after each look.
    std::vector<TWatchEvent> Look();

    // What the last look could not do or found damaged, to be told once.
    std::vector<std::string> Notices;

    // The user's choices, saved at once. TurnOff disables the registration
    // the way the window's Apply does and returns what could not be done
    // (empty when it was done).
    void Ignore(const TWatchItem& item);
    void Allow(const TWatchItem& item);
    std::string TurnOff(const TWatchItem& item);

    const TWatchLists& Lists() const { return lists_; }
    // How many looks this watcher made: the events of one look share it.
    int Looks() const { return looks_; }

private:
    void loadSnapshot();
    void loadLists();
    void saveLists();
    // The located program file of a registration's command line.
    std::string programOf(const std::string& commandLine) const;

    bool loaded_ = false;
    // A snapshot to compare with: none before the first look of the first run
    // (or after a damaged one was set aside), when nothing is told.
    bool baseline_ = false;
    // A damaged file that could not be moved aside is never written over.
    bool keepSnapshot_ = false;
    bool keepLists_ = false;
    int looks_ = 0;
    TWatchSnapshot last_;
    TWatchLists lists_;
};
