#include "kxd_enforce.h"

#include "kxd_module.h"
#include "kxnft/guard.h"

#include <algorithm>
#include <arpa/inet.h>
#include <climits>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <ifaddrs.h>
#include <cstring>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kxd {

namespace {
// The module's first IPv4 address that is not loopback, host order.
uint32_t first_address() {
  ifaddrs *list = nullptr;
  uint32_t out = 0;
  if (getifaddrs(&list) != 0)
    return 0;
  for (ifaddrs *i = list; i && !out; i = i->ifa_next)
    if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET) {
      uint32_t a = ntohl(reinterpret_cast<sockaddr_in *>(i->ifa_addr)->sin_addr.s_addr);
      if ((a >> 24) != 127)
        out = a;
    }
  freeifaddrs(list);
  return out;
}

// nft's messages (text, source line, marker lines) as one line.
std::string one_line(const std::string &text) {
  std::string out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find_first_not_of(" \t^~") == std::string::npos)
      continue;
    out += (out.empty() ? "" : " | ") + line;
  }
  return out;
}

std::string upper(std::string s) {
  for (auto &c : s)
    c = c == ' ' ? '_' : char(toupper(static_cast<unsigned char>(c)));
  return s;
}
} // namespace

Enforcer::Enforcer(std::string module_dir, int nflog_group) : dir_(std::move(module_dir)), group_(nflog_group) {}

Enforcer::~Enforcer() {
  listener_.stop();
  if (collector_ >= 0)
    close(collector_);
}

FilterCounters Enforcer::counters(const std::string &ifname, int direction) {
  {
    std::lock_guard g(lock_);
    if (interfaces_.empty() || ifname != interfaces_[0] || direction != 0)
      return {};
  }
  kxnft::FilterCounts c = counts();
  auto clamp = [](uint64_t v) { return uint32_t(std::min<uint64_t>(v, UINT32_MAX)); };
  FilterCounters f;
  f.accepted = clamp(c.accepted);
  f.rejected = clamp(c.rejected);
  f.dropped = clamp(c.dropped);
  f.logged = clamp(c.logged);
  f.packets = clamp(c.accepted + c.rejected + c.dropped);
  return f;
}

bool Enforcer::start(const std::vector<std::string> &interfaces, std::string &why) {
  origin_ = first_address();
  {
    std::lock_guard g(lock_);
    interfaces_ = interfaces;
  }
  return listener_.start(group_, [this](const kxnft::NflogMessage &m) { log_message(m); }, why);
}

bool Enforcer::to_collector(const kxlogrec &h, const std::vector<uint8_t> &data) {
  std::string path = dir_ + "/log/kxlog.sock";
  sockaddr_un to{};
  to.sun_family = AF_UNIX;
  if (path.size() >= sizeof to.sun_path || access(path.c_str(), F_OK) != 0)
    return false;
  memcpy(to.sun_path, path.c_str(), path.size() + 1);
  if (collector_ < 0)
    collector_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (collector_ < 0)
    return false;
  // The message: the data words, then {format, action and interface,
  // direction, fid}.
  std::vector<uint8_t> message(data);
  message.insert(message.end(), {h.format, h.actif, h.direction, h.fid});
  return sendto(collector_, message.data(), message.size(), 0, reinterpret_cast<sockaddr *>(&to), sizeof to) ==
         ssize_t(message.size());
}

void Enforcer::to_local_file(const kxlogrec &h, const std::vector<uint8_t> &data) {
  if (!log_.is_open()) {
    if (!log_.open(dir_ + "/log/kx.log"))
      return;
    // A file opened here describes the module first, as a collector would.
    kxlogrec d;
    d.origin = origin_;
    d.time = uint32_t(time(nullptr));
    d.format = LOG_FMT_SYSTEM;
    log_.add(d, logsys_data(LOGSYS_START, "kx.log"));
    kxlogrec ifs = d;
    ifs.type = LOG_TYPE_IFNAME;
    ifs.format = 0;
    std::vector<kxif> list;
    for (size_t i = 0; i < interfaces_.size() && i < 12; ++i)
      list.push_back({interfaces_[i], uint32_t(i)});
    log_.add(ifs, kxif_list2x(list));
    if (!info_.empty()) {
      d.format = LOG_FMT_INFO;
      d.fid = 1;
      log_.add(d, info_);
    }
  }
  log_.add(h, data);
}

Enforcer::Formats Enforcer::read_formats(const std::string &lg) {
  Formats f;
  std::istringstream in(lg);
  std::string line, current;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string head, name, number;
    words >> head;
    if (head == "%%format:" && words >> name >> number) {
      current = name;
      f.formats[name] = {int(strtol(number.c_str(), nullptr, 16)), {}};
    } else if (head == "%%action:" && words >> name >> number) {
      f.actions[name] = int(strtol(number.c_str(), nullptr, 16));
      current.clear();
    } else if (!current.empty() && !head.empty() && head[0] != '#') {
      f.formats[current].second.push_back(head);
    }
  }
  return f;
}

bool Enforcer::load(const LoadedFilter &filter, std::string &why) {
  std::string code = filter.text("fc");
  if (!kxnft::ruleset_is_ours(code, why))
    return false;
  kxnft::NftRun r = kxnft::nft_replace(code);
  if (!r.ok) {
    why = "nftables refused the ruleset: " + one_line(r.err);
    return false;
  }
  note_loaded(filter);
  return true;
}

void Enforcer::note_loaded(const LoadedFilter &filter) {
  std::lock_guard g(lock_);
  formats_ = read_formats(filter.text("lg"));
  loaded_ = true;
  kxid_t id;
  kxsys::kxid_pack(filter.id, id.raw);
  info_ = kxlogdom2x(kxlogdom{id, filter.text("lg"), ""});
  // The filter is announced before any record of it.
  kxlogrec h;
  h.origin = origin_;
  h.time = uint32_t(time(nullptr));
  h.format = LOG_FMT_INFO;
  h.fid = 1;
  if (!to_collector(h, info_) && log_.is_open())
    log_.add(h, info_);
}

bool Enforcer::unload(std::string &why) {
  kxnft::NftRun r = kxnft::nft_remove();
  if (!r.ok) {
    why = r.err;
    return false;
  }
  std::lock_guard g(lock_);
  loaded_ = false;
  return true;
}

kxnft::FilterCounts Enforcer::counts() const { return kxnft::summarize(kxnft::nft_counters()); }

void Enforcer::log_message(const kxnft::NflogMessage &m) {
  auto p = kxnft::read_logged(m);
  if (!p)
    return;
  std::lock_guard g(lock_);
  if (!loaded_)
    return;
  auto format = formats_.formats.find(p->format);
  if (format == formats_.formats.end())
    return;
  int action = formats_.actions.count(p->action) ? formats_.actions[p->action] : 0;
  for (const auto &[name, number] : formats_.actions)
    if (p->alert != "-" && name.size() > 3 && name.rfind("![", 0) == 0 &&
        upper(name.substr(2, name.size() - 3)) == p->alert)
      action = number;
  kxlogrec h;
  h.origin = origin_;
  h.time = m.time;
  h.format = uint8_t(format->second.first);
  h.direction = p->inbound ? 0 : 1;
  h.fid = 1;
  int ifindex = 0;
  for (size_t i = 0; i < interfaces_.size(); ++i)
    if (interfaces_[i] == p->ifname)
      ifindex = int(i);
  int code = p->action == "accept" ? LOG_ACT_ACCEPT : p->action == "reject" ? LOG_ACT_REJECT : LOG_ACT_DROP;
  h.set_action_if(code, ifindex);
  const auto &labels = format->second.second;
  std::vector<uint8_t> data(4 * (labels.size() + 1));
  for (size_t i = 0; i < labels.size(); ++i) {
    const std::string &l = labels[i];
    uint32_t v = l == "src"       ? p->src
                 : l == "dst"     ? p->dst
                 : l == "service" ? uint32_t(p->icmp_type >= 0 ? p->icmp_type : p->dport)
                 : l == "proto"   ? uint32_t(p->proto)
                 : l == "s_port"  ? uint32_t(p->sport)
                 : l == "len"     ? uint32_t(p->length)
                 : l == "rule"    ? uint32_t(p->rule)
                                  : 0;
    put_be32(&data[4 * i], v);
  }
  put_be32(&data[4 * labels.size()], uint32_t(action));
  // The module's log collector takes it when it runs; else the record goes
  // to the module's log file.
  if (!to_collector(h, data))
    to_local_file(h, data);
}

} // namespace kxd
