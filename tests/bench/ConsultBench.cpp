// Consult of 5,000 rows against the reference server on loopback, step by
// step, and the server's answers per second for 50 rows per request from 8
// clients at once.
//
//   consult_bench [--server http://127.0.0.1:PORT] [--rows N]
//
// With --server (or MORVANE_TEST_SERVER) it talks to a running
// morvane-ratings; without, it starts the same service in this process.
// The server's own share of the exchange (decoding the form and looking
// the rows up) is measured on the same body in this process, and the
// running server also logs it per request ("lookup_ms=").

#include "RatingServer.h"

#include "core/startupUtil.h"
#include "online/Consult.h"
#include "online/formencoder.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace {

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main(int argc, char** argv) {
    std::string serverAddress;
    if (const char* env = std::getenv("MORVANE_TEST_SERVER"))
        serverAddress = env;
    int rowCount = 5000;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--server") && i + 1 < argc)
            serverAddress = argv[++i];
        else if (!std::strcmp(argv[i], "--rows") && i + 1 < argc)
            rowCount = std::atoi(argv[++i]);
    }
    if (rowCount < 50)
        rowCount = 50;

    auto path =
        std::filesystem::temp_directory_path() /
        ("morvane-consult-bench-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".db");
    std::filesystem::remove(path);
    TRatingStore store(path.string());
    httplib::Server server;
    std::thread serving;
    THostPort where;
    if (serverAddress.empty()) {
        InstallRatingService(server, store, TServerLimits{}, nullptr);
        int port = server.bind_to_any_port("127.0.0.1");
        serving = std::thread([&] { server.listen_after_bind(); });
        where = THostPort{"127.0.0.1", static_cast<uint16_t>(port)};
        serverAddress = "http://" + where.Text();
        std::printf("server: in this process at %s\n", serverAddress.c_str());
    } else {
        std::string why;
        if (!ParseServerAddress(serverAddress, where, &why)) {
            std::fprintf(stderr, "consult_bench: %s: %s\n", serverAddress.c_str(), why.c_str());
            return 2;
        }
        std::printf("server: morvane-ratings at %s\n", serverAddress.c_str());
    }

    TStartups startups;
    std::vector<TStartup*> rows;
    const char* known[] = {"ctfmon.exe", "jusched.exe", "Skype.exe", "OneDrive.exe"};
    for (int i = 0; i < rowCount; ++i) {
        std::string file = i % 2 ? known[i % 4] : "tool" + std::to_string(i) + ".exe";
        TStartup* e = startups.Add("Program " + std::to_string(i), file,
                                   "C:\\Apps\\" + std::to_string(i) + "\\" + file, slCURun, 0);
        e->FilePath = "C:\\Apps\\" + std::to_string(i) + "\\" + file;
        rows.push_back(e);
    }
    TConsultOptions options;
    options.Settings.Server = serverAddress;
    options.Settings.Proxy = "none";
    TConsultTimings t;
    options.Timings = &t;
    try {
        Consult(TEntryRows(rows), options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "consult_bench: the consultation of %zu rows failed: %s\n",
                     rows.size(), e.what());
        return 1;
    }

    // The server's share, on the very body that was sent.
    std::string body = EncodeFormFields(BuildRequestList(TEntryRows(rows), nullptr));
    auto start = std::chrono::steady_clock::now();
    std::map<int, TRequestRow> asked = RequestRows(body, TServerLimits{});
    double decodeMs = MsSince(start);
    start = std::chrono::steady_clock::now();
    std::string answer = AnswerXml(store, asked);
    double lookupMs = MsSince(start);

    std::printf("consult of %zu rows:\n", rows.size());
    std::printf("  building the request   %8.1f ms  (%zu bytes)\n", t.BuildMs, t.RequestBytes);
    std::printf("  exchange               %8.1f ms  (%zu bytes back)\n", t.ExchangeMs,
                t.AnswerBytes);
    std::printf("    of it the server's decoding %.1f ms and lookups %.1f ms\n", decodeMs,
                lookupMs);
    std::printf("  parsing the answer     %8.1f ms\n", t.ParseMs);
    std::printf("  applying               %8.1f ms  (%d items)\n", t.ApplyMs, t.Items);

    std::string small;
    {
        TStringList list = BuildRequestList(
            TEntryRows(std::vector<TStartup*>(rows.begin(), rows.begin() + 50)), nullptr);
        small = EncodeFormFields(list);
    }
    THttpPost post;
    post.Server = where;
    post.Path = "/startexe3.php";
    post.ContentType = "application/x-www-form-urlencoded";
    post.Body = small;
    std::atomic<int> answers{0};
    std::atomic<int> failures{0};
    start = std::chrono::steady_clock::now();
    auto until = start + std::chrono::seconds(3);
    std::vector<std::thread> clients;
    for (int c = 0; c < 8; ++c)
        clients.emplace_back([&] {
            while (std::chrono::steady_clock::now() < until) {
                try {
                    HttpPost(post, THttpLimits{}, nullptr);
                    ++answers;
                } catch (const std::exception&) {
                    ++failures;
                }
            }
        });
    for (auto& c : clients)
        c.join();
    double s = MsSince(start) / 1000;
    std::printf("server: %.0f answers per second (50 rows each, 8 clients, %d failed)\n",
                answers / s, failures.load());
    if (serving.joinable()) {
        server.stop();
        serving.join();
    }
    std::filesystem::remove(path);
    return failures == 0 ? 0 : 1;
}
