#pragma once
// The platform's socket calls, and nothing more: the loops that send, receive
// and connect within the limits are the same on every platform and live in
// TcpConnection.cpp. Free of system headers: a socket is a number here.

#include "core/system/UniqueAny.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sockets {

using TSocket = std::intptr_t;
constexpr TSocket NoSocket = -1;

void Close(TSocket s);
using UniqueSocket = UniqueAny<TSocket, &Close, NoSocket>;

// One address a host name gave: what a socket for it needs.
struct TEndpoint {
    int Family = 0;
    int Type = 0;
    int Protocol = 0;
    std::vector<unsigned char> Address; // the system's socket address
};

// The addresses of a host, in the resolver's order; false with the
// resolver's reason. Error codes below are the system's (SystemErrorText).
bool Resolve(const std::string& host, int port, std::vector<TEndpoint>& found,
             std::string& error);

// A non-blocking socket for the endpoint; NoSocket with the error code.
TSocket OpenNonBlocking(const TEndpoint& endpoint, int& error);

enum class TStart { Connected, Pending, Failed };
TStart StartConnect(TSocket s, const TEndpoint& endpoint, int& error);
// The outcome of a connect that was pending: 0, or the error code.
int ConnectError(TSocket s);

// Waits at most sliceMs for the socket to be ready for writing (a connect
// counts as ready when it failed) or reading; false when the slice ran out.
bool WaitReady(TSocket s, bool forWrite, int sliceMs);

// One send or receive: the bytes moved (0 from Receive: the peer closed),
// or -1 with wouldBlock or the error code.
long Send(TSocket s, const char* data, std::size_t size, bool& wouldBlock, int& error);
long Receive(TSocket s, char* buffer, std::size_t size, bool& wouldBlock, int& error);

} // namespace sockets
