// The socket calls over Winsock.

#include "online/Sockets.h"

#include "online/HttpClient.h"
#include "core/system/Errors.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

namespace sockets {

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

SOCKET Native(TSocket s) {
    return static_cast<SOCKET>(s);
}

// Winsock takes lengths as int: a larger piece goes in several calls.
int Piece(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, 1 << 20));
}

} // namespace

void Close(TSocket s) {
    closesocket(Native(s));
}

bool Resolve(const std::string& host, int port, std::vector<TEndpoint>& found, std::string& error) {
    EnsureWinsock();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (rc != 0 || !list) {
        error = SystemErrorText(rc);
        return false;
    }
    for (addrinfo* a = list; a; a = a->ai_next) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(a->ai_addr);
        found.push_back(TEndpoint{a->ai_family, a->ai_socktype, a->ai_protocol,
                                  std::vector<unsigned char>(bytes, bytes + a->ai_addrlen)});
    }
    freeaddrinfo(list);
    return true;
}

TSocket OpenNonBlocking(const TEndpoint& endpoint, int& error) {
    EnsureWinsock();
    SOCKET s = socket(endpoint.Family, endpoint.Type, endpoint.Protocol);
    if (s == INVALID_SOCKET) {
        error = WSAGetLastError();
        return NoSocket;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    return static_cast<TSocket>(s);
}

TStart StartConnect(TSocket s, const TEndpoint& endpoint, int& error) {
    if (connect(Native(s), reinterpret_cast<const sockaddr*>(endpoint.Address.data()),
                static_cast<int>(endpoint.Address.size())) == 0)
        return TStart::Connected;
    error = WSAGetLastError();
    return error == WSAEWOULDBLOCK ? TStart::Pending : TStart::Failed;
}

int ConnectError(TSocket s) {
    int error = 0;
    int length = sizeof error;
    getsockopt(Native(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return error;
}

bool WaitReady(TSocket s, bool forWrite, int sliceMs) {
    // Winsock reports a failed connect in the exception set, not the write set.
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(Native(s), &ready);
    FD_SET(Native(s), &failed);
    timeval tv{sliceMs / 1000, (sliceMs % 1000) * 1000};
    return select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, &failed, &tv) != 0;
}

long Send(TSocket s, const char* data, std::size_t size, bool& wouldBlock, int& error) {
    const int n = send(Native(s), data, Piece(size), 0);
    if (n != SOCKET_ERROR)
        return n;
    error = WSAGetLastError();
    wouldBlock = error == WSAEWOULDBLOCK;
    return -1;
}

long Receive(TSocket s, char* buffer, std::size_t size, bool& wouldBlock, int& error) {
    const int n = recv(Native(s), buffer, Piece(size), 0);
    if (n != SOCKET_ERROR)
        return n;
    error = WSAGetLastError();
    wouldBlock = error == WSAEWOULDBLOCK;
    return -1;
}

} // namespace sockets
