// What it cannot model: Windows' own splitting of the command line (quotes
// and backslashes); the host's shell has split it already.
#include "ProgramArguments.h"

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void UseUtf8Console() {}
