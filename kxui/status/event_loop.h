// The event loop that SNMP requests and status passes run on. The windowing
// layer implements KxEventLoop over its own notifier; KxPollLoop is the small
// poll()-based loop of the command line and the tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>

class KxEventLoop {
public:
  using Handler = std::function<void()>;
  virtual ~KxEventLoop() = default;
  // Calls on_readable each time fd can be read, until unwatch_fd(fd).
  virtual void watch_fd(int fd, Handler on_readable) = 0;
  virtual void unwatch_fd(int fd) = 0;
  // Calls fn once after delay; the id cancels it. Ids are never 0.
  virtual uint64_t add_timer(std::chrono::milliseconds delay, Handler fn) = 0;
  virtual void cancel_timer(uint64_t id) = 0;
};

class KxPollLoop final : public KxEventLoop {
public:
  void watch_fd(int fd, Handler on_readable) override;
  void unwatch_fd(int fd) override;
  uint64_t add_timer(std::chrono::milliseconds delay, Handler fn) override;
  void cancel_timer(uint64_t id) override;

  // Waits at most max_wait for one round of ready descriptors and due
  // timers and runs their handlers. False when there is nothing to wait for.
  bool run_once(std::chrono::milliseconds max_wait);
  // Runs rounds until done() holds (true) or limit has passed (false).
  bool run_until(const std::function<bool()> &done, std::chrono::milliseconds limit);

  size_t watched() const { return fds_.size(); }
  size_t timers() const { return timers_.size(); }

private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    Clock::time_point due;
    Handler fn;
  };
  std::map<int, Handler> fds_;
  std::map<uint64_t, Timer> timers_;
  uint64_t next_id_ = 1;
};
