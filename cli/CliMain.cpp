// morvane-cli: the startup entries from a console, for scripts and
// administrators. It works on the system through the same core as the window.

#include "cli/CliOutput.h"
#include "cli/CliWatch.h"
#include "core/startupExport.h"
#include "core/startupSignIn.h"
#include "core/startupSignatures.h"
#include "core/startupTasks.h"

#include "online/Consult.h"
#include "core/system/AsciiCase.h"
#include "core/system/Errors.h"
#include "core/system/Files.h"
#include "core/system/Lock.h"
#include "core/system/ProgramArguments.h"
#include "core/system/TextCodec.h"
#include "core/system/TextScan.h"

#include "Product.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kHelp[] =
    "Usage: morvane-cli COMMAND [OPTIONS]\n"
    "       morvane-cli --version\n"
    "\n"
    "Shows and changes the programs Windows starts automatically.\n"
    "\n"
    "Commands:\n"
    "  list [--csv | --json | --xml] [--group NAME|INDEX] [--verify]\n"
    "        Lists the startup entries, with the disabled ones Morvane keeps.\n"
    "        Each program file's signature is checked before it is printed\n"
    "        (publisher, signature: verified, untrusted, tampered, unsigned or\n"
    "        unknown, signer, company, fileVersion, sha256, lookAlike). A file\n"
    "        unchanged since an earlier check (same size and write time) is\n"
    "        answered from the per-user cache; --verify trusts no cache and\n"
    "        checks every file anew (the cache is a file the user can write).\n"
    "        --xml writes the document of the window's Export > XML.\n"
    "        --group filters like a node of the window's location tree: an index\n"
    "        0-19 or a name (\"Startup Items\", \"Local Machine\", \"Current User\",\n"
    "        or \"Local Machine/Run\", \"Current User/Startup Folder\", ...).\n"
    "  disable TITLE... [--location LOCATION]\n"
    "  enable TITLE... [--location LOCATION]\n"
    "        Disables or enables the entries with these titles and applies the\n"
    "        change at once, as the window's Apply does. Winlogon's values are\n"
    "        never disabled; a packaged app's task set by your organisation is\n"
    "        not changed.\n"
    "  remove TITLE [--location LOCATION]\n"
    "        Forgets a disabled entry (an enabled one must be disabled first).\n"
    "  restore-default TITLE [--location LOCATION]\n"
    "  undo-default TITLE [--location LOCATION]\n"
    "        Writes Windows' default to a Winlogon value (Userinit, Shell,\n"
    "        Taskman) after keeping its data; undo-default gives that data back.\n"
    "  save-profile FILE\n"
    "        Saves every entry, enabled or not, to a profile (.mvp).\n"
    "  load-profile FILE [--apply]\n"
    "        Loads a profile and shows the entries it holds; with --apply makes\n"
    "        the system match it.\n"
    "  consult [--csv | --json] [--group NAME|INDEX] [--server URL | --offline]\n"
    "        Shows the ratings and comments of the entries of the group (in the\n"
    "        order list prints them): Morvane's own list answers for every entry,\n"
    "        then the chosen rating server, if any, for those it knows. --server\n"
    "        takes http://host[:port] instead of the configured server; --offline\n"
    "        asks no server. Exit status 1 when a chosen server failed.\n"
    "  watch [--json]\n"
    "        Prints one line (or one JSON object) per startup entry that is\n"
    "        added, changed or removed, and turns off again a program turned\n"
    "        off with Morvane that adds itself back; runs until Ctrl+C.\n"
    "\n"
    "LOCATION is a location code (0-17) or name: \"LM Startup Folder\", \"LM Run\",\n"
    "\"LM Run Once\", \"LM Services\", \"LM Service Once\", \"CU Run\", \"CU Run Once\",\n"
    "\"CU Startup\", \"CU Policy Run\", \"LM Policy Run\", \"LM Run Once Ex\",\n"
    "\"Packaged App\", \"LM Winlogon\", \"CU Winlogon\", \"Active Setup\"; a name\n"
    "means the native registry view, add \" (32-bit)\" for the\n"
    "32-bit view on 64-bit Windows; a code means either view.\n"
    "\n"
    "Exit status: 0 on success, 1 on failure (with a message on standard error),\n"
    "2 for wrong usage.\n";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A group or location given by its number.
bool ParseIndex(const std::string& text, int& value) {
    return ParseDigits(text, 3, value);
}

int GroupByName(const std::string& name) {
    int index = 0;
    if (ParseIndex(name, index)) {
        if (index < LocationGroupCount)
            return index;
        throw UsageError("no location group " + name);
    }
    const int node = LocationNodeByPath(name);
    if (node >= 0)
        return node;
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
    std::string name = asciiLower(text);
    const std::string suffix = " (32-bit)";
    filter.ViewGiven = true;
    if (name.size() > suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        filter.Wow32 = true;
        name.resize(name.size() - suffix.size());
    }
    for (int code = 0; code < LocationCodeCount; ++code) {
        if (name == asciiLower(LocationName(code))) {
            filter.Code = code;
            return filter;
        }
    }
    throw UsageError("no location \"" + text + "\"");
}

// A message as one line, so that scripts can read it: each line break (CR
// LF, LF or CR) becomes "; ".
std::string OneLine(const std::string& message) {
    std::string line;
    for (size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\r' || message[i] == '\n') {
            if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n')
                ++i;
            line += "; ";
        } else {
            line += message[i];
        }
    }
    return line;
}

void Tell(const std::string& message) {
    std::fprintf(stderr, "morvane-cli: %s\n", OneLine(message).c_str());
}

// What the scan and the store's merge could not do is told, and so are
// passed-over values and a damaged store; the command goes on with what was
// found, as the window does. False when the scan or the merge failed.
bool Scan(TStartups& startups, TSystemLock& lock) {
    const TRefreshReport report = RefreshStartups(startups, lock);
    for (const std::string& error : {report.ScanError, report.StoreError})
        if (!error.empty())
            Tell(error);
    for (const std::string& notice : startups.Notices)
        Tell(notice);
    return report.Ok();
}

void Print(const std::vector<const TStartup*>& rows, Format format) {
    const std::string out = FormatList(rows, format);
    std::fwrite(out.data(), 1, out.size(), stdout);
}

void PrintRatings(const std::vector<const TStartup*>& rows, Format format) {
    const std::string out = FormatRatings(rows, format);
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// The entry with this title (letter case ignored when nothing matches
// exactly, as registry value names are); several make the choice the user's.
// A title is also found as the output wrote it, with U+FFFD for a lone
// surrogate, so that what a script read back names the entry.
TStartup* Select(TStartups& startups, const std::string& title, const LocationFilter& filter) {
    std::vector<TStartup*> exact;
    std::vector<TStartup*> loose;
    for (int i = 0; i < startups.Count(); ++i) {
        TStartup* e = startups.Items(i);
        if (!filter.Matches(*e))
            continue;
        if (e->Title == title)
            exact.push_back(e);
        else if (asciiLower(e->Title) == asciiLower(title) || asciiLower(WellFormedUtf8(e->Title)) == asciiLower(title))
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

int Apply(TStartups& startups, TSystemLock& lock) {
    const TApplyReport report = ApplyStartups(startups, lock);
    if (report.Ok())
        return 0;
    std::string message = report.Message();
    if (report.NeedsElevation)
        message += "\nChanging these locations needs administrator rights: run morvane-cli "
                   "from an elevated prompt (Run as administrator).";
    Tell(message);
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
    bool Offline = false;
    bool Verify = false;
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
        else if (a == "--offline")
            args.Offline = true;
        else if (a == "--verify")
            args.Verify = true;
        else if (a.size() > 1 && a[0] == '-' && a != "-")
            throw UsageError("unknown option " + a);
        else if (args.Command.empty())
            args.Command = a;
        else
            args.Positional.push_back(a);
    }
    return args;
}

// A command that writes anything writes nothing after a scan or merge that
// failed: it would act on an incomplete list. `list` shows what was found.
// The lock is taken before the scan, so that what another Morvane changes
// between the scan and this command's writes is not written over.
void ScanBeforeWriting(TStartups& startups, TSystemLock& lock) {
    TakeSystemLock(lock);
    if (!Scan(startups, lock))
        throw EMorvaneError("Nothing was changed: the startup entries could not all be read.");
}

int Run(const Arguments& args) {
    TStartups startups;
    // One Morvane at a time: from the scan to the last write, so that what
    // another one changes in between is neither missed nor written over.
    TSystemLock lock(SystemLockPath());
    const std::string& cmd = args.Command;
    const auto& pos = args.Positional;

    if (cmd == "list") {
        if (!pos.empty())
            throw UsageError("list takes no arguments");
        const bool complete = Scan(startups, lock);
        lock.Release();
        const std::vector<TStartup*> rows = startups.InGroup(args.Group);
        TSignatureCache cache;
        const std::string cacheFile = SignatureCachePath();
        if (!args.Verify && !cacheFile.empty())
            cache.Load(cacheFile);
        CheckSignatures(rows, cache);
        if (!cacheFile.empty() && cache.Checks() > 0)
            cache.Save(cacheFile);
        Print(std::vector<const TStartup*>(rows.begin(), rows.end()), args.Output);
        return complete ? 0 : 1;
    }
    if (cmd == "disable" || cmd == "enable") {
        if (pos.empty())
            throw UsageError(cmd + " needs at least one title");
        ScanBeforeWriting(startups, lock);
        for (const std::string& title : pos) {
            TStartup* e = Select(startups, title, args.Location);
            if (cmd == "disable" && !CanBeDisabled(e->Location))
                throw EMorvaneError("\"" + e->Title + "\" (" + e->LocationText() +
                                    ") is a Winlogon value, which is never disabled: "
                                    "\"restore-default\" gives it Windows' default");
            e->SetEnabled(cmd == "enable");
        }
        return Apply(startups, lock);
    }
    if (cmd == "restore-default" || cmd == "undo-default") {
        if (pos.size() != 1)
            throw UsageError(cmd + " takes one title");
        ScanBeforeWriting(startups, lock);
        const TStartup& e = *Select(startups, pos[0], args.Location);
        bool elevation = false;
        const std::string failure = cmd == "restore-default" ? RestoreWindowsDefault(e, elevation)
                                                             : UndoWindowsDefault(e, elevation);
        if (failure.empty())
            return 0;
        std::string message = "\"" + e.Title + "\" (" + e.LocationText() + "): " + failure;
        if (elevation)
            message += "\nChanging these locations needs administrator rights: run morvane-cli "
                       "from an elevated prompt (Run as administrator).";
        Tell(message);
        return 1;
    }
    if (cmd == "remove") {
        if (pos.size() != 1)
            throw UsageError("remove takes one title");
        ScanBeforeWriting(startups, lock);
        if (!RemoveStartup(*Select(startups, pos[0], args.Location), lock))
            throw EMorvaneError(RemoveEnabledRefusal);
        return 0;
    }
    if (cmd == "save-profile") {
        if (pos.size() != 1)
            throw UsageError("save-profile takes one file");
        ScanBeforeWriting(startups, lock);
        startups.SaveToFile(pos[0]);
        return 0;
    }
    if (cmd == "load-profile") {
        if (pos.size() != 1)
            throw UsageError("load-profile takes one file");
        if (args.ApplyProfile)
            TakeSystemLock(lock);
        if (LoadProfile(startups, pos[0]) == TProfileLoad::Missing)
            throw EMorvaneError("The profile \"" + pos[0] + "\" does not exist");
        if (args.ApplyProfile)
            return Apply(startups, lock);
        Print(startups.All(), args.Output);
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
        // The consultation writes nothing of the system: the lock goes before
        // the network is waited on.
        const bool complete = Scan(startups, lock);
        lock.Release();
        std::vector<TStartup*> entries = startups.InGroup(args.Group);
        if (args.Offline) {
            if (!args.Server.empty())
                throw UsageError("--offline and --server exclude each other");
            options.Settings.Server.clear();
        }
        std::string failure, detail;
        try {
            Consult(TEntryRows(entries), options);
        } catch (const EConsultError& e) {
            failure = e.what();
            detail = e.Detail;
        }
        // What Morvane's own list knows is shown even when the server failed.
        PrintRatings(std::vector<const TStartup*>(entries.begin(), entries.end()), args.Output);
        if (!failure.empty()) {
            // The failure in this tool's words; what the part that failed
            // said in its own (the XML reader's message) on a line of its own.
            Tell("the consultation failed: " + failure +
                 "; the ratings shown are Morvane's own list's");
            if (!detail.empty())
                Tell("detail: " + detail);
            return 1;
        }
        return complete ? 0 : 1;
    }
    if (cmd == "watch") {
        if (!pos.empty())
            throw UsageError("watch takes no arguments");
        return RunWatch(args.Output == Format::Json, Tell);
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
        if (a == "--version") {
            std::fputs("morvane-cli " MORVANE_VERSION "\n", stdout);
            return 0;
        }
    }
    try {
        return Run(ParseArguments(arguments));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "morvane-cli: %s\nTry 'morvane-cli --help'.\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        Tell(e.what());
        return 1;
    }
}
