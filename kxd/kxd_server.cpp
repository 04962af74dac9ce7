#include "kxd_server.h"

#include "kxd_keepalive.h"

#include "kxsys/auth.h"
#include "kxsys/comm.h"
#include "kxsys/commands.h"
#include "kxsys/conn.h"
#include "kxsys/errors.h"
#include "kxsys/tevent.h"

#include <arpa/inet.h>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
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

// Idle workers wait here for the next connection; a connection that finds
// none idle starts one more. Spare workers beyond kKeepIdle leave.
constexpr int kKeepIdle = 16;

struct Pool {
  std::mutex lock;
  std::condition_variable ready;
  std::deque<std::pair<int, uint32_t>> queue;
  int idle = 0;
  Module *module = nullptr;

  void work() {
    std::unique_lock g(lock);
    for (;;) {
      ++idle;
      ready.wait(g, [this] { return !queue.empty(); });
      --idle;
      auto [fd, peer] = queue.front();
      queue.pop_front();
      g.unlock();
      serve_connection(*module, fd, peer);
      --active;
      g.lock();
      if (idle >= kKeepIdle)
        return;
    }
  }

  // False when no worker could be had.
  bool hand_over(int fd, uint32_t peer) {
    std::lock_guard g(lock);
    queue.emplace_back(fd, peer);
    if (idle >= int(queue.size())) {
      ready.notify_one();
      return true;
    }
    try {
      std::thread([this] { work(); }).detach();
    } catch (const std::system_error &) {
      queue.pop_back();
      return false;
    }
    return true;
  }
};

Pool &pool() {
  static Pool *p = new Pool; // used by detached workers until the process ends
  return *p;
}

// One command: the word, acceptance, authentication, arguments, reply.
// False when the exchange ended (end word, refusal or failure).
bool serve_command(Module &module, int fd, uint32_t peer, kx_buffered_io &io) {
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
  // Everything before the reply is out before keep-alives may be written.
  io.flush();
  AlValues out;
  {
    // Every reply of the table begins with its return code, which is where
    // the peer takes keep-alives.
    KeepAlive alive(fd);
    out = module.serve(number, in);
  }
  al_putout(fd, word, out);
  io.flush();
  module.after_reply();
  return true;
}

void on_accept(int listener, void *) {
  uint32_t peer = 0;
  sockaddr_storage ss{};
  socklen_t len = sizeof ss;
  int fd = accept4(listener, reinterpret_cast<sockaddr *>(&ss), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0)
    return;
  if (ss.ss_family == AF_INET)
    peer = ntohl(reinterpret_cast<sockaddr_in *>(&ss)->sin_addr.s_addr);
  // Replies go out in few writes, but a keep-alive or the reply after it
  // must not wait for the peer's delayed acknowledgement.
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (active.load() >= kMaxConnections) {
    close(fd);
    return;
  }
  ++active;
  if (!pool().hand_over(fd, peer)) {
    --active;
    close(fd);
  }
}
} // namespace

int active_connections() { return active.load(); }

void serve_connection(Module &module, int fd, uint32_t peer) {
  try {
    kx_buffered_io io(fd);
    if (kx_read_version(fd)) {
      // One command per connection; the end word (0) closes it.
      if (serve_command(module, fd, peer, io))
        serve_command(module, fd, peer, io);
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
  pool().module = &module;
  T_event_set_socket(listener, on_accept, nullptr);
}

} // namespace kxd
