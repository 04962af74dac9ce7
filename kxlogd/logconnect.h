// The client side of a connection to a log server: connect, version word,
// authentication for "log".
#pragma once

#include <cstdint>
#include <string>

namespace kxlogd {

// Connects to `server` (a name or dotted address) on `port` within
// `seconds`, sends the version word (asking for acknowledgements with
// `acks`) and authenticates. Returns the connected, non-blocking socket, or
// -1 with the reason in `why`. A non-zero `source` (host order) is the
// local address to connect from: a module's own address, which the server's
// control.map grants.
int log_connect_server(const std::string &server, int port, int seconds, bool acks,
                       std::string &why, uint32_t source = 0);

} // namespace kxlogd
