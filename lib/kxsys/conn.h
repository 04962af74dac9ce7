// Connections: connect with a time-out, the version word, listening sockets.
#pragma once

#include <cstdint>
#include <string>

namespace kxsys {

inline constexpr int KX_PORT_MGMT = 256;
inline constexpr int KX_PORT_LOG = 257;

// Resolves a dotted address (first character a digit) or a host name to an
// IPv4 address in host order; false when it can't be resolved (the all-ones
// address counts as unresolvable).
bool kx_resolve(const std::string &host, uint32_t &addr);

// Connects to host:port within `seconds`, makes the socket non-blocking and
// writes the version word. Returns the socket or -1 (errno ENOENT for an
// unresolvable host, EAGAIN for a time-out).
int kx_callsocket(const std::string &host, int port, int seconds);
// Connects to address (host order) within `seconds`; -1 on failure.
int kx_get_connected_tcp(uint32_t address, int port, int seconds);
// Listening socket on address (host order; 0 for any) and port; flag 4 asks
// for SO_REUSEADDR. Port 0 takes a free one; `bound_port` receives it.
int kx_establish(uint32_t address, int port, int flags, int *bound_port = nullptr);
// Accepts one connection, makes it non-blocking, reads the peer's version
// word (kept in kx_peer_version for this thread). -1 on failure.
int kx_get_connection(int listener, uint32_t *peer_address = nullptr);
// Reads the version word on an accepted socket; false when it can't be read.
bool kx_read_version(int fd);
uint32_t kx_client_version();

// Dotted form of an address in host order.
std::string kx_dotted(uint32_t address);
// Addresses (host order) of both ends of a connected socket.
uint32_t kx_peer_address(int fd);
uint32_t kx_local_address(int fd);

} // namespace kxsys
