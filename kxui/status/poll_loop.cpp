#include "kxui/status/event_loop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <vector>

void KxPollLoop::watch_fd(int fd, Handler on_readable) { fds_[fd] = std::move(on_readable); }

void KxPollLoop::unwatch_fd(int fd) { fds_.erase(fd); }

uint64_t KxPollLoop::add_timer(std::chrono::milliseconds delay, Handler fn) {
  const uint64_t id = next_id_++;
  timers_[id] = Timer{Clock::now() + delay, std::move(fn)};
  return id;
}

void KxPollLoop::cancel_timer(uint64_t id) { timers_.erase(id); }

bool KxPollLoop::run_once(std::chrono::milliseconds max_wait) {
  if (fds_.empty() && timers_.empty()) return false;
  auto wait = max_wait;
  const auto now = Clock::now();
  for (const auto &[id, t] : timers_)
    wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::max(t.due - now, Clock::duration::zero())));
  std::vector<pollfd> pfds;
  pfds.reserve(fds_.size());
  for (const auto &[fd, h] : fds_) pfds.push_back(pollfd{fd, POLLIN, 0});
  const int n = ::poll(pfds.data(), pfds.size(), static_cast<int>(wait.count()));
  if (n < 0 && errno != EINTR) return false;
  // Handlers may watch, unwatch or cancel anything: each is copied out and
  // looked up again before it runs.
  for (const pollfd &p : pfds) {
    if (!(p.revents & (POLLIN | POLLERR | POLLHUP))) continue;
    auto it = fds_.find(p.fd);
    if (it == fds_.end()) continue;
    Handler h = it->second;
    h();
  }
  std::vector<uint64_t> due;
  const auto after = Clock::now();
  for (const auto &[id, t] : timers_)
    if (t.due <= after) due.push_back(id);
  for (uint64_t id : due) {
    auto it = timers_.find(id);
    if (it == timers_.end()) continue;
    Handler h = std::move(it->second.fn);
    timers_.erase(it);
    h();
  }
  return true;
}

bool KxPollLoop::run_until(const std::function<bool()> &done, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() <= 0) return done();
    if (!run_once(left)) return done();
  }
  return true;
}
