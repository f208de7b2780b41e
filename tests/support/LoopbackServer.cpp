#include "support/LoopbackServer.h"

#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using TSock = SOCKET;
const TSock NoSock = INVALID_SOCKET;
void CloseSock(TSock s) {
    closesocket(s);
}
struct TNetStart {
    TNetStart() {
        WSADATA d;
        WSAStartup(MAKEWORD(2, 2), &d);
    }
};
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using TSock = int;
const TSock NoSock = -1;
void CloseSock(TSock s) {
    ::close(s);
}
struct TNetStart {};
#endif

namespace {

// A client that went away must end the script, not the test program.
#ifdef MSG_NOSIGNAL
const int kSendFlags = MSG_NOSIGNAL;
#else
const int kSendFlags = 0;
#endif

void StartNet() {
    static TNetStart start;
    (void)start;
}

// Waits up to ms for the socket to be readable.
bool Readable(TSock s, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &tv) > 0;
}

TSock Listen(uint16_t& port) {
    StartNet();
    TSock s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(s, 4);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return s;
}

// A request is complete after its head and as many bytes as its
// Content-Length says.
bool Complete(const std::string& r) {
    std::size_t head = r.find("\r\n\r\n");
    if (head == std::string::npos)
        return false;
    std::size_t at = r.find("Content-Length: ");
    if (at == std::string::npos || at > head)
        return true;
    std::size_t length = std::stoul(r.substr(at + 16));
    return r.size() >= head + 4 + length;
}

} // namespace

TLoopbackServer::TLoopbackServer(TScript script) : script_(std::move(script)) {
    TSock s = Listen(port_);
    listener_ = static_cast<intptr_t>(s);
    thread_ = std::thread([this] { Run(); });
}

TLoopbackServer::~TLoopbackServer() {
    stop_ = true;
    thread_.join();
    CloseSock(static_cast<TSock>(listener_));
}

void TLoopbackServer::Run() {
    TSock listener = static_cast<TSock>(listener_);
    while (!stop_ && !Readable(listener, 50)) {
    }
    if (stop_)
        return;
    TSock c = accept(listener, nullptr, nullptr);
    if (c == NoSock)
        return;
    if (script_.Silent) {
        while (!stop_)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        CloseSock(c);
        return;
    }
    char buffer[65536];
    std::string got;
    while (!stop_ && !Complete(got)) {
        if (!Readable(c, 50))
            continue;
        int n = static_cast<int>(recv(c, buffer, sizeof buffer, 0));
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        request_ = got;
    }
    requestDone_ = true;
    for (const std::string& reply : script_.Replies) {
        std::size_t sent = 0;
        while (sent < reply.size() && !stop_) {
            const std::size_t piece = script_.DripMs > 0 ? 1 : reply.size() - sent;
            int n =
                static_cast<int>(send(c, reply.data() + sent, static_cast<int>(piece), kSendFlags));
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
            if (script_.DripMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(script_.DripMs));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!script_.CloseAfter) {
        while (!stop_) {
            if (Readable(c, 50) && recv(c, buffer, sizeof buffer, 0) <= 0)
                break;
        }
    }
    CloseSock(c);
}

std::string TLoopbackServer::Request() {
    for (int i = 0; i < 500 && !requestDone_; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::lock_guard<std::mutex> lock(mutex_);
    return request_;
}

uint16_t UnusedLoopbackPort() {
    uint16_t port = 0;
    TSock s = Listen(port);
    CloseSock(s);
    return port;
}
