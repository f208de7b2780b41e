// The connection over BSD sockets, for the native build.

#include "online/HttpClient.h"
#include "core/system/Errors.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point since) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Waits for the socket in slices; true when it is ready, false at the deadline.
bool Wait(int fd, short events, int timeoutMs, const THttpLimits& limits,
          const std::function<void()>& pump) {
    Clock::time_point start = Clock::now();
    for (;;) {
        int left = timeoutMs - ElapsedMs(start);
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, std::min(left, limits.SliceMs));
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return true; // the call that follows reports the error
        if (pump)
            pump();
    }
}

class TPosixConnection : public TTcpConnection {
public:
    explicit TPosixConnection(int fd) : fd_(fd) {}
    ~TPosixConnection() override { ::close(fd_); }

    void SendAll(const std::string& data, const THttpLimits& limits,
                 const std::function<void()>& pump) override {
        std::size_t sent = 0;
        while (sent < data.size()) {
            ssize_t n = ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (!Wait(fd_, POLLOUT, limits.StallTimeoutMs, limits, pump))
                    throw EHttpError(THttpFailure::TimedOut,
                                     "the server took no data for " +
                                         std::to_string(limits.StallTimeoutMs / 1000) + " s");
                continue;
            }
            throw EHttpError(THttpFailure::Broken,
                             "the connection broke while sending: " + SystemErrorText(errno));
        }
    }

    std::size_t Receive(char* buffer, std::size_t size, const THttpLimits& limits,
                        const std::function<void()>& pump) override {
        for (;;) {
            ssize_t n = ::recv(fd_, buffer, size, 0);
            if (n >= 0)
                return static_cast<std::size_t>(n);
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                throw EHttpError(THttpFailure::Broken,
                                 "the connection broke while receiving: " + SystemErrorText(errno));
            if (!Wait(fd_, POLLIN, limits.StallTimeoutMs, limits, pump))
                throw EHttpError(THttpFailure::TimedOut,
                                 "the server did not answer within " +
                                     std::to_string(limits.StallTimeoutMs / 1000) + " s");
        }
    }

private:
    int fd_;
};

} // namespace

std::unique_ptr<TTcpConnection> TTcpConnection::Open(const THostPort& to, const THttpLimits& limits,
                                                     const std::function<void()>& pump) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    std::string port = std::to_string(to.Port);
    int rc = ::getaddrinfo(to.Host.c_str(), port.c_str(), &hints, &found);
    if (rc != 0 || !found)
        throw EHttpError(THttpFailure::Unreachable,
                         "cannot find the server " + to.Text() + ": " + gai_strerror(rc));
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> owner(found, ::freeaddrinfo);

    Clock::time_point start = Clock::now();
    std::string lastError = "no address";
    for (addrinfo* a = found; a; a = a->ai_next) {
        int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError = SystemErrorText(errno);
            continue;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        int r = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (r != 0 && errno != EINPROGRESS) {
            lastError = SystemErrorText(errno);
            ::close(fd);
            continue;
        }
        if (r != 0) {
            int left = limits.ConnectTimeoutMs - ElapsedMs(start);
            bool ready = false;
            try {
                ready = left > 0 && Wait(fd, POLLOUT, left, limits, pump);
            } catch (...) {
                ::close(fd); // the pump ended the wait (the exchange's deadline)
                throw;
            }
            if (!ready) {
                ::close(fd);
                throw EHttpError(THttpFailure::TimedOut,
                                 "no connection to " + to.Text() + " within " +
                                     std::to_string(limits.ConnectTimeoutMs / 1000) + " s");
            }
            int error = 0;
            socklen_t len = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
            if (error != 0) {
                lastError = SystemErrorText(error);
                ::close(fd);
                continue;
            }
        }
        return std::make_unique<TPosixConnection>(fd);
    }
    throw EHttpError(THttpFailure::Unreachable, "cannot reach " + to.Text() + ": " + lastError);
}
