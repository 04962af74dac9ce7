#include "kxui/analysis/packet.h"

#include "kxui/compiler/addr.h"
#include "kxui/compiler/cellutil.h"
#include "kxui/objfile/objects.h"

#include <cctype>
#include <charconv>
#include <cstdio>

using kxrb::ieq;

namespace kxan {

namespace {

const kxset *find_member(const kxset *table, const std::string &name) {
  const kxset *found = nullptr;
  kxrb::each_member(table, [&](kxset *m) {
    if (!found && ieq(m->getname(), name)) found = m;
  });
  return found;
}

std::optional<uint64_t> number(std::string_view s, uint64_t max) {
  uint64_t v = 0;
  if (s.empty() || s.size() > 10) return std::nullopt;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v > max) return std::nullopt;
  return v;
}

} // namespace

std::optional<uint32_t> parse_address(const std::string &text, std::string *err) {
  uint32_t a = 0;
  if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0]))) {
    if (kxcomp::parse_dotted_quad(text.c_str(), &a)) return a;
    *err = "malformed address '" + text + "'";
    return std::nullopt;
  }
  const kxset *obj = find_member(kx_netobj, text);
  if (!obj) {
    *err = "unknown object '" + text + "'";
    return std::nullopt;
  }
  kxcomp::Kind k = kxcomp::kind_of(obj);
  if (!kxcomp::is_node_kind(k) && k != kxcomp::Kind::hostif) {
    *err = "'" + text + "' is not a host, gateway or router: give one address";
    return std::nullopt;
  }
  a = obj_netaddr_n(obj, 0);
  if (a == KX_NOADDR) {
    *err = "'" + text + "' has no address";
    return std::nullopt;
  }
  return a;
}

std::optional<uint64_t> parse_service(const std::string &text, ServiceKeys &keys, std::string *err) {
  if (size_t slash = text.find('/'); slash != std::string::npos) {
    std::string proto = text.substr(0, slash), port = text.substr(slash + 1);
    std::optional<uint64_t> p;
    if (ieq(proto, "tcp")) p = kProtoTcp;
    else if (ieq(proto, "udp")) p = kProtoUdp;
    else if (ieq(proto, "icmp")) p = kProtoIcmp;
    else p = number(proto, 255);
    if (!p) {
      *err = "unknown protocol '" + proto + "'";
      return std::nullopt;
    }
    std::optional<uint64_t> n = number(port, *p == kProtoIcmp ? 255 : 65535);
    if (!n) {
      *err = "malformed port '" + port + "' in '" + text + "'";
      return std::nullopt;
    }
    return service_key(*p, *n);
  }
  const kxset *obj = find_member(kx_services, text);
  if (!obj) {
    *err = "unknown service '" + text + "'";
    return std::nullopt;
  }
  if (kxcomp::kind_of(obj) == kxcomp::Kind::group) {
    *err = "'" + text + "' is a group of services: give one service";
    return std::nullopt;
  }
  IntervalSet k = keys.of(obj);
  if (k.empty()) {
    *err = "service '" + text + "' has no port";
    return std::nullopt;
  }
  return k.ranges().front().first;
}

std::optional<long> parse_port(const std::string &text, std::string *err) {
  std::optional<uint64_t> n = number(text, 65535);
  if (!n) {
    *err = "malformed port '" + text + "'";
    return std::nullopt;
  }
  return static_cast<long>(*n);
}

bool valid_iso_time(const std::string &t) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, n = 0;
  char sep = 0;
  if (t.size() != 16 && t.size() != 19) return false;
  for (size_t i = 0; i < t.size(); ++i) {
    bool digit = std::isdigit(static_cast<unsigned char>(t[i]));
    bool want_digit = !(i == 4 || i == 7 || i == 10 || i == 13 || i == 16);
    if (digit != want_digit) return false;
  }
  if (std::sscanf(t.c_str(), "%4d-%2d-%2d%c%2d:%2d%n", &y, &mo, &d, &sep, &h, &mi, &n) != 6 || n != 16)
    return false;
  if (t.size() == 19 && (t[16] != ':' || std::sscanf(t.c_str() + 17, "%2d", &s) != 1)) return false;
  if (t[4] != '-' || t[7] != '-' || t[13] != ':') return false;
  static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (sep == 'T' || sep == ' ') && mo >= 1 && mo <= 12 && d >= 1 && d <= days[mo - 1] && h < 24 &&
         mi < 60 && s < 60;
}

std::string service_text(uint64_t key) {
  uint64_t p = key_proto(key), port = key_port(key);
  auto s = [](uint64_t v) { return std::to_string(v); };
  if (p == kProtoTcp) return "tcp/" + s(port);
  if (p == kProtoUdp) return "udp/" + s(port);
  if (p == kProtoIcmp) return "icmp/" + s(port);
  if (p == kProtoRpc) return "rpc/" + s(port);
  if (p >= kProtoOther) return "other#" + s(p - kProtoOther);
  return s(p) + "/" + s(port);
}

} // namespace kxan
