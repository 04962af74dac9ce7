#include "cond.h"

#include <algorithm>
#include <cctype>
#include <arpa/inet.h>

namespace kxnft {

bool dotted(const std::string &s, uint32_t &out) {
  in_addr a{};
  if (inet_pton(AF_INET, s.c_str(), &a) != 1)
    return false;
  out = ntohl(a.s_addr);
  return true;
}

std::string dotted_text(uint32_t a) {
  in_addr x{htonl(a)};
  char buf[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, &x, buf, sizeof buf);
  return buf;
}

void CondContext::use(const std::string &list) {
  if (std::find(used_lists.begin(), used_lists.end(), list) == used_lists.end())
    used_lists.push_back(list);
}

namespace {
bool fail(CondContext &cx, const std::string &why) {
  if (cx.error.empty())
    cx.error = why;
  return false;
}

bool is_net(const Address &a) { return a.type.rfind("net", 0) == 0; }
bool is_domain(const Address &a) { return a.type.rfind("dom", 0) == 0; }

std::string field_of(const std::string &f) {
  if (f == "ip_src")
    return "ip saddr";
  if (f == "ip_dst")
    return "ip daddr";
  return "";
}

bool address_of(CondContext &cx, const std::string &name, const Address *&out) {
  auto it = cx.script.addresses.find(name);
  if (it == cx.script.addresses.end())
    return fail(cx, "object " + name + " has no address definition");
  if (is_domain(it->second))
    return fail(cx, "domain " + name + " cannot be matched without a name resolver");
  out = &it->second;
  return true;
}

bool prefix_of(CondContext &cx, const Address &a, uint32_t &net, int &len) {
  uint32_t addr = 0, mask = 0;
  if (!dotted(a.addr, addr) || !dotted(a.mask.empty() ? "255.255.255.255" : a.mask, mask))
    return fail(cx, "object " + a.name + " has no usable address (" + a.addr + ")");
  len = 0;
  while (len < 32 && (mask & (0x80000000u >> len)))
    ++len;
  if (len < 32 && (mask << len) != 0)
    return fail(cx, "network " + a.name + " has a non-contiguous mask " + a.mask);
  net = addr & mask;
  return true;
}
} // namespace

bool object_value(CondContext &cx, const std::string &name, bool as_network, std::string &out) {
  const Address *a = nullptr;
  if (!address_of(cx, name, a))
    return false;
  if (is_net(*a) || as_network) {
    uint32_t net = 0;
    int len = 0;
    if (!prefix_of(cx, *a, net, len))
      return false;
    out = dotted_text(net) + (len == 32 ? "" : "/" + std::to_string(len));
    return true;
  }
  uint32_t addr = 0;
  if (!dotted(a->addr, addr))
    return fail(cx, "object " + name + " has no usable address (" + a->addr + ")");
  out = a->addr;
  return true;
}

bool list_elements(CondContext &cx, const List &list, std::vector<std::string> &out) {
  if (list.kind == "domain")
    return fail(cx, "domain list " + list.name + " cannot be matched without a name resolver");
  for (const auto &m : list.members) {
    size_t bar = m.find("|~");
    std::string v;
    if (bar != std::string::npos) {
      // The directed broadcast address of a network: its address with the
      // host bits set.
      const Address *a = nullptr;
      uint32_t net = 0;
      int len = 0;
      if (!address_of(cx, m.substr(0, bar), a) || !prefix_of(cx, *a, net, len))
        return false;
      v = dotted_text(len == 32 ? net : net | (0xffffffffu >> len));
    } else if (list.kind == "broadcast") {
      const Address *a = nullptr;
      uint32_t net = 0;
      int len = 0;
      if (!address_of(cx, m, a) || !prefix_of(cx, *a, net, len))
        return false;
      v = dotted_text(net);
    } else if (!object_value(cx, m, list.kind == "net", v)) {
      return false;
    }
    if (std::find(out.begin(), out.end(), v) == out.end())
      out.push_back(v);
  }
  return true;
}

namespace {
// One atom of an address condition as one nft match.
bool address_atom(CondContext &cx, std::string atom, std::string &out) {
  bool netof = atom.rfind("netof ", 0) == 0;
  if (netof)
    atom = atom.substr(6);
  if (atom.rfind("net_in(", 0) == 0 || atom.rfind("net_notin(", 0) == 0) {
    bool neg = atom[4] == 'n';
    size_t open = atom.find('('), close = atom.rfind(')');
    auto args = split_top(atom.substr(open + 1, close - open - 1), ",");
    std::string v;
    if (args.size() != 3 || field_of(args[0]).empty() || !object_value(cx, args[1], true, v))
      return cx.error.empty() ? fail(cx, "cannot read condition " + atom) : false;
    out = field_of(args[0]) + (neg ? " != " : " ") + v;
    return true;
  }
  size_t sp = atom.find(' ');
  std::string field = field_of(atom.substr(0, sp));
  if (field.empty() || sp == std::string::npos)
    return fail(cx, "cannot read condition " + atom);
  std::string rest = atom.substr(sp + 1);
  std::string op, name;
  for (const char *o : {"not in ", "in ", "!= ", "= "})
    if (rest.rfind(o, 0) == 0) {
      op = o;
      name = rest.substr(op.size());
      break;
    }
  if (op.empty() || name.empty())
    return fail(cx, "cannot read condition " + atom);
  bool neg = op == "not in " || op == "!= ";
  std::string v;
  if (op == "in " || op == "not in ") {
    auto list = cx.script.lists.find(name);
    if (list == cx.script.lists.end()) {
      const Address *a = nullptr;
      if (!address_of(cx, name, a))
        return false;
      return fail(cx, "cannot read condition " + atom);
    }
    if (list->second.kind == "domain")
      return fail(cx, "domain list " + name + " cannot be matched without a name resolver");
    if (!isalpha(static_cast<unsigned char>(name[0])) || name.size() > 63 ||
        name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") != std::string::npos)
      return fail(cx, "list name " + name + " is not a set name");
    cx.use(name);
    v = "@" + name;
  } else if (!object_value(cx, name, netof, v)) {
    return false;
  }
  out = field + (neg ? " != " : " ") + v;
  return true;
}

std::string strip_parens(std::string s) {
  s = squeeze(s);
  if (s.size() >= 2 && s.front() == '(' && s.back() == ')')
    s = s.substr(1, s.size() - 2);
  return squeeze(s);
}
} // namespace

bool address_clauses(CondContext &cx, const std::string &element, std::vector<Clause> &out) {
  auto parts = split_top(strip_parens(element), ",");
  for (size_t p = 0; p < parts.size(); ++p) {
    Clause c;
    for (const auto &alt : split_top(parts[p], " or ")) {
      std::string matches;
      for (const auto &atom : split_top(alt, " and ")) {
        std::string m;
        if (!address_atom(cx, atom, m))
          return false;
        matches += (matches.empty() ? "" : " ") + m;
      }
      c.alts.push_back(matches);
    }
    out.push_back(c);
  }
  return true;
}

namespace {
std::string port_range(long lo, long hi) {
  return lo == hi ? std::to_string(lo) : std::to_string(lo) + "-" + std::to_string(hi);
}

std::string set_text(const std::vector<std::string> &v) {
  if (v.size() == 1)
    return v[0];
  std::string s = "{ ";
  for (size_t i = 0; i < v.size(); ++i)
    s += (i ? ", " : "") + v[i];
  return s + " }";
}

// "icmp_type = 8", "ip_p = 47" or a plain number: the number, else -1.
long expression_number(std::string v, const char *field) {
  v = strip_parens(v);
  std::string f = field;
  if (v.rfind(f, 0) == 0) {
    v = squeeze(v.substr(f.size()));
    if (v.rfind("= ", 0) == 0 || v.rfind("==", 0) == 0)
      v = squeeze(v.substr(v[1] == '=' ? 2 : 1));
    else
      return -1;
  }
  if (v.empty() || v.size() > 5 || v.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::stol(v);
}

bool service_group(CondContext &cx, const std::string &group, std::vector<std::string> &out) {
  std::vector<std::string> alts;
  std::string g = strip_parens(group);
  size_t comma = g.find(',');
  if (comma == std::string::npos)
    return fail(cx, "cannot read service condition " + group);
  std::string proto = squeeze(g.substr(0, comma));
  std::vector<std::string> plain;
  for (const auto &name : split_top(g.substr(comma + 1), " or ")) {
    auto it = cx.script.services.find(name);
    if (it == cx.script.services.end())
      return fail(cx, "service " + name + " has no definition");
    const Service &s = it->second;
    if (proto == "tcp" || proto == "udp") {
      if (s.dport_lo < 0 || s.dport_hi < 0 || s.sport_lo < 0 || s.sport_hi < 0)
        return fail(cx, "service " + name + " has no port number (" + s.value + ")");
      if (s.dport_lo > s.dport_hi || s.sport_lo > s.sport_hi || s.dport_hi > 65535 || s.sport_hi > 65535)
        return fail(cx, "service " + name + " has an empty or impossible port range");
      bool all_sports = s.sport_lo == 0 && s.sport_hi == 65535;
      if (all_sports && s.dport_lo == 0 && s.dport_hi == 65535)
        alts.push_back("meta l4proto " + proto);
      else if (all_sports)
        plain.push_back(port_range(s.dport_lo, s.dport_hi));
      else
        alts.push_back(proto + " sport " + port_range(s.sport_lo, s.sport_hi) + " " + proto + " dport " +
                       port_range(s.dport_lo, s.dport_hi));
    } else if (proto == "icmp") {
      long type = expression_number(s.value, "icmp_type");
      if (type < 0 || type > 255)
        return fail(cx, "icmp service " + name + " (" + s.value + ") is not an icmp type this module can match");
      plain.push_back(std::to_string(type));
    } else if (proto == "other") {
      long p = expression_number(s.value, "ip_p");
      if (p < 0 || p > 255)
        return fail(cx, "service " + name + " (" + s.value + ") is an expression this module cannot enforce");
      plain.push_back(std::to_string(p));
    } else if (proto == "rpc") {
      return fail(cx, "rpc service " + name + " needs the portmapper, which this module does not watch");
    } else {
      return fail(cx, "service " + name + " of kind " + proto + " cannot be enforced");
    }
  }
  if (!plain.empty()) {
    if (proto == "icmp")
      alts.insert(alts.begin(), "icmp type " + set_text(plain));
    else if (proto == "other")
      alts.insert(alts.begin(), "meta l4proto " + set_text(plain));
    else
      alts.insert(alts.begin(), proto + " dport " + set_text(plain));
  }
  out.insert(out.end(), alts.begin(), alts.end());
  return true;
}
} // namespace

bool service_clauses(CondContext &cx, const std::string &element, std::vector<Clause> &out) {
  std::string e = squeeze(element);
  Clause c;
  c.negated = e.rfind("not ", 0) == 0;
  if (c.negated)
    e = e.substr(4);
  for (const auto &group : split_top(e, c.negated ? " and not " : " or "))
    if (!service_group(cx, group, c.alts))
      return false;
  out.push_back(c);
  return true;
}

} // namespace kxnft
