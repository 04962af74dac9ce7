#include "kxui/gui/qtloop.h"

void QtEventLoop::watch_fd(int fd, Handler on_readable) {
  std::unique_ptr<QSocketNotifier, Later> n(new QSocketNotifier(fd, QSocketNotifier::Read));
  QObject::connect(n.get(), &QSocketNotifier::activated, n.get(), [h = std::move(on_readable)] { h(); });
  fds_[fd] = std::move(n);
}

void QtEventLoop::unwatch_fd(int fd) {
  auto it = fds_.find(fd);
  if (it == fds_.end()) return;
  it->second->setEnabled(false);
  fds_.erase(it);
}

uint64_t QtEventLoop::add_timer(std::chrono::milliseconds delay, Handler fn) {
  const uint64_t id = next_++;
  std::unique_ptr<QTimer, Later> t(new QTimer);
  t->setSingleShot(true);
  QObject::connect(t.get(), &QTimer::timeout, t.get(), [this, id, fn = std::move(fn)] {
    Handler run = fn; // the timer goes first: the handler may add timers
    timers_.erase(id);
    run();
  });
  t->start(static_cast<int>(delay.count()));
  timers_[id] = std::move(t);
  return id;
}

void QtEventLoop::cancel_timer(uint64_t id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second->stop();
  timers_.erase(it);
}

KxDeviceOptions gui_device_options;

KxEventLoop &gui_loop() {
  static auto *loop = new QtEventLoop;
  return *loop;
}

KxSnmpClient &gui_snmp() {
  static auto *client = new KxSnmpClient(gui_loop());
  return *client;
}
