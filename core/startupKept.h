#pragma once
// What is kept, besides the store of disabled entries, to give a disabled
// entry back as it was: a record of each disabled registry value (its type,
// view and own name) in "disabled-values.dat", and a copy of each disabled
// shortcut file under "Shortcuts\<location code>". The write-back keeps them
// before it deletes anything; the store's merge reads them back.

#include "startupUtil.h"

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
};

struct KeptCopy {
    int Code;
    std::string Title;
    std::string CommandLine;
};

std::vector<KeptValue> LoadKeptValues();
// Writes the records beside the file, reads them back and only then puts
// them in its place; false, with the old file as it was, when they could not
// be kept whole.
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
std::vector<KeptCopy> LoadKeptCopies(void* owner);
// A copy is kept only once it reads back as the file it was copied from.
bool CopyVerified(const std::string& from, const std::string& to);

// Shortcut copies and kept values of entries the collection no longer holds
// (removed by the user) are dropped with the store; those of another place
// of a listed entry stay.
void PruneKept(const TStartups& startups);
