#include "ProgramArguments.h"

#include "TextCodec.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "UniqueHandle_win.h"

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    UniqueLocal<LPWSTR> owner(CommandLineToArgvW(GetCommandLineW(), &count));
    LPWSTR* wide = owner.get();
    if (!wide)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        out.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
    return out;
}

void UseUtf8Console() {
    SetConsoleOutputCP(CP_UTF8);
    // In text mode the C runtime writes CR LF for every LF, and so CR CR LF
    // for the CR LF that CSV and XML end their lines with, or that a value
    // holds: scripts would read an empty record after every row.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}
