#include "kxd_server.h"

#include "kxsys/auth.h"
#include "kxsys/comm.h"
#include "kxsys/commands.h"
#include "kxsys/conn.h"
#include "kxsys/errors.h"
#include "kxsys/tevent.h"

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace kxd {

using namespace kxsys;

namespace {
std::atomic<int> active{0};

struct ListenCtx {
  Module *module;
};

// One command: the word, acceptance, authentication, arguments, reply.
// False when the exchange ended (end word, refusal or failure).
bool serve_command(Module &module, int fd, uint32_t peer) {
  uint32_t word = uint32_t(ReadInt(fd));
  uint32_t number = word & 0xff;
  if (number == 0)
    return false;
  uint32_t served = kx_command_word(number);
  if (served == 0 || served != word) {
    WriteInt(fd, -1);
    return false;
  }
  WriteInt(fd, 0);
  if (kx_auth_verify(fd, module.permissions(), peer, kx_command_name(number)) != 1)
    return false;
  AlValues in = al_getin(fd, word);
  AlValues out = module.serve(number, in);
  al_putout(fd, word, out);
  return true;
}

void on_accept(int listener, void *arg) {
  auto *ctx = static_cast<ListenCtx *>(arg);
  uint32_t peer = 0;
  sockaddr_storage ss{};
  socklen_t len = sizeof ss;
  int fd = accept4(listener, reinterpret_cast<sockaddr *>(&ss), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0)
    return;
  if (ss.ss_family == AF_INET)
    peer = ntohl(reinterpret_cast<sockaddr_in *>(&ss)->sin_addr.s_addr);
  // Replies go out in several small writes: without this, each waits for the
  // peer's delayed acknowledgement of the one before.
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (active.load() >= kMaxConnections) {
    close(fd);
    return;
  }
  ++active;
  try {
    std::thread([ctx, fd, peer] {
      serve_connection(*ctx->module, fd, peer);
      --active;
    }).detach();
  } catch (const std::system_error &) {
    --active;
    close(fd);
  }
}
} // namespace

int active_connections() { return active.load(); }

void serve_connection(Module &module, int fd, uint32_t peer) {
  try {
    if (kx_read_version(fd)) {
      // One command per connection; the end word (0) closes it.
      if (serve_command(module, fd, peer))
        serve_command(module, fd, peer);
    }
  } catch (const kx_unwind &e) {
    herror(0, 0, "connection from %s dropped: %s", kx_dotted(peer).c_str(), e.what());
  } catch (const std::bad_variant_access &) {
    herror(0, 0, "connection from %s dropped: bad arguments", kx_dotted(peer).c_str());
  } catch (const std::out_of_range &) {
    herror(0, 0, "connection from %s dropped: missing arguments", kx_dotted(peer).c_str());
  }
  close(fd);
}

void start_listener(Module &module, int listener) {
  static ListenCtx ctx;
  ctx.module = &module;
  T_event_set_socket(listener, on_accept, &ctx);
}

} // namespace kxd
