#include "kxd_keepalive.h"

#include "kxsys/comm.h"
#include "kxsys/errors.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <sys/socket.h>
#include <thread>

namespace kxd {

int keepalive_ms = 5000;

namespace {
using Clock = std::chrono::steady_clock;

struct Entry {
  int fd;
  Clock::time_point due;
  int sent = 0;
};

struct Ticker {
  std::mutex lock;
  std::condition_variable wake;
  std::map<uint64_t, Entry> entries;
  uint64_t next_id = 1;
  bool started = false;

  void run() {
    std::unique_lock g(lock);
    for (;;) {
      auto now = Clock::now();
      auto next = now + std::chrono::hours(1);
      for (auto &[id, e] : entries) {
        if (e.due <= now) {
          send_one(e);
          e.due = now + std::chrono::milliseconds(keepalive_ms);
        }
        next = std::min(next, e.due);
      }
      wake.wait_until(g, next);
    }
  }

  // Never blocks the ticker: a peer whose socket cannot take the 8 bytes at
  // once is not reading anyway. A keep-alive cut in two would garble the
  // reply, so such a connection is shut down instead.
  static void send_one(Entry &e) {
    uint8_t b[8];
    kxsys::put_be32(b, uint32_t(-1));
    kxsys::put_be32(b + 4, uint32_t(kxsys::KXD_KEEPALIVE));
    ssize_t n = send(e.fd, b, sizeof b, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n == ssize_t(sizeof b))
      ++e.sent;
    else if (n > 0)
      shutdown(e.fd, SHUT_RDWR);
  }
};

Ticker &ticker() {
  static Ticker *t = new Ticker; // lives as long as its detached thread
  return *t;
}
} // namespace

KeepAlive::KeepAlive(int fd) {
  Ticker &t = ticker();
  std::lock_guard g(t.lock);
  if (!t.started) {
    std::thread([&t] { t.run(); }).detach();
    t.started = true;
  }
  id_ = t.next_id++;
  t.entries[id_] = Entry{fd, Clock::now() + std::chrono::milliseconds(keepalive_ms)};
  t.wake.notify_one();
}

KeepAlive::~KeepAlive() {
  Ticker &t = ticker();
  std::lock_guard g(t.lock);
  t.entries.erase(id_);
}

int KeepAlive::sent() const {
  Ticker &t = ticker();
  std::lock_guard g(t.lock);
  auto it = t.entries.find(id_);
  return it == t.entries.end() ? 0 : it->second.sent;
}

} // namespace kxd
