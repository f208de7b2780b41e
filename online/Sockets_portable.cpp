// The socket calls over BSD sockets, for the native build.

#include "online/Sockets.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sockets {

void Close(TSocket s) {
    ::close(static_cast<int>(s));
}

bool Resolve(const std::string& host, int port, std::vector<TEndpoint>& found, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (rc != 0 || !list) {
        error = ::gai_strerror(rc);
        return false;
    }
    for (addrinfo* a = list; a; a = a->ai_next) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(a->ai_addr);
        found.push_back(TEndpoint{a->ai_family, a->ai_socktype, a->ai_protocol,
                                  std::vector<unsigned char>(bytes, bytes + a->ai_addrlen)});
    }
    ::freeaddrinfo(list);
    return true;
}

TSocket OpenNonBlocking(const TEndpoint& endpoint, int& error) {
    const int fd = ::socket(endpoint.Family, endpoint.Type | SOCK_CLOEXEC, endpoint.Protocol);
    if (fd < 0) {
        error = errno;
        return NoSocket;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

TStart StartConnect(TSocket s, const TEndpoint& endpoint, int& error) {
    if (::connect(static_cast<int>(s), reinterpret_cast<const sockaddr*>(endpoint.Address.data()),
                  static_cast<socklen_t>(endpoint.Address.size())) == 0)
        return TStart::Connected;
    if (errno == EINPROGRESS)
        return TStart::Pending;
    error = errno;
    return TStart::Failed;
}

int ConnectError(TSocket s) {
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(static_cast<int>(s), SOL_SOCKET, SO_ERROR, &error, &length);
    return error;
}

bool WaitReady(TSocket s, bool forWrite, int sliceMs) {
    pollfd p{static_cast<int>(s), static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    const int r = ::poll(&p, 1, sliceMs);
    // An error other than an interruption: the call that follows reports it.
    return r > 0 || (r < 0 && errno != EINTR);
}

namespace {

// A send or receive, again after an interruption.
template <class Call> long Retried(Call call, bool& wouldBlock, int& error) {
    for (;;) {
        const ssize_t n = call();
        if (n >= 0)
            return static_cast<long>(n);
        if (errno == EINTR)
            continue;
        wouldBlock = errno == EAGAIN || errno == EWOULDBLOCK;
        error = errno;
        return -1;
    }
}

} // namespace

long Send(TSocket s, const char* data, std::size_t size, bool& wouldBlock, int& error) {
    return Retried([&] { return ::send(static_cast<int>(s), data, size, MSG_NOSIGNAL); },
                   wouldBlock, error);
}

long Receive(TSocket s, char* buffer, std::size_t size, bool& wouldBlock, int& error) {
    return Retried([&] { return ::recv(static_cast<int>(s), buffer, size, 0); }, wouldBlock,
                   error);
}

} // namespace sockets
