// Authentication methods and the per-command handshake.
#pragma once

#include "kxsys/controlmap.h"

#include <cstdint>
#include <string>

namespace kxsys {

struct kx_auth_method {
  const char *name;
  uint32_t shared = 0; // "silly" only
  bool initialised = false;
  void (*init)(kx_auth_method &) = nullptr;
  // Server side: > 0 accepted, 0 undecided, < 0 failed.
  int (*verify)(int fd, uint32_t peer, const std::string &command) = nullptr;
  // Client side: >= 0 done, < 0 failed.
  int (*identify)(int fd) = nullptr;
};

// Method entry by name, without regard to case, running its one-time
// initialisation when `init`; null for an unknown name.
kx_auth_method *kx_auth_get(const std::string &name, bool init);

// Client side of the handshake: 1 success, -1 failure.
int kx_auth_identify(int fd);
// Server side: finds the method for (peer, command) in the table, names it to
// the peer, runs it and sends the result. 1 accepted, 0 undecided, -1 failed.
int kx_auth_verify(int fd, const kxusr_table &table, uint32_t peer, const std::string &command);

// Installs the one-time-password operations (kept apart so that programs
// without S/Key support need not link it).
void kx_auth_set_skey(int (*verify)(int, uint32_t, const std::string &), int (*identify)(int));

} // namespace kxsys
