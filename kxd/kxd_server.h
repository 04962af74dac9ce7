// Serving connections: the listener runs on the T_event loop; each accepted
// connection is handed to a worker thread of its own, so a slow or silent
// peer never holds up the others. Workers are kept for the next connections
// rather than started for each one.
#pragma once

#include "kxd_module.h"

namespace kxd {

// Most connections served at once; later ones are closed at once.
inline constexpr int kMaxConnections = 512;

// Serves one connection to its end (one command, then the end word).
void serve_connection(Module &module, int fd, uint32_t peer);
// Registers the listener with the T_event loop.
void start_listener(Module &module, int listener);
// Connections being served now.
int active_connections();

} // namespace kxd
