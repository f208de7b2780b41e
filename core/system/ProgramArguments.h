#pragma once
// The arguments a console program was started with, as UTF-8, and a console
// that shows the UTF-8 it writes. On Windows the arguments come from the
// wide command line: `argv` holds them in the ANSI code page, where a title
// such as "中文" is already lost.

#include <string>
#include <vector>

// argv[0] included, as in `argv`.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes a console on standard output and standard error show UTF-8, and
// both streams take the bytes as they are written (no CR is added before a
// LF), redirected or not.
void UseUtf8Console();
