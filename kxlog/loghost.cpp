#include "kxlog/loghost.h"

#include "kxu/report.h"

namespace {
constexpr size_t kMaxHosts = 65536;
}

loghost *LogHosts::get(uint32_t origin) {
  auto &recent = recent_[(origin * 2654435761u) >> 28];
  if (recent.second && recent.first == origin) return recent.second;
  auto it = hosts_.find(origin);
  if (it == hosts_.end()) {
    if (hosts_.size() >= kMaxHosts) return nullptr;
    if (kxdebug) kx_trace("New host %x", origin);
    it = hosts_.emplace(origin, loghost{}).first;
    it->second.origin = origin;
  }
  recent = {origin, &it->second};
  return &it->second;
}

bool LogHosts::set_interfaces(uint32_t origin, const uint8_t *data, size_t length) {
  std::vector<kxif> ifs;
  if (!x2kxif_list(data, length, &ifs)) return false;
  loghost *h = get(origin);
  if (!h) return true;
  ++version_;
  for (const kxif &i : ifs)
    if (i.index < LOG_MAX_IFINDEX) h->ifnames[i.index] = i.name;
  return true;
}

std::string LogHosts::ifname(uint32_t origin, int index) const {
  auto it = hosts_.find(origin);
  if (it != hosts_.end() && index >= 0 && index < LOG_MAX_IFINDEX &&
      !it->second.ifnames[size_t(index)].empty())
    return it->second.ifnames[size_t(index)];
  return kxu::format("if%d", index);
}

LogHosts &loghash() {
  static LogHosts table;
  return table;
}

void log_pinit() { loghash().clear(); }

std::string ifname(uint32_t origin, int index) { return loghash().ifname(origin, index); }
