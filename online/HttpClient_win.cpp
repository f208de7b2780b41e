// The connection over Winsock.

#include "online/HttpClient.h"
#include "core/system/Errors.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

namespace {

class TWinsock {
public:
    TWinsock() { ok_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~TWinsock() {
        if (ok_)
            WSACleanup();
    }
    bool Ok() const { return ok_; }

private:
    WSADATA data_{};
    bool ok_ = false;
};

void EnsureWinsock() {
    static TWinsock winsock;
    if (!winsock.Ok())
        throw EHttpError(THttpFailure::Unreachable, "the network is not available (WSAStartup)");
}

// Waits for the socket in slices; true when it is ready (or failed, for a
// connect), false at the deadline. Winsock reports a failed connect in the
// exception set, not the write set.
bool Wait(SOCKET s, bool forWrite, int timeoutMs, const THttpLimits& limits,
          const std::function<void()>& pump) {
    DWORD start = GetTickCount();
    for (;;) {
        int elapsed = static_cast<int>(GetTickCount() - start);
        int left = timeoutMs - elapsed;
        if (left <= 0)
            return false;
        int slice = std::min(left, limits.SliceMs);
        fd_set ready;
        fd_set failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(s, &ready);
        FD_SET(s, &failed);
        timeval tv{slice / 1000, (slice % 1000) * 1000};
        int r = select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, &failed, &tv);
        if (r != 0)
            return true; // the call that follows reports an error
        if (pump)
            pump();
    }
}

class TWinsockConnection : public TTcpConnection {
public:
    explicit TWinsockConnection(SOCKET s) : s_(s) {}
    ~TWinsockConnection() override { closesocket(s_); }

    void SendAll(const std::string& data, const THttpLimits& limits,
                 const std::function<void()>& pump) override {
        std::size_t sent = 0;
        while (sent < data.size()) {
            int chunk = static_cast<int>(std::min<std::size_t>(data.size() - sent, 1 << 20));
            int n = send(s_, data.data() + sent, chunk, 0);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            int error = WSAGetLastError();
            if (n == SOCKET_ERROR && error == WSAEWOULDBLOCK) {
                if (!Wait(s_, true, limits.StallTimeoutMs, limits, pump))
                    throw EHttpError(THttpFailure::TimedOut,
                                     "the server took no data for " +
                                         std::to_string(limits.StallTimeoutMs / 1000) + " s");
                continue;
            }
            throw EHttpError(THttpFailure::Broken,
                             "the connection broke while sending: " + SystemErrorText(error));
        }
    }

    std::size_t Receive(char* buffer, std::size_t size, const THttpLimits& limits,
                        const std::function<void()>& pump) override {
        int want = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
        for (;;) {
            int n = recv(s_, buffer, want, 0);
            if (n >= 0)
                return static_cast<std::size_t>(n);
            int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK)
                throw EHttpError(THttpFailure::Broken,
                                 "the connection broke while receiving: " + SystemErrorText(error));
            if (!Wait(s_, false, limits.StallTimeoutMs, limits, pump))
                throw EHttpError(THttpFailure::TimedOut,
                                 "the server did not answer within " +
                                     std::to_string(limits.StallTimeoutMs / 1000) + " s");
        }
    }

private:
    SOCKET s_;
};

} // namespace

std::unique_ptr<TTcpConnection> TTcpConnection::Open(const THostPort& to, const THttpLimits& limits,
                                                     const std::function<void()>& pump) {
    EnsureWinsock();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    std::string port = std::to_string(to.Port);
    int rc = getaddrinfo(to.Host.c_str(), port.c_str(), &hints, &found);
    if (rc != 0 || !found)
        throw EHttpError(THttpFailure::Unreachable,
                         "cannot find the server " + to.Text() + ": " + SystemErrorText(rc));
    struct TFree {
        addrinfo* a;
        ~TFree() { freeaddrinfo(a); }
    } owner{found};

    DWORD start = GetTickCount();
    std::string lastError = "no address";
    for (addrinfo* a = found; a; a = a->ai_next) {
        SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) {
            lastError = SystemErrorText(WSAGetLastError());
            continue;
        }
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        int r = connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen));
        if (r != 0 && WSAGetLastError() != WSAEWOULDBLOCK) {
            lastError = SystemErrorText(WSAGetLastError());
            closesocket(s);
            continue;
        }
        if (r != 0) {
            int left = limits.ConnectTimeoutMs - static_cast<int>(GetTickCount() - start);
            bool ready = false;
            try {
                ready = left > 0 && Wait(s, true, left, limits, pump);
            } catch (...) {
                closesocket(s); // the pump ended the wait (the exchange's deadline)
                throw;
            }
            if (!ready) {
                closesocket(s);
                throw EHttpError(THttpFailure::TimedOut,
                                 "no connection to " + to.Text() + " within " +
                                     std::to_string(limits.ConnectTimeoutMs / 1000) + " s");
            }
            int error = 0;
            int len = sizeof error;
            getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len);
            if (error != 0) {
                lastError = SystemErrorText(error);
                closesocket(s);
                continue;
            }
        }
        return std::make_unique<TWinsockConnection>(s);
    }
    throw EHttpError(THttpFailure::Unreachable, "cannot reach " + to.Text() + ": " + lastError);
}
