// The SNMP layer's event loop on Qt's notifier, and the station's one SNMP
// client over it.
#pragma once

#include "kxui/status/devinfo.h"
#include "kxui/status/event_loop.h"
#include "kxui/status/snmp_client.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <map>
#include <memory>

class QtEventLoop final : public KxEventLoop {
public:
  void watch_fd(int fd, Handler on_readable) override;
  void unwatch_fd(int fd) override;
  uint64_t add_timer(std::chrono::milliseconds delay, Handler fn) override;
  void cancel_timer(uint64_t id) override;

private:
  struct Later {
    void operator()(QObject *o) const { o->deleteLater(); } // may be running its own signal
  };
  std::map<int, std::unique_ptr<QSocketNotifier, Later>> fds_;
  std::map<uint64_t, std::unique_ptr<QTimer, Later>> timers_;
  uint64_t next_ = 1;
};

// Created on first use; live for the rest of the run.
KxEventLoop &gui_loop();
KxSnmpClient &gui_snmp();
// Where the property windows ask devices (port, time-outs).
extern KxDeviceOptions gui_device_options;
