// One TCP connection within the exchange's limits: connect, send and receive
// in slices of waiting, with the pump run after each slice. The same on every
// platform; the socket calls come from Sockets_<platform>.cpp.

#include "online/HttpClient.h"
#include "online/Sockets.h"
#include "core/system/Errors.h"

#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point since) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Waits for the socket in slices; true when it is ready (or failed: the call
// that follows reports it), false at the deadline.
bool Wait(sockets::TSocket s, bool forWrite, int timeoutMs, const THttpLimits& limits,
          const std::function<void()>& pump) {
    const Clock::time_point start = Clock::now();
    for (;;) {
        const int left = timeoutMs - ElapsedMs(start);
        if (left <= 0)
            return false;
        if (sockets::WaitReady(s, forWrite, std::min(left, limits.SliceMs)))
            return true;
        if (pump)
            pump();
    }
}

std::string Seconds(int ms) {
    return std::to_string(ms / 1000) + " s";
}

class TSocketConnection : public TTcpConnection {
public:
    explicit TSocketConnection(sockets::UniqueSocket s) : s_(std::move(s)) {}

    void SendAll(const std::string& data, const THttpLimits& limits,
                 const std::function<void()>& pump) override {
        std::size_t sent = 0;
        while (sent < data.size()) {
            bool wouldBlock = false;
            int error = 0;
            const long n =
                sockets::Send(s_.get(), data.data() + sent, data.size() - sent, wouldBlock, error);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && wouldBlock) {
                if (!Wait(s_.get(), true, limits.StallTimeoutMs, limits, pump))
                    throw EHttpError(THttpFailure::TimedOut,
                                     "the server took no data for " +
                                         Seconds(limits.StallTimeoutMs));
                continue;
            }
            throw EHttpError(THttpFailure::Broken, "the connection broke while sending: " +
                                                       SystemErrorText(error));
        }
    }

    std::size_t Receive(char* buffer, std::size_t size, const THttpLimits& limits,
                        const std::function<void()>& pump) override {
        for (;;) {
            bool wouldBlock = false;
            int error = 0;
            const long n = sockets::Receive(s_.get(), buffer, size, wouldBlock, error);
            if (n >= 0)
                return static_cast<std::size_t>(n);
            if (!wouldBlock)
                throw EHttpError(THttpFailure::Broken, "the connection broke while receiving: " +
                                                           SystemErrorText(error));
            if (!Wait(s_.get(), false, limits.StallTimeoutMs, limits, pump))
                throw EHttpError(THttpFailure::TimedOut,
                                 "the server did not answer within " +
                                     Seconds(limits.StallTimeoutMs));
        }
    }

private:
    sockets::UniqueSocket s_;
};

} // namespace

std::unique_ptr<TTcpConnection> TTcpConnection::Open(const THostPort& to, const THttpLimits& limits,
                                                     const std::function<void()>& pump) {
    std::vector<sockets::TEndpoint> endpoints;
    std::string resolveError;
    if (!sockets::Resolve(to.Host, to.Port, endpoints, resolveError) || endpoints.empty())
        throw EHttpError(THttpFailure::Unreachable,
                         "cannot find the server " + to.Text() + ": " + resolveError);

    const Clock::time_point start = Clock::now();
    std::string lastError = "no address";
    for (const sockets::TEndpoint& endpoint : endpoints) {
        int error = 0;
        sockets::UniqueSocket s(sockets::OpenNonBlocking(endpoint, error));
        if (!s) {
            lastError = SystemErrorText(error);
            continue;
        }
        const sockets::TStart started = sockets::StartConnect(s.get(), endpoint, error);
        if (started == sockets::TStart::Failed) {
            lastError = SystemErrorText(error);
            continue;
        }
        if (started == sockets::TStart::Pending) {
            // A pump that ends the wait (the exchange's deadline) throws; the
            // owner closes the socket.
            const int left = limits.ConnectTimeoutMs - ElapsedMs(start);
            if (left <= 0 || !Wait(s.get(), true, left, limits, pump))
                throw EHttpError(THttpFailure::TimedOut, "no connection to " + to.Text() +
                                                             " within " +
                                                             Seconds(limits.ConnectTimeoutMs));
            if (int failed = sockets::ConnectError(s.get())) {
                lastError = SystemErrorText(failed);
                continue;
            }
        }
        return std::make_unique<TSocketConnection>(std::move(s));
    }
    throw EHttpError(THttpFailure::Unreachable, "cannot reach " + to.Text() + ": " + lastError);
}
