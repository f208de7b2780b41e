#include "online/HttpClient.h"
#include "core/system/AsciiCase.h"
#include "core/system/TextScan.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

namespace {

// Header lines: blanks around them, and the carriage return of CR LF.
std::string Trim(const std::string& s) {
    return std::string(TrimBlanks(s, " \t\r"));
}

bool ParsePort(const std::string& text, uint16_t& port) {
    if (text.empty() || text.size() > 5)
        return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

// host[:port]; a bracketed IPv6 literal keeps its brackets off.
bool SplitHostPort(const std::string& text, THostPort& out) {
    std::string host = text;
    uint16_t port = 80;
    std::size_t colon = text.rfind(':');
    if (!text.empty() && text[0] == '[') {
        std::size_t close = text.find(']');
        if (close == std::string::npos)
            return false;
        host = text.substr(1, close - 1);
        std::string rest = text.substr(close + 1);
        if (!rest.empty() && (rest[0] != ':' || !ParsePort(rest.substr(1), port)))
            return false;
    } else if (colon != std::string::npos) {
        host = text.substr(0, colon);
        if (!ParsePort(text.substr(colon + 1), port))
            return false;
    }
    if (host.empty())
        return false;
    for (unsigned char c : host)
        if (c <= ' ' || c == '/' || c == '@' || c == '?' || c == '#' || c >= 0x7f)
            return false;
    out.Host = host;
    out.Port = port;
    return true;
}

// "*" any run, "?" one byte; both sides already in lower case.
bool WildMatch(const char* pattern, const char* text) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*text) {
        if (*pattern == '*') {
            star = pattern++;
            resume = text;
        } else if (*pattern == '?' || *pattern == *text) {
            ++pattern;
            ++text;
        } else if (star) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == 0;
}

} // namespace

std::string THostPort::Text() const {
    std::string host = Host.find(':') != std::string::npos ? "[" + Host + "]" : Host;
    return Port == 80 ? host : host + ":" + std::to_string(Port);
}

bool ParseServerAddress(const std::string& text, THostPort& server, std::string* reason) {
    auto fail = [&](const std::string& why) {
        if (reason)
            *reason = why;
        return false;
    };
    std::string rest = Trim(text);
    if (rest.empty())
        return fail("no address given");
    std::size_t scheme = rest.find("://");
    if (scheme != std::string::npos) {
        if (asciiLower(rest.substr(0, scheme)) != "http")
            return fail("only http:// addresses are supported: " + text);
        rest = rest.substr(scheme + 3);
    }
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    if (rest.find('/') != std::string::npos)
        return fail("the address must not carry a path: " + text);
    THostPort parsed;
    if (!SplitHostPort(rest, parsed))
        return fail("not a server address: " + text);
    server = parsed;
    return true;
}

THostPort ParseProxyServer(const std::string& value) {
    THostPort proxy;
    std::string plain;
    std::string http;
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find_first_of("; ", start);
        if (end == std::string::npos)
            end = value.size();
        std::string entry = Trim(value.substr(start, end - start));
        start = end + 1;
        if (entry.empty())
            continue;
        std::size_t eq = entry.find('=');
        if (eq == std::string::npos) {
            if (plain.empty())
                plain = entry;
        } else if (asciiLower(Trim(entry.substr(0, eq))) == "http" && http.empty()) {
            http = Trim(entry.substr(eq + 1));
        }
    }
    std::string chosen = !http.empty() ? http : plain;
    // An entry may carry a scheme of its own ("http://proxy:3128").
    std::size_t scheme = chosen.find("://");
    if (scheme != std::string::npos)
        chosen = chosen.substr(scheme + 3);
    if (!chosen.empty() && chosen.back() == '/')
        chosen.pop_back();
    if (!chosen.empty() && !SplitHostPort(chosen, proxy))
        proxy = THostPort();
    if (proxy.Host.empty())
        proxy = THostPort{};
    return proxy;
}

bool ProxyBypassed(const std::string& proxyOverride, const std::string& host) {
    const std::string name = asciiLower(host);
    std::size_t start = 0;
    while (start <= proxyOverride.size()) {
        std::size_t end = proxyOverride.find(';', start);
        if (end == std::string::npos)
            end = proxyOverride.size();
        std::string pattern = asciiLower(Trim(proxyOverride.substr(start, end - start)));
        start = end + 1;
        if (pattern.empty())
            continue;
        if (pattern == "<local>") {
            if (name.find('.') == std::string::npos && name.find(':') == std::string::npos)
                return true;
            continue;
        }
        if (WildMatch(pattern.c_str(), name.c_str()))
            return true;
    }
    return false;
}

std::string BuildRequest(const THttpPost& post) {
    std::string target = post.Path;
    if (!post.Proxy.Empty())
        target = "http://" + post.Server.Text() + post.Path;
    std::string out = "POST " + target + " HTTP/1.0\r\n";
    out += "Host: " + post.Server.Text() + "\r\n";
    out += "Accept: text/html, */*\r\n";
    out += "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
    out += "Content-Type: " + post.ContentType + "\r\n";
    if (!post.Body.empty())
        out += "Content-Length: " + std::to_string(post.Body.size()) + "\r\n";
    out += "\r\n";
    out += post.Body;
    return out;
}

// ---------------------------------------------------------------------------
// Response

THttpResponseReader::THttpResponseReader(std::size_t maxBody, std::size_t maxHeader)
    : maxBody_(maxBody), maxHeader_(maxHeader) {}

void THttpResponseReader::Append(const char* data, std::size_t size) {
    if (body_.size() + size > maxBody_)
        throw EHttpError(THttpFailure::TooLarge, "the answer is larger than " +
                                                     std::to_string(maxBody_ / (1024 * 1024)) +
                                                     " MB");
    body_.append(data, size);
}

void THttpResponseReader::ParseHead() {
    // pending_ holds the head up to and including its blank line.
    std::size_t lineEnd = pending_.find('\n');
    std::string statusLine = Trim(pending_.substr(0, lineEnd));
    if (statusLine.compare(0, 5, "HTTP/") != 0)
        throw EHttpError(THttpFailure::BadResponse, "the server did not answer in HTTP");
    std::size_t sp = statusLine.find(' ');
    if (sp == std::string::npos || statusLine.size() < sp + 4 ||
        !std::isdigit(static_cast<unsigned char>(statusLine[sp + 1])) ||
        !std::isdigit(static_cast<unsigned char>(statusLine[sp + 2])) ||
        !std::isdigit(static_cast<unsigned char>(statusLine[sp + 3])) ||
        (statusLine.size() > sp + 4 && statusLine[sp + 4] != ' '))
        throw EHttpError(THttpFailure::BadResponse, "the server's status line is malformed");
    status_ = std::stoi(statusLine.substr(sp + 1, 3));
    reason_ = statusLine.size() > sp + 5 ? statusLine.substr(sp + 5) : std::string();

    bool haveLength = false;
    bool chunked = false;
    std::size_t length = 0;
    std::size_t at = lineEnd + 1;
    while (at < pending_.size()) {
        std::size_t end = pending_.find('\n', at);
        if (end == std::string::npos)
            end = pending_.size();
        std::string line = Trim(pending_.substr(at, end - at));
        at = end + 1;
        if (line.empty())
            break;
        std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = asciiLower(Trim(line.substr(0, colon)));
        std::string value = Trim(line.substr(colon + 1));
        if (name == "content-length") {
            if (value.empty() || value.size() > 18 ||
                !std::all_of(value.begin(), value.end(),
                             [](char c) { return c >= '0' && c <= '9'; }))
                throw EHttpError(THttpFailure::BadResponse,
                                 "the server sent a malformed Content-Length");
            std::size_t n = std::stoull(value);
            if (haveLength && n != length)
                throw EHttpError(THttpFailure::BadResponse,
                                 "the server sent two different Content-Length headers");
            haveLength = true;
            length = n;
        } else if (name == "transfer-encoding") {
            chunked = asciiLower(value).find("chunked") != std::string::npos;
        }
    }
    if (status_ < 200 || status_ > 299) {
        std::string text = "the server answered HTTP " + std::to_string(status_);
        if (!reason_.empty())
            text += " " + reason_;
        throw EHttpError(THttpFailure::Status, text, status_);
    }
    if (haveLength) {
        if (length > maxBody_)
            throw EHttpError(THttpFailure::TooLarge, "the answer is larger than " +
                                                         std::to_string(maxBody_ / (1024 * 1024)) +
                                                         " MB");
        remaining_ = length;
        body_.reserve(length);
        state_ = length == 0 ? sDone : sLength;
    } else if (chunked) {
        state_ = sChunkSize;
    } else {
        state_ = sClose;
    }
}

bool THttpResponseReader::ParseChunkLine(const std::string& line) {
    std::string size = Trim(line.substr(0, line.find(';')));
    if (size.empty() || size.size() > 15 || !std::all_of(size.begin(), size.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        }))
        throw EHttpError(THttpFailure::BadResponse, "the server sent a malformed chunk size");
    remaining_ = std::stoull(size, nullptr, 16);
    if (body_.size() + remaining_ > maxBody_)
        throw EHttpError(THttpFailure::TooLarge, "the answer is larger than " +
                                                     std::to_string(maxBody_ / (1024 * 1024)) +
                                                     " MB");
    return remaining_ == 0;
}

bool THttpResponseReader::Feed(const char* data, std::size_t size) {
    std::size_t at = 0;
    while (at < size && state_ != sDone) {
        switch (state_) {
        case sHeaders: {
            // The head ends at the first empty line (CR LF CR LF, or bare LFs).
            std::size_t before = pending_.size();
            pending_.append(data + at, size - at);
            std::size_t end = std::string::npos;
            std::size_t endLength = 0;
            std::size_t searchFrom = before > 3 ? before - 3 : 0;
            std::size_t crlf = pending_.find("\r\n\r\n", searchFrom);
            std::size_t lflf = pending_.find("\n\n", searchFrom);
            if (crlf != std::string::npos && (lflf == std::string::npos || crlf < lflf)) {
                end = crlf;
                endLength = 4;
            } else if (lflf != std::string::npos) {
                end = lflf;
                endLength = 2;
            }
            if (end == std::string::npos) {
                if (pending_.size() > maxHeader_)
                    throw EHttpError(THttpFailure::TooLarge, "the answer's headers are too long");
                return false;
            }
            std::size_t headLength = end + endLength;
            std::string rest = pending_.substr(headLength);
            pending_.resize(headLength);
            ParseHead();
            pending_.clear();
            // The bytes after the head go through the loop once more.
            if (!rest.empty())
                return Feed(rest.data(), rest.size());
            return state_ == sDone;
        }
        case sLength: {
            std::size_t n = std::min(remaining_, size - at);
            Append(data + at, n);
            at += n;
            remaining_ -= n;
            if (remaining_ == 0)
                state_ = sDone;
            break;
        }
        case sClose:
            Append(data + at, size - at);
            at = size;
            break;
        case sChunkSize:
        case sChunkDataEnd:
        case sTrailer: {
            const char* nl = static_cast<const char*>(std::memchr(data + at, '\n', size - at));
            std::size_t n = nl ? static_cast<std::size_t>(nl - (data + at)) + 1 : size - at;
            pending_.append(data + at, n);
            at += n;
            if (pending_.size() > 4096)
                throw EHttpError(THttpFailure::BadResponse, "the server sent a malformed chunk");
            if (!nl)
                break;
            std::string line = Trim(pending_.substr(0, pending_.size() - 1));
            pending_.clear();
            if (state_ == sChunkSize) {
                state_ = ParseChunkLine(line) ? sTrailer : sChunkData;
            } else if (state_ == sChunkDataEnd) {
                if (!line.empty())
                    throw EHttpError(THttpFailure::BadResponse,
                                     "the server sent a chunk longer than it announced");
                state_ = sChunkSize;
            } else if (line.empty()) {
                state_ = sDone;
            }
            break;
        }
        case sChunkData: {
            std::size_t n = std::min(remaining_, size - at);
            Append(data + at, n);
            at += n;
            remaining_ -= n;
            if (remaining_ == 0)
                state_ = sChunkDataEnd;
            break;
        }
        case sDone:
            break;
        }
    }
    return state_ == sDone;
}

bool THttpResponseReader::Closed() {
    if (state_ == sClose)
        state_ = sDone;
    if (state_ == sTrailer) // the last chunk came; a missing trailer line is forgiven
        state_ = sDone;
    if (state_ == sDone)
        return true;
    if (state_ == sHeaders)
        throw EHttpError(THttpFailure::Broken,
                         pending_.empty() ? "the server closed the connection without an answer"
                                          : "the server closed the connection within its headers");
    throw EHttpError(THttpFailure::Broken, "the server closed the connection before the answer "
                                           "was complete");
}

// ---------------------------------------------------------------------------
// The exchange

std::string HttpPost(const THttpPost& post, const THttpLimits& limits,
                     const std::function<void()>& pump) {
    if (post.Server.Empty())
        throw EHttpError(THttpFailure::BadAddress, "no rating server is set");
    const std::string request = BuildRequest(post);
    // The whole exchange has a deadline, checked after every slice of waiting
    // (through the pump) and after every read, so that it ends within a slice.
    using Clock = std::chrono::steady_clock;
    const long long allowedMs =
        limits.ExchangeTimeoutMs +
        static_cast<long long>(request.size() /
                               std::max<std::size_t>(limits.ExchangeBytesPerMs, 1));
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(allowedMs);
    const auto checkDeadline = [&] {
        if (Clock::now() >= deadline)
            throw EHttpError(THttpFailure::TimedOut,
                             "the exchange did not end within " +
                                 std::to_string((allowedMs + 500) / 1000) +
                                 " s, the limit for the whole exchange (the server was too slow)");
    };
    const std::function<void()> watched = [&] {
        if (pump)
            pump();
        checkDeadline();
    };
    const THostPort& to = post.Proxy.Empty() ? post.Server : post.Proxy;
    std::unique_ptr<TTcpConnection> connection = TTcpConnection::Open(to, limits, watched);
    connection->SendAll(request, limits, watched);
    THttpResponseReader reader(limits.MaxBodyBytes, limits.MaxHeaderBytes);
    std::string buffer(64 * 1024, '\0');
    for (;;) {
        std::size_t got = connection->Receive(buffer.data(), buffer.size(), limits, watched);
        if (got == 0) {
            reader.Closed();
            break;
        }
        if (reader.Feed(buffer.data(), got))
            break;
        checkDeadline();
    }
    return reader.TakeBody();
}
