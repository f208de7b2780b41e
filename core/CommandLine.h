#pragma once
// Command lines: how an entry's is split into its program file and
// arguments, the simpler rule for the lines of shortcuts, and the one form
// a shortcut's command line takes.

#include <string>

// Splits a command line into program P and arguments A (the values kept
// when a pass assigns nothing); exposed for tests.
void ParseCommandLine(const std::string& commandLine, std::string& program, std::string& args);

// An entry's program file and arguments: ParseCommandLine, and for a line
// that runs RUNDLL32.EXE the DLL it loads (its commas read as blanks) as the
// program. `program` and `args` keep their values where a pass assigns
// nothing, as in ParseCommandLine. True for a RUNDLL32.EXE line.
bool SplitProgramCommand(const std::string& commandLine, std::string& program, std::string& args);

// Program file and arguments of a command line, by the simpler rules used for
// shortcuts (they know nothing of RUNDLL32.EXE or single quotes): a quoted
// program ends at its closing quote; an unquoted one at the first blank
// after the last dot, and the arguments follow that blank.
std::string ExtractProgramFile(const std::string& commandLine);
std::string ExtractProgramArguments(const std::string& commandLine);

// The one form of a shortcut's command line: the target in double quotes, a
// blank, then the arguments exactly as stored ("\"C:\\x\\y.exe\" " when
// there are none). Split gives back both parts of such a line whatever the
// arguments hold (quoted paths, quotes inside, blanks); a line that does not
// begin with a quote (typed by hand or from an old profile) is split by the
// simpler rules of ExtractProgramFile and ExtractProgramArguments. Split's
// target is empty when the line names no program.
std::string ShortcutCommand(const std::string& target, const std::string& arguments);
void SplitShortcutCommand(const std::string& commandLine, std::string& target,
                          std::string& arguments);

// The command line of a shortcut file in that form; empty when the file
// cannot be read or names no target.
std::string ReadShortcutCommandLine(const std::string& file);

// Shortcut command lines compare equal when they name the same target and
// arguments: a profile gives back `"C:\x\y.exe" ` (the scan's form for a
// shortcut without arguments) as the bare path, because the profile
// functions drop the quotes of a quoted value.
bool SameShortcutCommand(const std::string& a, const std::string& b);
