// morvane-ratings: the reference rating server that Morvane consults.
//
//   morvane-ratings --db FILE --listen 127.0.0.1:PORT
//
// A new database is filled with the catalogue of well-known startup
// programs. Every request is logged in one line on standard error.

#include "RatingServer.h"

#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>

namespace {

const char Usage[] = "Usage: morvane-ratings --db FILE --listen HOST:PORT\n"
                     "\n"
                     "Answers Morvane's consultations (POST /startexe3.php), keeps what users\n"
                     "contribute (/mvo/contribute1.php) for review, and shows a page per\n"
                     "program (/mvo). PORT 0 picks a free port; the port in use is printed\n"
                     "on standard output once the server listens.\n";

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
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "--db" || a == "--listen") && i + 1 < argc) {
            (a == "--db" ? db : listen) = argv[++i];
        } else if (a == "--help" || a == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "morvane-ratings: unknown argument %s\n%s", a.c_str(), Usage);
            return 2;
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
