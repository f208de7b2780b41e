#include "ProgramMatch.h"

#include "core/system/AsciiCase.h"

#include <cstring>
#include <vector>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view skipBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

bool endsWithNoCase(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && asciiEqualNoCase(s.substr(s.size() - end.size()), end);
}

// The program of a command line and what follows it. A quoted program ends
// at its quote; an unquoted one at the first blank, unless a program name
// with blanks in its folders (C:\Program Files\x.exe) ends later at an
// executable's extension, which is where Windows would find it.
void splitProgram(std::string_view line, std::string_view& program, std::string_view& rest) {
    line = skipBlanks(line);
    if (!line.empty() && line.front() == '"') {
        const std::size_t close = line.find('"', 1);
        program =
            line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
        rest = close == std::string_view::npos ? std::string_view() : line.substr(close + 1);
        return;
    }
    auto executable = [](std::string_view candidate) {
        for (const char* ext : {".exe", ".com", ".bat", ".cmd", ".scr", ".pif"})
            if (endsWithNoCase(candidate, ext))
                return true;
        return false;
    };
    std::size_t end = 0;
    while (end < line.size() && !isBlank(line[end]))
        ++end;
    const std::string_view first = line.substr(0, end);
    if (!executable(first) && first.find_first_of("\\:") != std::string_view::npos)
        for (std::size_t at = end + 1; at <= line.size(); ++at)
            if ((at == line.size() || isBlank(line[at])) && executable(line.substr(0, at))) {
                end = at;
                break;
            }
    program = line.substr(0, end);
    rest = line.substr(end);
}

// The arguments, split at blanks outside double quotes; quotes dropped.
std::vector<std::string> splitArguments(std::string_view text) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false, any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (isBlank(c) && !quoted) {
            if (any)
                args.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        args.push_back(current);
    return args;
}

std::string stem(std::string_view program) {
    std::string name = asciiLower(PathFileName(program));
    if (endsWithNoCase(name, ".exe"))
        name.resize(name.size() - 4);
    return name;
}

bool isOption(const std::string& arg) {
    return !arg.empty() && (arg.front() == '/' || arg.front() == '-');
}

// The argument after the first of these options, or after "option=".
std::string optionValue(const std::vector<std::string>& args,
                        std::initializer_list<std::string_view> options) {
    for (std::size_t i = 0; i < args.size(); ++i)
        for (std::string_view option : options) {
            if (asciiEqualNoCase(args[i], option))
                return i + 1 < args.size() ? args[i + 1] : std::string();
            if (args[i].size() > option.size() + 1 && args[i][option.size()] == '=' &&
                asciiEqualNoCase(std::string_view(args[i]).substr(0, option.size()), option))
                return args[i].substr(option.size() + 1);
        }
    return {};
}

std::string firstPlainArgument(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (!isOption(arg))
            return arg;
    return {};
}

std::string folderOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string_view::npos)
        return {};
    std::string folder(path.substr(0, slash));
    for (char& c : folder)
        if (c == '/')
            c = '\\';
    return folder;
}

TLaunch direct(std::string_view program) {
    TLaunch launch;
    launch.Program = std::string(program);
    launch.Folder = folderOf(program);
    return launch;
}

TLaunch resolve(std::string_view commandLine, int depth) {
    std::string_view program, rest;
    splitProgram(commandLine, program, rest);
    const std::string name = stem(program);
    const std::string host(PathFileName(program));
    auto through = [&](const std::string& target, bool script) {
        TLaunch launch = direct(target);
        launch.Host = host;
        launch.ScriptHost = script;
        return launch;
    };
    if (name == "rundll32" || name == "regsvr32") {
        std::string dll = firstPlainArgument(splitArguments(rest));
        const std::size_t comma = dll.find(',');
        if (comma != std::string::npos)
            dll.resize(comma);
        return through(dll, false);
    }
    if (name == "update" || name == "squirrel") {
        const std::string app =
            optionValue(splitArguments(rest), {"--processStart", "--processStartAndWait"});
        // The app lives in a versioned folder beside the updater (app-1.2.3),
        // which the command line does not say.
        if (!app.empty()) {
            TLaunch launch;
            launch.Program = app;
            launch.Host = host;
            return launch;
        }
    }
    if (name == "java" || name == "javaw")
        return through(optionValue(splitArguments(rest), {"-jar"}), false);
    if (name == "wscript" || name == "cscript")
        return through(firstPlainArgument(splitArguments(rest)), true);
    if (name == "mshta") {
        std::string target = firstPlainArgument(splitArguments(rest));
        // Inline script ("vbscript:...", "javascript:...") names no file.
        if (target.find("script:") != std::string::npos)
            target.clear();
        return through(target, true);
    }
    if (name == "powershell" || name == "pwsh")
        return through(optionValue(splitArguments(rest), {"-File", "-f"}), true);
    if (name == "cmd" && depth < 3) {
        std::string_view inner = skipBlanks(rest);
        while (!inner.empty()) {
            const std::size_t end = inner.find_first_of(" \t");
            const std::string_view word = inner.substr(0, end);
            inner =
                end == std::string_view::npos ? std::string_view() : skipBlanks(inner.substr(end));
            if (asciiEqualNoCase(word, "/c") || asciiEqualNoCase(word, "/k"))
                break;
        }
        // "start" runs a program in its own window: its first quoted
        // argument is a window title, and its options start with "/".
        if (inner.size() > 6 && asciiEqualNoCase(inner.substr(0, 6), "start ")) {
            inner = skipBlanks(inner.substr(6));
            if (inner.size() >= 2 && inner.front() == '"') {
                const std::size_t close = inner.find('"', 1);
                std::string_view after =
                    close == std::string_view::npos ? std::string_view() : inner.substr(close + 1);
                if (after.empty() || isBlank(after.front()))
                    inner = skipBlanks(after);
            }
            while (!inner.empty() && inner.front() == '/') {
                const std::size_t end = inner.find_first_of(" \t");
                inner = end == std::string_view::npos ? std::string_view()
                                                      : skipBlanks(inner.substr(end));
            }
        }
        TLaunch launch = resolve(inner, depth + 1);
        if (launch.Host.empty()) {
            launch.Host = host;
            launch.ScriptHost = true;
        }
        return launch;
    }
    return direct(program);
}

bool inFolders(const TCatalogueRecord& record, const std::string& folder) {
    for (const std::string& hint : record.Folders)
        if (WildcardMatch("*" + hint, folder))
            return true;
    return false;
}

// Places where no installed program lives: a drive's root, the public or a
// user's own profile folder, the roots of AppData and ProgramData, and any
// temporary, download or desktop folder or the recycle bin.
bool unusualFolder(const std::string& folder) {
    const std::string f = asciiLower(folder);
    if (f.size() <= 3)
        return true;
    for (const char* part : {"\\temp", "\\tmp", "\\$recycle.bin", "\\downloads", "\\desktop"}) {
        const std::size_t at = f.find(part);
        const std::size_t end = at + std::strlen(part);
        if (at != std::string::npos && (end == f.size() || f[end] == '\\'))
            return true;
    }
    const std::size_t users = f.find(":\\users\\");
    if (users == 1) {
        const std::size_t profileEnd = f.find('\\', 9);
        if (profileEnd == std::string::npos)
            return true; // C:\Users\Name or C:\Users\Public itself
        const std::string rest = f.substr(profileEnd);
        if (rest == "\\appdata\\roaming" || rest == "\\appdata\\local" ||
            rest == "\\appdata\\locallow" || rest == "\\appdata")
            return true;
    }
    return f.size() == 14 && f.compare(1, 13, ":\\programdata") == 0;
}

// Whether a file of the record's name found outside its folders pretends
// to be it. What lives in the Windows folder (Windows' own programs and
// drivers' helpers) lives nowhere else; another program may be installed
// anywhere, so only a place where no program is installed gives it away.
bool pretends(const TCatalogueRecord& record, const std::string& folder) {
    if (unusualFolder(folder))
        return true;
    for (const std::string& hint : record.Folders) {
        const bool inWindows = asciiEqualNoCase(std::string_view(hint).substr(0, 8), "\\Windows") &&
                               (hint.size() == 8 || hint[8] == '\\');
        if (!inWindows)
            return false;
    }
    return true;
}

bool namesTitle(const TCatalogueRecord& record, std::string_view title) {
    for (const std::string& t : record.Titles)
        if (WildcardMatch(t, title))
            return true;
    return false;
}

// The folder as the hints are compared with it: backslashes, no trailing
// one, no "\\?\" prefix.
std::string comparableFolder(std::string folder) {
    if (folder.rfind("\\\\?\\", 0) == 0)
        folder.erase(0, 4);
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

TProgramMatch matchLaunch(const TCatalogue& catalogue, std::string_view title, TLaunch launch) {
    TProgramMatch match;
    launch.Folder = comparableFolder(launch.Folder);
    match.Launch = launch;
    // A short name (PROGRA~1) or a relative folder says nothing the hints
    // can be compared with: the folder counts as unknown.
    if (launch.Folder.find('~') != std::string::npos ||
        (launch.Folder.size() < 2 || (launch.Folder[1] != ':' && launch.Folder[0] != '\\')))
        launch.Folder.clear();
    const std::string_view name = PathFileName(launch.Program);
    const bool generic = catalogue.IsGeneric(name);
    const TCatalogueRecord* misplaced = nullptr;
    // Of several records of one name: the one of this folder first, then
    // the one of this title, then the first.
    int best = -1;
    if (!name.empty()) {
        for (const TCatalogueRecord* record : catalogue.ByProgram(name)) {
            const bool inPlace = !record->Folders.empty() && !launch.Folder.empty() &&
                                 inFolders(*record, launch.Folder);
            bool placed = inPlace;
            if (record->Folders.empty() || launch.Folder.empty())
                placed = !generic;
            else if (!inPlace && !generic && !pretends(*record, launch.Folder))
                placed = true;
            if (!placed) {
                if (!generic && !misplaced)
                    misplaced = record;
                continue;
            }
            const int score = (inPlace ? 2 : 0) + (namesTitle(*record, title) ? 1 : 0);
            if (score > best) {
                match.Record = record;
                best = score;
            }
        }
    }
    if (match.Record)
        return match;
    if (misplaced) {
        match.Record = misplaced;
        match.LookAlike = true;
        return match;
    }
    // By title only when the file says nothing against it: a record with
    // folders names its program only in them.
    if (!title.empty())
        for (const TCatalogueRecord* record : catalogue.ByTitle(title))
            if (record->Folders.empty() ||
                (!launch.Folder.empty() && inFolders(*record, launch.Folder))) {
                match.Record = record;
                break;
            }
    return match;
}

} // namespace

std::string_view PathFileName(std::string_view path) {
    const std::size_t at = path.find_last_of("\\/:");
    return at == std::string_view::npos ? path : path.substr(at + 1);
}

TLaunch ResolveLaunch(std::string_view commandLine) {
    return resolve(commandLine, 0);
}

int TProgramMatch::Rating() const {
    if (LookAlike)
        return 1;
    return Record ? Record->Rating : 0;
}

std::string TProgramMatch::HostNote() const {
    return Launch.ScriptHost ? "Runs a script through " + Launch.Host + "." : std::string();
}

std::string TProgramMatch::Reason() const {
    if (!LookAlike)
        return {};
    const std::string name(PathFileName(Launch.Program));
    std::string text = "Not the real " + Record->Program;
    if (!Record->Publisher.empty())
        text += " of " + Record->Publisher;
    text += ": that program lives in " + Record->Folders.front() + ", but this " + name +
            " is in " + Launch.Folder + ".";
    return text;
}

std::string TProgramMatch::Comment() const {
    if (LookAlike)
        return Reason() + " A file that takes a well-known name in another folder may be "
                          "pretending to be it: check it before you keep it.";
    return Record ? Record->Comment : std::string();
}

TProgramMatch MatchProgram(const TCatalogue& catalogue, std::string_view title,
                           std::string_view expandedCommandLine, std::string_view programPath) {
    TLaunch launch = ResolveLaunch(expandedCommandLine);
    if (launch.Host.empty() && !programPath.empty())
        launch = direct(programPath);
    return matchLaunch(catalogue, title, std::move(launch));
}

TProgramMatch MatchFile(const TCatalogue& catalogue, std::string_view title,
                        std::string_view programPath) {
    return matchLaunch(catalogue, title, direct(programPath));
}
