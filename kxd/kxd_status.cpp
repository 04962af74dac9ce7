// The module's status beside the commands: the packet filter's counters and
// the SNMP agent's state file.
#include "kxd_module.h"

#include "kxu/replace_file.h"

#include <cstdio>

namespace kxd {

void Module::set_counter_provider(std::shared_ptr<CounterProvider> provider) {
  std::lock_guard g(counters_lock_);
  counters_ = provider ? std::move(provider) : std::make_shared<NoCounters>();
}

FilterCounters Module::counters_of(const std::string &ifname, int direction) const {
  std::shared_ptr<CounterProvider> p;
  {
    std::lock_guard g(counters_lock_);
    p = counters_;
  }
  return p->counters(ifname, direction);
}

SnmpState Module::snmp_state() const {
  std::vector<std::pair<std::string, int>> where;
  SnmpState s;
  {
    std::lock_guard g(lock_);
    for (const auto &[key, f] : loaded_) {
      if (!f)
        continue;
      where.push_back(key);
      // The filter loaded last is the one the station shows.
      if (s.filter.empty() || f->loadtime >= s.loadtime) {
        s.filter = f->ifs.name;
        s.loadtime = f->loadtime;
      }
    }
  }
  for (const auto &[ifname, direction] : where)
    s.totals += counters_of(ifname, direction);
  return s;
}

bool Module::update_snmpstate() {
  std::lock_guard g(snmp_lock_);
  SnmpState now = snmp_state();
  if (snmp_written_ && *snmp_written_ == now)
    return true;
  auto r = kxu::replace_file(sub("state/snmpstate"), snmpstate_text(now));
  if (!r.ok && !r.replaced) {
    fprintf(stderr, "kxd: %s\n", r.message.c_str());
    return false;
  }
  snmp_written_ = now;
  return true;
}

void Module::after_reply() {
  if (snmp_changed_.exchange(false))
    update_snmpstate();
}

} // namespace kxd
