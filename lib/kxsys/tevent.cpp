#include "kxsys/tevent.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <list>
#include <poll.h>
#include <sys/time.h>
#include <vector>

namespace kxsys {

namespace {
struct Timer {
  double due;
  double period;
  T_timer_cb cb;
  void *arg;
};
struct Registration {
  int word; // descriptor with its class mark
  T_socket_cb cb;
  void *arg;
  bool suspended = false;
  bool removed = false;
};

std::list<Timer> timers;             // sorted by due time
std::list<Registration> sockets;     // newest first
bool stop_requested = false;

void insert_timer(Timer t) {
  auto it = timers.begin();
  while (it != timers.end() && it->due <= t.due)
    ++it;
  timers.insert(it, t);
}

void add_socket(int word, T_socket_cb cb, void *arg) { sockets.push_front({word, cb, arg}); }

Registration *find_socket(int word) {
  for (auto &r : sockets)
    if (!r.removed && r.word == word)
      return &r;
  return nullptr;
}

void del_socket(int word) {
  if (auto *r = find_socket(word))
    r->removed = true; // erased after the walk, so a callback may remove itself
}

void run_due(double now) {
  while (!timers.empty() && timers.front().due < now) {
    Timer t = timers.front();
    timers.pop_front();
    t.cb(t.arg);
    if (t.period > 0) {
      // Re-insert unless the callback removed it meanwhile (it is no longer
      // in the list then, so there is nothing to find).
      t.due = now + t.period;
      insert_timer(t);
    }
  }
}
} // namespace

double T_event_now() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  return double(tv.tv_sec) * 1000.0 + double(tv.tv_usec / 1000);
}

void T_event_sched(double delay_ms, T_timer_cb cb, void *arg) { insert_timer({T_event_now() + delay_ms, 0, cb, arg}); }

void T_event_periodic_sched(double period_ms, T_timer_cb cb, void *arg) {
  insert_timer({T_event_now() + period_ms, period_ms, cb, arg});
}

void T_event_desched(T_timer_cb cb, void *arg) {
  for (auto it = timers.begin(); it != timers.end(); ++it)
    if (it->cb == cb && it->arg == arg) {
      timers.erase(it);
      return;
    }
}

double T_event_top() { return timers.empty() ? -1 : timers.front().due; }

int T_event_poll() {
  run_due(T_event_now());
  return timers.empty() ? 0 : 1;
}

void T_event_stop() { stop_requested = true; }

void T_event_reset() {
  timers.clear();
  sockets.clear();
  stop_requested = false;
}

// poll() rather than select(): descriptors above FD_SETSIZE are served too.
int T_event_mainloop() {
  stop_requested = false;
  while (!stop_requested) {
    run_due(T_event_now());
    if (stop_requested)
      break;
    int timeout = 5000;
    if (!timers.empty()) {
      double wait = std::ceil(timers.front().due - T_event_now());
      timeout = int(wait < 50 ? 50 : wait);
    }
    std::vector<pollfd> fds;
    for (const auto &r : sockets) {
      if (r.removed || r.suspended)
        continue;
      short ev = (r.word & T_EVENT_WRITE) ? POLLOUT : (r.word & T_EVENT_EXCEPT) ? POLLPRI : POLLIN;
      fds.push_back({r.word & 0xffff, ev, 0});
    }
    int n = poll(fds.data(), fds.size(), timeout);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      fputs("T_event_mainloop: select failed\n", stderr);
      return -1;
    }
    if (n > 0) {
      for (auto it = sockets.begin(); it != sockets.end();) {
        auto next = std::next(it);
        Registration &r = *it;
        if (!r.removed && !r.suspended) {
          int fd = r.word & 0xffff;
          short want = (r.word & T_EVENT_WRITE) ? POLLOUT : (r.word & T_EVENT_EXCEPT) ? POLLPRI : POLLIN;
          for (const auto &p : fds)
            if (p.fd == fd && p.events == want && (p.revents & (want | POLLHUP | POLLERR))) {
              r.cb(fd, r.arg);
              break;
            }
        }
        it = next;
      }
    }
    sockets.remove_if([](const Registration &r) { return r.removed; });
  }
  return 0;
}

void T_event_set_socket(int fd, T_socket_cb cb, void *arg) { add_socket(fd, cb, arg); }
void T_event_set_out_socket(int fd, T_socket_cb cb, void *arg) { add_socket(fd | T_EVENT_WRITE, cb, arg); }
void T_event_set_exception_socket(int fd, T_socket_cb cb, void *arg) { add_socket(fd | T_EVENT_EXCEPT, cb, arg); }
void T_event_del_socket(int fd) { del_socket(fd); }
void T_event_del_out_socket(int fd) { del_socket(fd | T_EVENT_WRITE); }
void T_event_del_exception_socket(int fd) { del_socket(fd | T_EVENT_EXCEPT); }
void T_event_suspend_socket(int fd) {
  if (auto *r = find_socket(fd))
    r->suspended = true;
}
void T_event_resume_socket(int fd) {
  if (auto *r = find_socket(fd))
    r->suspended = false;
}
void T_event_suspend_out_socket(int fd) {
  if (auto *r = find_socket(fd | T_EVENT_WRITE))
    r->suspended = true;
}
void T_event_resume_out_socket(int fd) {
  if (auto *r = find_socket(fd | T_EVENT_WRITE))
    r->suspended = false;
}

} // namespace kxsys
