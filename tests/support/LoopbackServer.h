#pragma once
// A one-connection server on a free loopback port for the HTTP client's
// tests: it records the bytes of the request and answers with scripted bytes,
// optionally in several writes, a byte at a time, or never. Winsock and BSD
// sockets alike.
//
// It cannot model a slow network (only a slow server) or a proxy; the proxy
// tests use a real one.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TLoopbackServer {
public:
    struct TScript {
        // Written one after the other once the request has arrived.
        std::vector<std::string> Replies;
        // Closes the connection after the replies; false keeps it open until
        // the client goes (a server that stalls).
        bool CloseAfter = true;
        // Accepts and never reads or answers.
        bool Silent = false;
        // Writes the replies a byte at a time, this many milliseconds apart:
        // a server that is never silent for long but never done either.
        int DripMs = 0;
    };

    explicit TLoopbackServer(TScript script);
    ~TLoopbackServer();
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    uint16_t Port() const { return port_; }
    // What the client sent, once the request is complete (waits up to 5 s).
    std::string Request();

private:
    void Run();

    TScript script_;
    intptr_t listener_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string request_;
    std::atomic<bool> requestDone_{false};
};

// A loopback port that nothing listens on (bound, then closed).
uint16_t UnusedLoopbackPort();
