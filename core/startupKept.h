#pragma once
// What is kept, besides the store of disabled entries, to give a disabled
// entry back as it was: a record of each disabled registry value (its type,
// view and own name) in "disabled-values.dat", and a copy of each disabled
// shortcut file under "Shortcuts\<location code>". The write-back keeps them
// before it deletes anything; the store's merge reads them back.

#include "StartupList.h"

#include <cstdint>
#include <string>
#include <vector>

struct KeptValue {
    int Code = 0;
    RegView View = RegView::Default;
    uint32_t Type = regSz;
    std::string Title;
    std::string CommandLine;
    // The value's own name; the title for records written before names were
    // kept apart from titles.
    std::string Name;
    // The value's data whole when it is more than the command line and its
    // ending NUL (bytes after an embedded NUL, which Windows never reads
    // but which are the value's all the same); empty otherwise.
    std::string Data;
};

// The records file as read. A file Morvane did not write as it is (empty,
// cut inside a line, a line that is no record) is damaged: it must be kept
// aside, never written over, and only its lines that still read whole count.
struct KeptValuesFile {
    std::vector<KeptValue> Values;
    bool Damaged = false;
};

struct KeptCopy {
    int Code;
    std::string Title;
    std::string CommandLine;
};

// The records file's text (UTF-8, one record a line) and back.
KeptValuesFile ParseKeptValues(const std::string& text);
std::string KeptValuesText(const std::vector<KeptValue>& values);

KeptValuesFile ReadKeptValues();
// The records that read whole (see KeptValuesFile).
std::vector<KeptValue> LoadKeptValues();
// Writes the records beside the file, reads them back and only then puts
// them in its place; false, with the old file as it was, when they could not
// be kept whole or the old file is damaged (what it still holds is not
// written over).
bool SaveKeptValues(const std::vector<KeptValue>& values);

// Default stands for "either view" on both sides: entries from a profile
// have no view until apply settles it, and single-view systems keep none.
bool SameView(RegView a, RegView b);

// The record of a place: by name when one is given, else (a profile entry
// that knows no value name) the first of its command line.
const KeptValue* FindKept(const std::vector<KeptValue>& values, int code,
                          const std::string& commandLine, RegView view = RegView::Default,
                          const std::string* name = nullptr);

// The copies of both startup folders, with the command line each gives.
std::vector<KeptCopy> LoadKeptCopies();
// A copy is kept only once it reads back as the file it was copied from.
bool CopyVerified(const std::string& from, const std::string& to);

// Shortcut copies and kept values of entries the collection no longer holds
// (removed by the user) are dropped with the store; those of another place
// of a listed entry stay.
void PruneKept(const TStartups& startups);
