#include "cli/CliWatch.h"

#include "cli/CliOutput.h"
#include "core/system/Errors.h"

#include <cstdio>

namespace {

void Print(const std::vector<TWatchEvent>& events, bool json, int look) {
    for (const TWatchEvent& event : events) {
        const std::string line = (json ? WatchEventJson(event, look) : event.Text()) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    // A script or an agent reads each change as it comes.
    std::fflush(stdout);
}

} // namespace

std::string WatchEventJson(const TWatchEvent& event, int look) {
    const TWatchItem& item = event.Item;
    std::string out = std::string("{\"change\":\"") + event.ChangeName() + "\"";
    out += ",\"look\":" + std::to_string(look);
    out += ",\"title\":" + JsonString(item.Title.empty() ? item.Name : item.Title);
    out += ",\"name\":" + JsonString(item.Name);
    out += ",\"location\":" + JsonString(item.PlaceText());
    out += ",\"code\":" + std::to_string(item.Location);
    out += std::string(",\"view\":\"") + RegViewName(item.View) + "\"";
    out += ",\"commandLine\":" + JsonString(item.CommandLine);
    if (event.Change == TWatchChange::Changed)
        out += ",\"oldCommandLine\":" + JsonString(event.OldCommandLine);
    if (!event.Reason.empty())
        out += ",\"reason\":" + JsonString(event.Reason);
    out += ",\"message\":" + JsonString(event.Text());
    return out + "}";
}

int RunWatch(bool json, const std::function<void(const std::string&)>& tell) {
    TStartupWatch watch;
    // Armed before the first look, so that nothing changed during it is missed.
    TChangeWatch changes(WatchedKeys(), WatchedFolders());
    StopOnConsoleInterrupt(changes);
    auto look = [&] {
        try {
            const std::vector<TWatchEvent> events = watch.Look();
            Print(events, json, watch.Looks());
        } catch (const EMorvaneError& e) {
            tell(e.what());
        }
        for (const std::string& notice : watch.Notices)
            tell(notice);
    };
    look();
    tell("watching " + std::to_string(changes.Watched()) +
         " registry keys and folders; Ctrl+C ends");
    for (;;) {
        // No timer: the wait ends on a change or Ctrl+C; the minute is only
        // there to arm again a key or folder that was missing.
        const TWake wake = WaitForChanges(changes, 60000);
        if (wake == TWake::Stopped)
            return 0;
        if (wake == TWake::Changed)
            look();
    }
}
