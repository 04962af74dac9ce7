// What one module's daemon keeps: its directory, interfaces, permission
// table and the filter loaded per (interface, direction).
#pragma once

#include "kxd_counters.h"
#include "kxd_snmpstate.h"

#include "kxsys/alist.h"
#include "kxsys/controlmap.h"
#include "kxsys/kxstate.h"
#include "kxsys/records.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kxd {

class Enforcer;

struct LoadedFilter {
  kxsys::kxid_t id;
  int32_t loadtime = 0;
  kxsys::kxloadx_t files;
  kxsys::kx_ifs ifs;
  std::string text(const std::string &suffix) const;
};

class Module {
public:
  // Reads the configuration of `dir`; a fatal control.map error leaves
  // `error` set.
  // With an enforcer, loaded filters are put in force in nftables.
  explicit Module(std::string dir, std::shared_ptr<Enforcer> enforcer = nullptr);

  const std::string &dir() const { return dir_; }
  std::string sub(const std::string &name) const { return dir_ + "/" + name; }
  const kxsys::kxusr_table &permissions() const { return table_; }
  const std::string &error() const { return error_; }
  const std::vector<std::string> &messages() const { return table_.messages; }

  // Serves one command (number, in-arguments) and gives the out-arguments.
  kxsys::AlValues serve(uint32_t command, const kxsys::AlValues &in);

  // The packet filter's counters (NoCounters until one is set).
  void set_counter_provider(std::shared_ptr<CounterProvider> provider);
  // What the SNMP agent's state file says now.
  SnmpState snmp_state() const;
  // Rewrites "state/snmpstate" when what it says has changed (the loaded
  // filter or the counters); the daemon calls it on a timer and through
  // after_reply. False when the file could not be written.
  bool update_snmpstate();
  // Called once the reply of a command is out: a load or unload updates
  // the SNMP agent's file then, so that the peer does not wait for it.
  void after_reply();

private:
  kxsys::AlValues stat(const kxsys::AlValues &in);
  kxsys::AlValues tab_stat(const kxsys::AlValues &in);
  kxsys::AlValues tab_names();
  kxsys::AlValues logdom();
  kxsys::AlValues load(const kxsys::AlValues &in);
  kxsys::AlValues unload(const kxsys::AlValues &in);
  kxsys::AlValues unload_targets(const std::vector<std::string> &targets);
  kxsys::AlValues fetch(const kxsys::AlValues &in);
  kxsys::AlValues dbdownload(const kxsys::AlValues &in);
  // Installs a checked file set on the interfaces its targets name; the
  // error code (-2, -6) or 0.
  int install(const kxsys::kxloadx_t &files, bool save);
  std::shared_ptr<const LoadedFilter> any_loaded() const;
  FilterCounters counters_of(const std::string &ifname, int direction) const;

  std::string dir_;
  std::string error_;
  std::vector<std::string> interfaces_;
  kxsys::kxusr_table table_;
  mutable std::mutex lock_;
  std::map<std::pair<std::string, int>, std::shared_ptr<const LoadedFilter>> loaded_;
  std::mutex db_lock_;
  mutable std::mutex counters_lock_;
  std::shared_ptr<CounterProvider> counters_ = std::make_shared<NoCounters>();
  std::mutex snmp_lock_;
  std::optional<SnmpState> snmp_written_;
  std::shared_ptr<Enforcer> enforcer_;
  std::atomic<bool> snmp_changed_{false};
};

} // namespace kxd
