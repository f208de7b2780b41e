// morvane-cli: the startup entries from a console, for scripts and
// administrators. It works on the system through the same core as the window.

#include "startupExport.h"
#include "startupUtil.h"

#include "online/Consult.h"
#include "system/Errors.h"
#include "system/Files.h"
#include "system/Lock.h"
#include "system/ProgramArguments.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char kHelp[] =
    "Usage: morvane-cli COMMAND [OPTIONS]\n"
    "\n"
    "Shows and changes the programs Windows starts automatically.\n"
    "\n"
    "Commands:\n"
    "  list [--csv | --json | --xml] [--group NAME|INDEX]\n"
    "        Lists the startup entries, with the disabled ones Morvane keeps.\n"
    "        --xml writes the document of the window's Export > XML.\n"
    "        --group filters like a node of the window's location tree: an index\n"
    "        0-12 or a name (\"Startup Items\", \"Local Machine\", \"Current User\",\n"
    "        or \"Local Machine/Run\", \"Current User/Startup Folder\", ...).\n"
    "  disable TITLE... [--location LOCATION]\n"
    "  enable TITLE... [--location LOCATION]\n"
    "        Disables or enables the entries with these titles and applies the\n"
    "        change at once, as the window's Apply does.\n"
    "  remove TITLE [--location LOCATION]\n"
    "        Forgets a disabled entry (an enabled one must be disabled first).\n"
    "  save-profile FILE\n"
    "        Saves every entry, enabled or not, to a profile (.mvp).\n"
    "  load-profile FILE [--apply]\n"
    "        Loads a profile and shows the entries it holds; with --apply makes\n"
    "        the system match it.\n"
    "  consult [--csv | --json] [--group NAME|INDEX] [--server URL]\n"
    "        Asks the rating server about the entries of the group (in the order\n"
    "        list prints them) and shows their ratings and comments. --server\n"
    "        takes http://host[:port] instead of the configured server.\n"
    "\n"
    "LOCATION is a location code (0-10) or name: \"LM Startup Folder\", \"LM Run\",\n"
    "\"LM Run Once\", \"LM Services\", \"LM Service Once\", \"CU Run\", \"CU Run Once\",\n"
    "\"CU Startup\"; a name means the native registry view, add \" (32-bit)\" for the\n"
    "32-bit view on 64-bit Windows; a code means either view.\n"
    "\n"
    "Exit status: 0 on success, 1 on failure (with a message on standard error),\n"
    "2 for wrong usage.\n";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool ParseIndex(const std::string& text, int& value) {
    if (text.empty() || text.size() > 3)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    value = std::stoi(text);
    return true;
}

int GroupByName(const std::string& name) {
    int index = 0;
    if (ParseIndex(name, index)) {
        if (index < LocationGroupCount)
            return index;
        throw UsageError("no location group " + name);
    }
    // Node paths through the tree: its top-level nodes and their children.
    static const char* const kPaths[LocationGroupCount] = {
        "startup items",
        "local machine",
        "local machine/registry",
        "local machine/run",
        "local machine/run once",
        "local machine/service",
        "local machine/service once",
        "local machine/startup folder",
        "current user",
        "current user/registry",
        "current user/run",
        "current user/run once",
        "current user/startup folder",
    };
    const std::string wanted = Lower(name);
    for (int i = 0; i < LocationGroupCount; ++i)
        if (wanted == kPaths[i])
            return i;
    throw UsageError("no location group \"" + name + "\"");
}

struct LocationFilter {
    bool Set = false;
    int Code = -1;
    bool ViewGiven = false;
    bool Wow32 = false;

    bool Matches(const TStartup& e) const {
        if (!Set)
            return true;
        if (e.Location != Code)
            return false;
        return !ViewGiven || Wow32 == (e.View == RegView::Wow32);
    }
};

LocationFilter ParseLocation(const std::string& text) {
    LocationFilter filter;
    filter.Set = true;
    if (ParseIndex(text, filter.Code)) {
        if (filter.Code >= LocationCodeCount)
            throw UsageError("no location " + text);
        return filter;
    }
    // A name is the one the list shows, so "LM Run" is the native view's
    // key and "LM Run (32-bit)" the other; a bare code means either.
    std::string name = Lower(text);
    const std::string suffix = " (32-bit)";
    filter.ViewGiven = true;
    if (name.size() > suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        filter.Wow32 = true;
        name.resize(name.size() - suffix.size());
    }
    for (int code = 0; code < LocationCodeCount; ++code) {
        if (name == Lower(LocationName(code))) {
            filter.Code = code;
            return filter;
        }
    }
    throw UsageError("no location \"" + text + "\"");
}

void Scan(TStartups& startups) {
    startups.Clear();
    startups.Refresh();
    try {
        RestoreDisabledStore(startups, nullptr);
    } catch (const std::exception&) {
        // As in the window: the list shows what the scan found.
    }
    // Passed-over values and a damaged store: told on standard error, one
    // line each, without failing the command.
    for (std::string notice : startups.Notices) {
        for (size_t at = notice.find('\n'); at != std::string::npos; at = notice.find('\n', at))
            notice.replace(at, 1, "; ");
        std::fprintf(stderr, "morvane-cli: %s\n", notice.c_str());
    }
}

// "windows" for an entry Windows' Startup settings turned off, "morvane" for
// one Morvane keeps disabled, empty for an enabled one.
std::string DisabledBy(const TStartup& e) {
    if (e.Enabled)
        return std::string();
    return e.DisabledByWindows ? "windows" : "morvane";
}

std::vector<std::string> AlsoInNames(const TStartup& e) {
    std::vector<std::string> names;
    for (const TStartupPlace& place : e.AlsoIn)
        if (std::find(names.begin(), names.end(), place.Text()) == names.end())
            names.push_back(place.Text());
    return names;
}

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

enum class Format { Table, Csv, Json, Xml };

void Print(const std::vector<const TStartup*>& rows, Format format) {
    std::string out;
    if (format == Format::Xml) {
        out = StartupsToXml(rows);
    } else if (format == Format::Csv) {
        // "enabled" stays the last column, as scripts read it.
        out += "title,command line,program file,arguments,location,location name,rating,"
               "located file,file missing,disabled by,also in,enabled\r\n";
        for (const TStartup* e : rows) {
            std::string alsoIn;
            for (const std::string& name : AlsoInNames(*e))
                alsoIn += (alsoIn.empty() ? "" : "; ") + name;
            out += CsvField(e->Title) + ',' + CsvField(e->CommandLine) + ',' +
                   CsvField(e->FilePath) + ',' + CsvField(e->Arguments) + ',' +
                   std::to_string(e->Location) + ',' + CsvField(e->LocationText()) + ',' +
                   std::to_string(e->Rating) + ',' + CsvField(e->LocatedFile()) + ',' +
                   (e->FileMissing() ? "1" : "0") + ',' + DisabledBy(*e) + ',' + CsvField(alsoIn) +
                   ',' + (e->Enabled ? "1" : "0") + "\r\n";
        }
    } else if (format == Format::Json) {
        out += "[";
        for (size_t i = 0; i < rows.size(); ++i) {
            const TStartup* e = rows[i];
            out += i ? ",\n " : "\n ";
            out += "{\"title\": " + JsonString(e->Title) +
                   ", \"commandLine\": " + JsonString(e->CommandLine) +
                   ", \"programFile\": " + JsonString(e->FilePath) +
                   ", \"arguments\": " + JsonString(e->Arguments) +
                   ", \"location\": " + std::to_string(e->Location) +
                   ", \"locationName\": " + JsonString(e->LocationText()) +
                   ", \"rating\": " + std::to_string(e->Rating) +
                   ", \"enabled\": " + (e->Enabled ? "true" : "false") +
                   ", \"locatedFile\": " + JsonString(e->LocatedFile()) +
                   ", \"fileMissing\": " + (e->FileMissing() ? "true" : "false") +
                   ", \"disabledBy\": " +
                   (e->Enabled ? std::string("null") : JsonString(DisabledBy(*e)));
            std::string alsoIn;
            for (const std::string& name : AlsoInNames(*e))
                alsoIn += (alsoIn.empty() ? "" : ", ") + JsonString(name);
            out += ", \"alsoIn\": [" + alsoIn + "]";
            if (!e->WindowsNote().empty())
                out += ", \"note\": " + JsonString(e->WindowsNote());
            out += "}";
        }
        out += rows.empty() ? "]\n" : "\n]\n";
    } else {
        size_t titleWidth = 5;
        size_t locationWidth = 8;
        for (const TStartup* e : rows) {
            titleWidth = std::max(titleWidth, e->Title.size());
            locationWidth = std::max(locationWidth, e->LocationText().size());
        }
        titleWidth = std::min<size_t>(titleWidth, 40);
        auto pad = [](std::string s, size_t width) {
            if (s.size() > width)
                s = s.substr(0, width - 1) + "~";
            return s + std::string(width - s.size() + 2, ' ');
        };
        out += "On  " + pad("Title", titleWidth) + pad("Location", locationWidth) +
               "Rating  Command line\n";
        for (const TStartup* e : rows) {
            out += std::string(e->Enabled ? "[x] " : "[ ] ") + pad(e->Title, titleWidth) +
                   pad(e->LocationText(), locationWidth) + pad(std::to_string(e->Rating), 6) +
                   e->CommandLine + "\n";
            for (const std::string& remark :
                 {e->DisabledReason(), e->AlsoInText(), e->WindowsNote(),
                  e->FileMissing() ? std::string("program file not found") : std::string()})
                if (!remark.empty())
                    out += "    (" + remark + ")\n";
        }
        out += std::to_string(rows.size()) + (rows.size() == 1 ? " entry\n" : " entries\n");
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// The entry with this title (letter case ignored when nothing matches
// exactly, as registry value names are); several make the choice the user's.
TStartup* Select(TStartups& startups, const std::string& title, const LocationFilter& filter) {
    std::vector<TStartup*> exact;
    std::vector<TStartup*> loose;
    for (int i = 0; i < startups.Count(); ++i) {
        TStartup* e = startups.Items(i);
        if (!filter.Matches(*e))
            continue;
        if (e->Title == title)
            exact.push_back(e);
        else if (Lower(e->Title) == Lower(title))
            loose.push_back(e);
    }
    const std::vector<TStartup*>& found = exact.empty() ? loose : exact;
    if (found.empty())
        throw EMorvaneError("No startup entry is titled \"" + title + "\"");
    if (found.size() > 1) {
        std::string where;
        for (const TStartup* e : found)
            where += (where.empty() ? "" : ", ") + e->LocationText();
        throw EMorvaneError("Several startup entries are titled \"" + title + "\" (" + where +
                            "): choose one with --location");
    }
    return found.front();
}

const char* const RatingNames[5] = {"Unknown", "Not recommended", "Not required", "User's choice",
                                    "Required"};

std::string RatingName(int rating) {
    return rating >= 0 && rating < 5 ? RatingNames[rating] : std::to_string(rating);
}

void PrintRatings(const std::vector<const TStartup*>& rows, Format format) {
    std::string out;
    if (format == Format::Csv) {
        out += "title,program file,location name,rating,rating name,comment\r\n";
        for (const TStartup* e : rows)
            out += CsvField(e->Title) + ',' + CsvField(e->FilePath) + ',' +
                   CsvField(e->LocationText()) + ',' + std::to_string(e->Rating) + ',' +
                   CsvField(RatingName(e->Rating)) + ',' + CsvField(e->Comment) + "\r\n";
    } else if (format == Format::Json) {
        out += "[";
        for (size_t i = 0; i < rows.size(); ++i) {
            const TStartup* e = rows[i];
            out += i ? ",\n " : "\n ";
            out += "{\"title\": " + JsonString(e->Title) +
                   ", \"programFile\": " + JsonString(e->FilePath) +
                   ", \"locationName\": " + JsonString(e->LocationText()) +
                   ", \"rating\": " + std::to_string(e->Rating) +
                   ", \"ratingName\": " + JsonString(RatingName(e->Rating)) +
                   ", \"comment\": " + JsonString(e->Comment) + "}";
        }
        out += rows.empty() ? "]\n" : "\n]\n";
    } else {
        for (const TStartup* e : rows) {
            std::string comment = e->Comment;
            for (char& c : comment)
                if (c == '\r' || c == '\n' || c == '\t')
                    c = ' ';
            out += e->Title + " (" + ExtractFileName(e->FilePath) + "): " + RatingName(e->Rating) +
                   (comment.empty() ? "" : " - " + comment) + "\n";
        }
        out += std::to_string(rows.size()) + (rows.size() == 1 ? " entry\n" : " entries\n");
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

int Apply(TStartups& startups) {
    const TApplyReport report = ApplyWithStore(startups, nullptr);
    if (report.Ok())
        return 0;
    std::string message = report.Message();
    if (report.NeedsElevation)
        message += " Run morvane-cli from an elevated prompt (Run as administrator).";
    // One line, so that scripts can read it.
    for (size_t at = message.find('\n'); at != std::string::npos; at = message.find('\n', at))
        message.replace(at, 1, "; ");
    std::fprintf(stderr, "morvane-cli: %s\n", message.c_str());
    return 1;
}

struct Arguments {
    std::string Command;
    std::vector<std::string> Positional;
    Format Output = Format::Table;
    int Group = 0;
    LocationFilter Location;
    bool ApplyProfile = false;
    std::string Server;
};

Arguments ParseArguments(const std::vector<std::string>& argv) {
    Arguments args;
    const int argc = static_cast<int>(argv.size());
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw UsageError(a + " needs a value");
            return argv[++i];
        };
        if (a == "--csv")
            args.Output = Format::Csv;
        else if (a == "--json")
            args.Output = Format::Json;
        else if (a == "--xml")
            args.Output = Format::Xml;
        else if (a == "--group")
            args.Group = GroupByName(value());
        else if (a == "--location")
            args.Location = ParseLocation(value());
        else if (a == "--apply")
            args.ApplyProfile = true;
        else if (a == "--server")
            args.Server = value();
        else if (a.size() > 1 && a[0] == '-' && a != "-")
            throw UsageError("unknown option " + a);
        else if (args.Command.empty())
            args.Command = a;
        else
            args.Positional.push_back(a);
    }
    return args;
}

int Run(const Arguments& args) {
    TStartups startups(nullptr);
    // One Morvane at a time: from the scan to the last write, so that what
    // another one changes in between is neither missed nor written over.
    TSystemLock lock(SystemLockPath());
    auto takeLock = [&] { TakeSystemLock(lock); };
    const std::string& cmd = args.Command;
    const auto& pos = args.Positional;

    if (cmd == "list") {
        if (!pos.empty())
            throw UsageError("list takes no arguments");
        takeLock();
        Scan(startups);
        std::vector<const TStartup*> rows;
        for (int i = 0; i < startups.Count(); ++i)
            if (InLocationGroup(startups.Items(i)->Location, args.Group))
                rows.push_back(startups.Items(i));
        Print(rows, args.Output);
        return 0;
    }
    if (cmd == "disable" || cmd == "enable") {
        if (pos.empty())
            throw UsageError(cmd + " needs at least one title");
        takeLock();
        Scan(startups);
        for (const std::string& title : pos)
            Select(startups, title, args.Location)->SetEnabled(cmd == "enable");
        return Apply(startups);
    }
    if (cmd == "remove") {
        if (pos.size() != 1)
            throw UsageError("remove takes one title");
        takeLock();
        Scan(startups);
        TStartup* entry = Select(startups, pos[0], args.Location);
        if (entry->Enabled)
            throw EMorvaneError(
                "You need to disable the program from Startup, before you can delete the program.");
        entry->RemoveFromOwner();
        SaveDisabledStore(startups, nullptr);
        return 0;
    }
    if (cmd == "save-profile") {
        if (pos.size() != 1)
            throw UsageError("save-profile takes one file");
        Scan(startups);
        startups.SaveToFile(pos[0]);
        return 0;
    }
    if (cmd == "load-profile") {
        if (pos.size() != 1)
            throw UsageError("load-profile takes one file");
        if (!FileExists(pos[0]))
            throw EMorvaneError("The profile \"" + pos[0] + "\" does not exist");
        std::string why;
        if (!IsProfileFile(pos[0], why))
            throw EMorvaneError("\"" + pos[0] + "\" is not a Morvane profile: " + why);
        if (args.ApplyProfile)
            takeLock();
        startups.LoadFromFile(pos[0]);
        std::vector<const TStartup*> rows;
        for (int i = 0; i < startups.Count(); ++i)
            rows.push_back(startups.Items(i));
        if (args.ApplyProfile)
            return Apply(startups);
        Print(rows, args.Output);
        return 0;
    }
    if (cmd == "consult") {
        if (!pos.empty())
            throw UsageError("consult takes no arguments");
        TConsultOptions options;
        options.Settings = ReadConsultSettings();
        if (!args.Server.empty()) {
            THostPort check;
            std::string why;
            if (!ParseServerAddress(args.Server, check, &why))
                throw UsageError("--server: " + why);
            options.Settings.Server = args.Server;
        }
        Scan(startups);
        std::vector<TStartup*> entries;
        for (int i = 0; i < startups.Count(); ++i)
            if (InLocationGroup(startups.Items(i)->Location, args.Group))
                entries.push_back(startups.Items(i));
        try {
            Consult(TEntryRows(entries), options);
        } catch (const EConsultError& e) {
            throw EMorvaneError(std::string("the consultation failed: ") + e.what());
        }
        PrintRatings(std::vector<const TStartup*>(entries.begin(), entries.end()), args.Output);
        return 0;
    }
    throw UsageError(cmd.empty() ? "no command given" : "unknown command " + cmd);
}

} // namespace

int main(int argc, char** argv) {
    UseUtf8Console();
    const std::vector<std::string> arguments = ProgramArguments(argc, argv);
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h" || a == "/?") {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    try {
        return Run(ParseArguments(arguments));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "morvane-cli: %s\nTry 'morvane-cli --help'.\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::string message = e.what();
        for (char& c : message)
            if (c == '\r' || c == '\n')
                c = ' ';
        std::fprintf(stderr, "morvane-cli: %s\n", message.c_str());
        return 1;
    }
}
