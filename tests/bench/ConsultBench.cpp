// Consult of 5,000 rows against the reference server on loopback, step by
// step, and the server's answers per second for 50 rows per request from 8
// clients at once.

#include "RatingServer.h"

#include "core/startupUtil.h"
#include "online/Consult.h"
#include "online/formencoder.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

int main() {
    auto path = std::filesystem::temp_directory_path() / "morvane-consult-bench.db";
    std::filesystem::remove(path);
    TRatingStore store(path.string());
    httplib::Server server;
    std::atomic<long> lookups{0};
    InstallRatingService(server, store, TServerLimits{}, [&](const std::string&) { ++lookups; });
    int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });

    TStartups startups(nullptr);
    std::vector<TStartup*> rows;
    const char* known[] = {"ctfmon.exe", "jusched.exe", "Skype.exe", "OneDrive.exe"};
    for (int i = 0; i < 5000; ++i) {
        std::string file = i % 2 ? known[i % 4] : "tool" + std::to_string(i) + ".exe";
        TStartup* e = startups.Add("Program " + std::to_string(i), file,
                                   "C:\\Apps\\" + std::to_string(i) + "\\" + file, slCURun, 0);
        e->FilePath = "C:\\Apps\\" + std::to_string(i) + "\\" + file;
        rows.push_back(e);
    }
    TConsultOptions options;
    options.Settings.Server = "http://127.0.0.1:" + std::to_string(port);
    options.Settings.Proxy = "none";
    TConsultTimings t;
    options.Timings = &t;
    Consult(TEntryRows(rows), options);
    std::printf("consult of %zu rows: request %.1f ms (%zu bytes), exchange with the server's "
                "lookups %.1f ms (%zu bytes back), parse %.1f ms, apply %.1f ms (%d items)\n",
                rows.size(), t.BuildMs, t.RequestBytes, t.ExchangeMs, t.AnswerBytes, t.ParseMs,
                t.ApplyMs, t.Items);

    std::string body;
    {
        TStringList list = BuildRequestList(
            TEntryRows(std::vector<TStartup*>(rows.begin(), rows.begin() + 50)), nullptr);
        body = EncodeFormFields(list);
    }
    THttpPost post;
    post.Server = THostPort{"127.0.0.1", static_cast<uint16_t>(port)};
    post.Path = "/startexe3.php";
    post.ContentType = "application/x-www-form-urlencoded";
    post.Body = body;
    std::atomic<int> answers{0};
    auto start = std::chrono::steady_clock::now();
    auto until = start + std::chrono::seconds(3);
    std::vector<std::thread> clients;
    for (int c = 0; c < 8; ++c)
        clients.emplace_back([&] {
            while (std::chrono::steady_clock::now() < until) {
                HttpPost(post, THttpLimits{}, nullptr);
                ++answers;
            }
        });
    for (auto& c : clients)
        c.join();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("server: %.0f answers per second (50 rows each, 8 clients)\n", answers / s);
    server.stop();
    serving.join();
    std::filesystem::remove(path);
    return 0;
}
