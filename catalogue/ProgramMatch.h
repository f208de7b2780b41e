#pragma once
// Which catalogued program a startup entry starts: the program Windows runs
// is judged by what it launches (the DLL of rundll32, the script of a script
// host, the app of an updater that starts it), by file name and folder, then
// by the entry's title. One function for the window, the command-line tool
// and the rating server, so that the three never disagree.

#include "Catalogue.h"

#include <string>
#include <string_view>

// What a command line starts, read from its text alone.
struct TLaunch {
    // The file judged, as written (a path, or a bare name); empty when the
    // command line names none (a script given inline).
    std::string Program;
    // Its folder when the path says it, without a trailing backslash.
    std::string Folder;
    // The script host or launcher in between ("wscript.exe"), empty when the
    // program is started directly.
    std::string Host;
    // The host runs scripts (wscript, cscript, mshta, powershell, cmd).
    bool ScriptHost = false;
};

// `commandLine` with its environment variables already expanded.
TLaunch ResolveLaunch(std::string_view commandLine);

// The file name of a path: the text after the last backslash, slash or colon.
std::string_view PathFileName(std::string_view path);

struct TProgramMatch {
    // The record of the program; null when nothing in the catalogue names it.
    const TCatalogueRecord* Record = nullptr;
    // The file carries the record's program name but is in none of its
    // folders: it is not that program, and may pretend to be it.
    bool LookAlike = false;
    TLaunch Launch;

    bool Known() const { return Record != nullptr; }
    // Not recommended for a look-alike, else the record's rating; 0 unknown.
    int Rating() const;
    // The record's comment; for a look-alike, why it is one.
    std::string Comment() const;
    // For a look-alike, why it is one in one sentence; empty otherwise.
    std::string Reason() const;
    // "Runs a script through wscript.exe." where a script host starts it.
    std::string HostNote() const;
};

// Matches by the launched file's name (generic names only in their
// folders), then by title. `programPath` is the program the command line
// starts as its entry found it (with environment variables expanded); it is
// judged unless the command line shows a launcher, whose target is judged
// instead. Without it, the command line's first word stands for it.
TProgramMatch MatchProgram(const TCatalogue& catalogue, std::string_view title,
                           std::string_view expandedCommandLine, std::string_view programPath = {});
// The same for a program file name or path already resolved, as a rating
// server receives it.
TProgramMatch MatchFile(const TCatalogue& catalogue, std::string_view title,
                        std::string_view programPath);
