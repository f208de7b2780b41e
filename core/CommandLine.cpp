#include "CommandLine.h"

#include "ShortcutLink.h"
#include "system/AsciiCase.h"

#include <algorithm>

namespace {

// Blanks and control characters, as the command-line parser trims them.
std::string TrimBlanks(const std::string& s) {
    size_t first = 0;
    size_t last = s.size();
    while (first < last && static_cast<unsigned char>(s[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ')
        --last;
    return s.substr(first, last - first);
}

const std::string kRundll = "RUNDLL32.EXE";

bool ContainsRundll(const std::string& s) {
    return asciiUpper(s).find(kRundll) != std::string::npos;
}

// One pass of the command-line parser; false when it assigns nothing.
bool ParsePass(const std::string& t, std::string& program, std::string& args) {
    if (t[0] == '"' || t[0] == '\'') {
        const size_t k = t.find(t[0], 1);
        if (k == std::string::npos)
            return false;
        program = t.substr(1, k - 1);
        args = t.substr(k + 1);
        return true;
    }
    const size_t rundll = asciiUpper(t).find(kRundll);
    if (rundll != std::string::npos) {
        program = kRundll;
        args = t.substr(rundll + kRundll.size());
        return true;
    }
    const size_t dot = t.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    const size_t blank = t.find(' ', dot);
    const size_t extEnd = blank == std::string::npos ? t.size() : blank;
    program = t.substr(0, extEnd);
    args = extEnd + 1 < t.size() ? t.substr(extEnd + 1) : std::string();
    return true;
}

// What the profile functions give back for a written value: blanks around it
// dropped, then the quotes of a value in matching quotes.
std::string AsReadFromProfile(const std::string& value) {
    size_t first = 0;
    size_t last = value.size();
    while (first < last && (value[first] == ' ' || value[first] == '\t'))
        ++first;
    while (last > first && (value[last - 1] == ' ' || value[last - 1] == '\t'))
        --last;
    if (last - first >= 2 && (value[first] == '"' || value[first] == '\'') &&
        value[last - 1] == value[first]) {
        ++first;
        --last;
    }
    return value.substr(first, last - first);
}

} // namespace

void ParseCommandLine(const std::string& commandLine, std::string& program, std::string& args) {
    std::string t = commandLine;
    while (!t.empty()) {
        // A pass after a RUNDLL32.EXE pass that finds nothing would see the
        // same text again: stop rather than loop for ever.
        if (!ParsePass(t, program, args)) {
            program = TrimBlanks(program);
            return;
        }
        program = TrimBlanks(program);
        if (asciiUpper(program) != kRundll)
            return;
        t = args;
    }
}

bool SplitProgramCommand(const std::string& commandLine, std::string& program, std::string& args) {
    ParseCommandLine(commandLine, program, args);
    if (!ContainsRundll(commandLine))
        return false;
    std::string dll = program;
    std::replace(dll.begin(), dll.end(), ',', ' ');
    ParseCommandLine(dll, program, args);
    return true;
}

std::string ExtractProgramFile(const std::string& commandLine) {
    if (commandLine.empty())
        return std::string();
    if (commandLine[0] == '"') {
        const size_t k = commandLine.find('"', 1);
        return k == std::string::npos ? std::string() : commandLine.substr(1, k - 1);
    }
    const size_t dot = commandLine.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return std::string();
    const size_t blank = commandLine.find(' ', dot);
    return commandLine.substr(0, blank == std::string::npos ? commandLine.size() : blank);
}

std::string ExtractProgramArguments(const std::string& commandLine) {
    if (commandLine.empty())
        return std::string();
    if (commandLine[0] == '"') {
        const size_t k = commandLine.find('"', 1);
        return k == std::string::npos ? std::string() : commandLine.substr(k + 1);
    }
    const size_t dot = commandLine.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return std::string();
    const size_t blank = commandLine.find(' ', dot);
    return blank == std::string::npos ? std::string() : commandLine.substr(blank + 1);
}

std::string ShortcutCommand(const std::string& target, const std::string& arguments) {
    return "\"" + target + "\" " + arguments;
}

void SplitShortcutCommand(const std::string& commandLine, std::string& target,
                          std::string& arguments) {
    std::string line = commandLine;
    // An older store lost the outer quotes of a line that ended in a quoted
    // argument (`C:\x\y.exe" "C:\my docs\f.txt`): the first quote then
    // follows the target directly, and a blank and the argument's own
    // opening quote follow it.
    if (!line.empty() && line[0] != '"') {
        const size_t quote = line.find('"');
        if (quote != std::string::npos && quote > 0 && quote + 2 < line.size() &&
            line[quote - 1] != ' ' && line[quote + 1] == ' ' && line[quote + 2] == '"')
            line = "\"" + line + "\"";
    }
    if (line.empty() || line[0] != '"') {
        target = ExtractProgramFile(line);
        arguments = ExtractProgramArguments(line);
        return;
    }
    const size_t close = line.find('"', 1);
    if (close == std::string::npos) {
        // A line cut inside its target names no program.
        target.clear();
        arguments.clear();
        return;
    }
    target = line.substr(1, close - 1);
    arguments = line.substr(close + 1);
    if (!arguments.empty() && arguments[0] == ' ')
        arguments.erase(0, 1);
}

std::string ReadShortcutCommandLine(const std::string& file) {
    TShortcutLink link;
    link.ShortcutFile = file;
    try {
        link.LoadLink();
    } catch (const EShortcutError&) {
        return std::string();
    }
    return link.Target.empty() ? std::string() : ShortcutCommand(link.Target, link.Arguments);
}

bool SameShortcutCommand(const std::string& a, const std::string& b) {
    return a == b || AsReadFromProfile(a) == AsReadFromProfile(b);
}
