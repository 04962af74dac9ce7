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

// Where a resuming client stands with a server: the server's book, and the
// number of the client's last record held there. Book 0: the server does
// not resume (an older one, connected with acknowledgements only).
struct LogResumePoint {
  uint64_t book = 0;
  uint64_t last = 0;
};

// The same with the resuming version: sends `client` and waits, within
// `seconds`, for the server's answer. A server that refuses the version is
// connected with acknowledgements only.
int log_connect_resuming(const std::string &server, int port, int seconds, uint64_t client,
                         LogResumePoint &point, std::string &why, uint32_t source = 0);

} // namespace kxlogd
