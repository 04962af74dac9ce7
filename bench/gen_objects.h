// A synthetic objects database for benchmarks: hosts, gateways with
// interfaces, networks, groups of earlier objects (shared by reference) and
// services, in the shape the management station stores them. Deterministic
// for a given count and seed; 100,000 objects make some 20 MB of set text.
#pragma once

#include "kxset/kxset.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kxbench {

class ObjectsGenerator {
public:
  explicit ObjectsGenerator(uint32_t seed = 1) : state_(seed ? seed : 1) {}

  // The database: (objects :netobj (...) :servobj (...) :props (...)) with
  // `count` objects in all. Returned with count 0: hold it in a KxSetRef.
  kxset *build(int count) {
    kxset *netobj = kxset::make();
    kxset *servobj = kxset::make();
    std::vector<kxset *> members; // candidates for groups
    int services = count / 10;
    for (int i = 0; i < count - services; ++i) {
      kxset *o = net_object(i, members);
      netobj->append("", o);
      if (o->get("type")->getnamea().view() != "group") members.push_back(o);
    }
    for (int i = 0; i < services; ++i) servobj->append("", service(i));
    kxset *props = kxset::make("", {{"fw_version", leaf("2.1")},
                                    {"log_level", leaf("alert")},
                                    {"resolve_names", leaf("false")}});
    return kxset::make("objects", {{"netobj", netobj}, {"servobj", servobj}, {"props", props}});
  }

private:
  static kxset *leaf(const std::string &text) { return kxset::make(KxAtom(text)); }

  uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  uint32_t pick(uint32_t n) { return next() % n; }

  std::string ip(int a) {
    return std::to_string(a) + "." + std::to_string(pick(256)) + "." + std::to_string(pick(256)) +
           "." + std::to_string(1 + pick(254));
  }
  static std::string numbered(const char *prefix, int i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s-%06d", prefix, i);
    return buf;
  }

  void common(kxset *o, const char *type, const std::string &addr) {
    o->append("type", leaf(type));
    o->append("ipaddr", leaf(addr));
    o->append("location", leaf(pick(4) ? "internal" : "external"));
    o->append("color", leaf(kColors[pick(6)]));
    if (pick(3) == 0) o->append("comments", leaf("managed by " + std::string(kTeams[pick(4)]) + " team"));
  }

  kxset *net_object(int i, const std::vector<kxset *> &members) {
    uint32_t kind = pick(100);
    if (kind < 66) {
      kxset *o = kxset::make(KxAtom(numbered("host", i)));
      common(o, "host", ip(10));
      if (pick(4) == 0) o->append("firewall", leaf("not-installed"));
      return o;
    }
    if (kind < 74) return gateway(i);
    if (kind < 92 || members.size() < 20) {
      kxset *o = kxset::make(KxAtom(numbered("net", i)));
      common(o, "network", ip(172));
      o->append("netmask", leaf("255.255.255.0"));
      o->append("broadcast", leaf("allow"));
      return o;
    }
    kxset *g = kxset::make(KxAtom(numbered("group", i)));
    g->append("type", leaf("group"));
    g->append("color", leaf(kColors[pick(6)]));
    // Members are earlier objects: the text names them by reference.
    int n = 3 + static_cast<int>(pick(10));
    uint32_t recent = static_cast<uint32_t>(std::min<size_t>(members.size(), 2000));
    for (int k = 0; k < n; ++k) g->append("", members[members.size() - 1 - pick(recent)]);
    return g;
  }

  kxset *gateway(int i) {
    kxset *o = kxset::make(KxAtom(numbered("gw", i)));
    common(o, "gateway", ip(192));
    o->append("firewall", leaf("installed"));
    o->append("version", leaf("2.1"));
    kxset *ifs = kxset::make();
    int n = 2 + static_cast<int>(pick(3));
    for (int k = 0; k < n; ++k) {
      kxset *itf = kxset::make(KxAtom("le" + std::to_string(k)));
      itf->append("ipaddr", leaf(ip(192)));
      itf->append("netmask", leaf("255.255.255.0"));
      itf->append("security", leaf(k == 0 ? "external" : "others"));
      ifs->append("", itf);
    }
    o->append("interfaces", ifs);
    return o;
  }

  kxset *service(int i) {
    bool tcp = pick(3) != 0;
    kxset *o = kxset::make(KxAtom(numbered(tcp ? "tcp" : "udp", i)));
    o->append("type", leaf(tcp ? "tcp" : "udp"));
    o->append("port", leaf(std::to_string(1 + pick(65535))));
    o->append("color", leaf(kColors[pick(6)]));
    if (pick(4) == 0) o->append("comments", leaf("service for " + std::string(kTeams[pick(4)])));
    return o;
  }

  static constexpr const char *kColors[6] = {"red", "blue", "green", "orange", "black", "firebrick"};
  static constexpr const char *kTeams[4] = {"network", "mail", "web", "database"};
  uint32_t state_;
};

// The default benchmark database: 100,000 objects.
inline constexpr int kObjects = 100000;
inline kxset *gen_objects(int count = kObjects, uint32_t seed = 1) {
  return ObjectsGenerator(seed).build(count);
}

} // namespace kxbench
