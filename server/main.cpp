// morvane-ratings: the reference rating server that Morvane consults, and
// its administrator's commands on the same database.
//
//   morvane-ratings --db FILE --listen 127.0.0.1:PORT
//   morvane-ratings --db FILE pending | accept ID | reject ID | set PROGRAM | export
//
// A new database is filled with Morvane's catalogue of startup programs, and
// a newer catalogue replaces its rows. Every request is logged in one line
// on standard error.

#include "RatingServer.h"

#include "Product.h"

#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

const char Usage[] =
    "Usage: morvane-ratings --db FILE --listen HOST:PORT\n"
    "       morvane-ratings --db FILE COMMAND\n"
    "       morvane-ratings --version\n"
    "\n"
    "Answers Morvane's consultations (POST /startexe3.php), keeps what users\n"
    "contribute (/mvo/contribute1.php) for review, and shows a page per\n"
    "program (/mvo). PORT 0 picks a free port; the port in use is printed\n"
    "on standard output once the server listens.\n"
    "\n"
    "Commands (safe while the server runs on the same database):\n"
    "  pending                       lists the contributions waiting for review\n"
    "  accept ID [--rating N] [--comment TEXT]\n"
    "                                the program then answers with the contribution's\n"
    "                                rating and comment, or with those given\n"
    "  reject ID                     drops a waiting contribution\n"
    "  set PROGRAM --rating N [--comment TEXT]\n"
    "                                sets the program's answer (PROGRAM: its file name)\n"
    "  export                        prints the administrator's rows in the format of\n"
    "                                Morvane's catalogue file\n"
    "A rating is 0 (unknown) to 4 (required). The administrator's rows stay when a\n"
    "newer catalogue arrives. Exit status 0, 1 when the command was refused, 2 for\n"
    "wrong usage.\n";

const char* const RatingWords[] = {"unknown", "not recommended", "not required", "user's choice",
                                   "required"};

std::string Describe(const TProgram& p) {
    return p.File + " rated " + std::to_string(p.Rating) + " (" + RatingWords[p.Rating] + ")" +
           (p.Comment.empty() ? "" : ": " + p.Comment);
}

bool ParseId(const std::string& text, int64_t& id) {
    if (text.empty() || text.size() > 12 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    id = std::stoll(text);
    return true;
}

bool ParseRating(const std::string& text, int& rating) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '9')
        return false;
    rating = text[0] - '0';
    return true;
}

// One line of a record in the catalogue file: no line breaks inside.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

// The administrator's commands; returns the exit status.
int RunCommand(const std::string& db, const std::vector<std::string>& words) {
    const std::string& command = words[0];
    std::vector<std::string> plain;
    std::optional<int> rating;
    std::optional<std::string> comment;
    for (size_t i = 1; i < words.size(); ++i) {
        if ((words[i] == "--rating" || words[i] == "--comment") && i + 1 < words.size()) {
            if (words[i] == "--comment") {
                comment = words[++i];
                continue;
            }
            int n = 0;
            if (!ParseRating(words[++i], n) || n > 4) {
                std::fprintf(stderr, "morvane-ratings: a rating is 0 to 4, not %s\n",
                             words[i].c_str());
                return 1;
            }
            rating = n;
        } else if (words[i].rfind("--", 0) == 0) {
            std::fprintf(stderr, "morvane-ratings: unknown option %s\n%s", words[i].c_str(), Usage);
            return 2;
        } else {
            plain.push_back(words[i]);
        }
    }
    const bool takesId = command == "accept" || command == "reject";
    const size_t wanted = takesId || command == "set" ? 1 : 0;
    if ((command != "pending" && command != "export" && !takesId && command != "set") ||
        plain.size() != wanted || (command == "set" && !rating) ||
        ((command == "reject" || command == "pending" || command == "export") &&
         (rating || comment))) {
        std::fputs(Usage, stderr);
        return 2;
    }
    int64_t id = 0;
    if (takesId && !ParseId(plain[0], id)) {
        std::fprintf(stderr, "morvane-ratings: \"%s\" is no contribution number\n",
                     plain[0].c_str());
        return 1;
    }
    TRatingStore store(db);
    if (command == "pending") {
        int n = 0;
        for (const TContribution& c : store.Contributions()) {
            if (c.Status != "pending")
                continue;
            ++n;
            std::printf("%lld\t%s\t%s\t%s\t%s\t%s\t%s\n", static_cast<long long>(c.Id),
                        c.Received.c_str(), OneLine(c.File).c_str(), OneLine(c.Title).c_str(),
                        c.Rating < 0 ? "-" : std::to_string(c.Rating).c_str(),
                        OneLine(c.Comment).c_str(), c.Remote.c_str());
        }
        std::printf("%d contribution%s waiting for review\n", n, n == 1 ? "" : "s");
    } else if (command == "accept") {
        std::printf("accepted contribution %lld: %s\n", static_cast<long long>(id),
                    Describe(store.Accept(id, rating, comment)).c_str());
    } else if (command == "reject") {
        store.Reject(id);
        std::printf("rejected contribution %lld\n", static_cast<long long>(id));
    } else if (command == "set") {
        std::printf("set %s\n", Describe(store.SetProgram(plain[0], *rating, comment)).c_str());
    } else {
        std::printf("# The rating server's own rows, in the format of Morvane's catalogue.\n\n");
        for (const TProgram& p : store.AdminPrograms()) {
            std::printf("program = %s\n", OneLine(p.File).c_str());
            std::string titles, folders;
            for (const std::string& t : p.Titles)
                titles += (titles.empty() ? "" : " | ") + OneLine(t);
            for (const std::string& f : p.Folders)
                folders += (folders.empty() ? "" : " | ") + OneLine(f);
            if (!titles.empty())
                std::printf("titles = %s\n", titles.c_str());
            if (!folders.empty())
                std::printf("folders = %s\n", folders.c_str());
            std::printf("rating = %d\n", p.Rating);
            if (!p.Publisher.empty())
                std::printf("publisher = %s\n", OneLine(p.Publisher).c_str());
            std::printf("comment = %s\n", OneLine(p.Comment).c_str());
            if (!p.TurnOff.empty())
                std::printf("turn-off = %s\n", OneLine(p.TurnOff).c_str());
            std::printf("\n");
        }
    }
    return 0;
}

httplib::Server* running = nullptr;

void Stop(int) {
    if (running)
        running->stop();
}

bool SplitListen(const std::string& text, std::string& host, int& port) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    host = text.substr(0, colon);
    std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = std::stoi(digits);
    return port <= 65535;
}

} // namespace

int main(int argc, char** argv) {
    std::string db;
    std::string listen;
    std::vector<std::string> command;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (!command.empty()) {
            command.push_back(a);
        } else if ((a == "--db" || a == "--listen") && i + 1 < argc) {
            (a == "--db" ? db : listen) = argv[++i];
        } else if (a == "--help" || a == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        } else if (a == "--version") {
            std::fputs("morvane-ratings " MORVANE_VERSION "\n", stdout);
            return 0;
        } else if (!a.empty() && a[0] != '-') {
            command.push_back(a);
        } else {
            std::fprintf(stderr, "morvane-ratings: unknown argument %s\n%s", a.c_str(), Usage);
            return 2;
        }
    }
    if (!command.empty()) {
        if (db.empty() || !listen.empty()) {
            std::fputs(Usage, stderr);
            return 2;
        }
        try {
            return RunCommand(db, command);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "morvane-ratings: %s\n", e.what());
            return 1;
        }
    }
    std::string host;
    int port = 0;
    if (db.empty() || !SplitListen(listen, host, port)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    try {
        TRatingStore store(db);
        httplib::Server server;
        std::mutex logMutex;
        InstallRatingService(server, store, TServerLimits{}, [&](const std::string& line) {
            std::lock_guard<std::mutex> lock(logMutex);
            std::fprintf(stderr, "%s\n", line.c_str());
        });
        if (port == 0) {
            port = server.bind_to_any_port(host);
        } else if (!server.bind_to_port(host, port)) {
            port = -1;
        }
        if (port <= 0) {
            std::fprintf(stderr, "morvane-ratings: cannot listen on %s\n", listen.c_str());
            return 1;
        }
        std::fprintf(stdout, "morvane-ratings: listening on %s:%d (%d programs)\n", host.c_str(),
                     port, store.ProgramCount());
        std::fflush(stdout);
        running = &server;
        std::signal(SIGINT, Stop);
        std::signal(SIGTERM, Stop);
        server.listen_after_bind();
        running = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "morvane-ratings: %s\n", e.what());
        return 1;
    }
    return 0;
}
