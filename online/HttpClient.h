#pragma once
// The rating server exchange's own HTTP/1.0 client. The request must carry
// exactly the request line and headers the rating service expects, in their
// order, which the system's HTTP libraries would change (they add headers of
// their own, follow redirections and decompress). The shared logic lives in
// HttpClient.cpp; HttpClient_win.cpp (Winsock) and HttpClient_portable.cpp
// (BSD sockets) hold only the socket calls.

#include "core/system/Errors.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// What went wrong, so that a front end can say why in a few words.
enum class THttpFailure {
    BadAddress,  // the server or proxy address cannot be used
    Unreachable, // no connection could be made
    TimedOut,    // connecting or the answer took too long
    Broken,      // the connection failed while the exchange ran
    Status,      // the server answered with a status outside 2xx
    TooLarge,    // the answer exceeds the size limit
    BadResponse, // the answer is not HTTP
};

class EHttpError : public EMorvaneError {
public:
    EHttpError(THttpFailure kind, const std::string& message, int status = 0)
        : EMorvaneError(message), Kind(kind), Status(status) {}
    THttpFailure Kind;
    int Status;
};

struct THostPort {
    std::string Host;
    uint16_t Port = 80;
    bool Empty() const { return Host.empty(); }
    // "host" for port 80, else "host:port".
    std::string Text() const;
};

// "http://host[:port][/]" or "host[:port]"; false (with a reason) for
// anything else: another scheme, a path, an empty host, a port outside
// 1..65535.
bool ParseServerAddress(const std::string& text, THostPort& server, std::string* reason = nullptr);

// The proxy of an "Internet Settings" "ProxyServer" value: "host:port", a
// per-protocol list ("http=host:port;https=host:port", whose "http" entry is
// used, or else an entry without a protocol), or a bare host (port 80).
// Empty when the value names no proxy for plain HTTP.
THostPort ParseProxyServer(const std::string& value);

// True when "ProxyOverride" (patterns separated by ";", "*" and "?" as
// wildcards, letter case ignored, "<local>" for host names without a dot)
// says the host is reached directly.
bool ProxyBypassed(const std::string& proxyOverride, const std::string& host);

struct THttpLimits {
    int ConnectTimeoutMs = 10000;
    // The longest silence while the answer arrives.
    int StallTimeoutMs = 30000;
    // The longest the whole exchange may take, from the connection to the
    // answer's last byte, with a millisecond more for every ExchangeBytesPerMs
    // bytes of request, so that a long list on a slow line is not cut. The
    // silence limit alone lets a server that sends a byte now and then hold
    // the exchange for ever.
    int ExchangeTimeoutMs = 60000;
    std::size_t ExchangeBytesPerMs = 64;
    std::size_t MaxBodyBytes = 16u * 1024 * 1024;
    std::size_t MaxHeaderBytes = 64u * 1024;
    // The waits are cut into slices of this length, after each of which the
    // caller's pump runs.
    int SliceMs = 250;
};

struct THttpPost {
    THostPort Server;
    std::string Path;
    std::string ContentType;
    std::string Body;
    THostPort Proxy; // empty: direct
};

// The exact bytes of the request.
std::string BuildRequest(const THttpPost& post);

// Reads a response from its bytes as they arrive.
class THttpResponseReader {
public:
    explicit THttpResponseReader(std::size_t maxBody = 16u * 1024 * 1024,
                                 std::size_t maxHeader = 64u * 1024);
    // Takes the next bytes; raises EHttpError for a malformed or too large
    // answer. True once the body is complete (more bytes are then ignored).
    bool Feed(const char* data, std::size_t size);
    // The connection closed: true when that completes the answer; raises
    // EHttpError when the answer is cut short.
    bool Closed();

    bool HeadersDone() const { return state_ > sHeaders; }
    int Status() const { return status_; }
    const std::string& Reason() const { return reason_; }
    const std::string& Body() const { return body_; }
    std::string TakeBody() { return std::move(body_); }
    bool Complete() const { return state_ == sDone; }

private:
    enum State {
        sHeaders,
        sLength,
        sChunkSize,
        sChunkData,
        sChunkDataEnd,
        sTrailer,
        sClose,
        sDone
    };
    void ParseHead();
    bool ParseChunkLine(const std::string& line);
    void Append(const char* data, std::size_t size);

    std::size_t maxBody_;
    std::size_t maxHeader_;
    State state_ = sHeaders;
    std::string pending_;
    std::string body_;
    int status_ = 0;
    std::string reason_;
    std::size_t remaining_ = 0;
};

// Sends the post and returns the body of a 2xx answer; raises EHttpError
// otherwise (TimedOut says which limit ended it). Redirections are failures,
// not followed. pump runs after every slice of waiting (null: nothing runs).
std::string HttpPost(const THttpPost& post, const THttpLimits& limits,
                     const std::function<void()>& pump);

// The platform's part: one TCP connection with waits in slices.
class TTcpConnection {
public:
    virtual ~TTcpConnection() = default;
    // Raises EHttpError (Unreachable, TimedOut).
    static std::unique_ptr<TTcpConnection> Open(const THostPort& to, const THttpLimits& limits,
                                                const std::function<void()>& pump);
    // Raises EHttpError (Broken, TimedOut).
    virtual void SendAll(const std::string& data, const THttpLimits& limits,
                         const std::function<void()>& pump) = 0;
    // Waits for bytes; returns how many arrived, 0 when the peer closed.
    // Raises EHttpError (Broken, TimedOut after StallTimeoutMs of silence).
    virtual std::size_t Receive(char* buffer, std::size_t size, const THttpLimits& limits,
                                const std::function<void()>& pump) = 0;
};
