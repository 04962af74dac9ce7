#include "logtrap.h"

#include "kxdom.h"

#include "kxsys/errors.h"
#include "kxu/report.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace kxlogd {

namespace {
struct TrapEntry {
  uint32_t code;
  size_t args;
};
constexpr TrapEntry kTraps[] = {{257, 6}, {258, 6}, {272, 1}, {358, 2}};
constexpr int kTunnelBacklog = 100;
} // namespace

bool log_istrap(const uint32_t *words, size_t nwords) {
  return nwords >= 2 && words[0] == LOG_TRAP_WORD;
}

LogTraps::~LogTraps() {
  if (tunnel_fd_ >= 0) ::close(tunnel_fd_);
}

int LogTraps::log_trap(const uint32_t *words, size_t nwords) {
  if (!log_istrap(words, nwords)) return -1;
  const uint32_t n = words[1];
  // The code word must lie before the last word.
  if (n > nwords || n + 3 > nwords) {
    error(0, 0, "log_trap: trap of %u arguments in %zu words", n, nwords);
    return 0;
  }
  const uint32_t code = words[n + 2] >> 12;
  const uint32_t *args = words + 2;
  const uint32_t *block = words + n + 3;
  const size_t nblock = nwords - (n + 3) - 1; // up to the last word
  for (const auto &t : kTraps) {
    if (t.code != code) continue;
    if (t.args > n || t.args >= nwords - 2) return 0;
    switch (code) {
    case 272:
      if (resolver_) resolver_->kx_checkpmap(args[0]);
      return 1;
    case 358: debug_tunnel(args[0], args[1], block, nblock); return 1;
    default:
      kxsys::herror(0, 0, "trap %u: no authentication service on this module", code);
      return 1;
    }
  }
  kxsys::herror(0, 0, "unknown trap %u", code);
  return 0;
}

void LogTraps::debug_tunnel(uint32_t address, uint32_t port, const uint32_t *block,
                            size_t nblock) {
  ++backlog_;
  if (backlog_ > kTunnelBacklog || nblock == 0 || tunnel_port < 0) return;
  if (tunnel_fd_ < 0) {
    tunnel_fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (tunnel_fd_ < 0) {
      error(0, -1, "kxdebug_tunnel: socket failed");
      return;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(uint16_t(tunnel_port));
    if (bind(tunnel_fd_, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
      error(0, -1, "kxdebug_tunnel: bind failed");
      ::close(tunnel_fd_);
      tunnel_fd_ = -1;
      return;
    }
  }
  std::vector<uint32_t> net(block, block + nblock);
  for (auto &w : net) w = htonl(w);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(address);
  to.sin_port = htons(uint16_t(port));
  if (sendto(tunnel_fd_, net.data(), net.size() * 4, MSG_DONTWAIT,
             reinterpret_cast<sockaddr *>(&to), sizeof to) < 0) {
    error(0, -1, "kxdebug_tunnel: sendto failed");
    return;
  }
  --backlog_;
  ++sent_;
}

} // namespace kxlogd
