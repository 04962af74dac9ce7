#include "compile.h"

#include "cond.h"
#include "emit.h"

#include <algorithm>
#include <cctype>
#include <arpa/inet.h>
#include <map>

namespace kxnft {

namespace {

std::string nft_ifname(const std::string &iface) { return iface == "lo0" ? "lo" : iface; }

// Names that reach the ruleset inside quotes or as identifiers.
bool plain_word(const std::string &s, size_t max) {
  if (s.empty() || s.size() > max)
    return false;
  for (char c : s)
    if (!isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.')
      return false;
  return true;
}

// Implied rules of the global properties: what each lets through.
const std::map<std::string, std::vector<std::string>> &implied_rules() {
  static const std::map<std::string, std::vector<std::string>> m = {
      {"accept_kx1_connections", {"tcp dport { 256, 257 }", "udp dport 260"}},
      {"ftpdata_code", {"tcp sport 20 tcp dport 1024-65535"}},
      {"accept_tcp_established", {"meta l4proto tcp ct state established"}},
      {"accept_rip", {"udp sport 520 udp dport 520"}},
      {"accept_icmp", {"meta l4proto icmp"}},
      {"rpc_code", {"meta l4proto udp ct state established,related"}},
      {"udp_code", {"meta l4proto udp ct state established"}},
      {"accept_domain_udp", {"udp dport 53"}},
      {"accept_domain_tcp", {"tcp dport 53"}},
  };
  return m;
}

// "not" and a blank: a negated condition.
bool negated(std::string_view e) { return e.size() > 3 && e.starts_with("not") && trim(e.substr(3, 1)).empty(); }

// The rule number a statement carries in its track or action calls: the
// last argument of a call, when it is a number. Read in place: it is asked
// of every statement of the script.
int carried_rule(const std::string &body) {
  int n = -1;
  for_each_top(body, ",", [&](std::string_view field) {
    std::string_view e = trim(field);
    if (e.empty() || e.back() != ')' || e.front() == '(' || negated(e))
      return;
    size_t open = e.find('(');
    if (open == std::string_view::npos)
      return;
    std::string_view last;
    for_each_top(e.substr(open + 1, e.size() - open - 2), ",", [&](std::string_view arg) { last = arg; });
    last = trim(last);
    if (last.empty() || last.size() >= 6 || last.find_first_not_of("0123456789") != std::string_view::npos)
      return;
    n = 0;
    for (char c : last)
      n = n * 10 + (c - '0');
  });
  return n;
}

bool is_outgoing(const Statement &s) {
  return s.direction == "outbound" && s.iface == "all" && s.target == "all" && s.body == "accept";
}

// Rule numbers of the rule statements. A statement without a track or
// action call carries none: it takes the number after the one before it.
std::vector<int> number_rules(const Script &script) {
  std::vector<int> out(script.statements.size(), -1);
  int last = 0;
  for (size_t i = 0; i < script.statements.size(); ++i) {
    const Statement &s = script.statements[i];
    if (s.direction.empty() || is_outgoing(s))
      continue;
    if (s.iface != "all") {
      out[i] = 0; // interface access groups
      continue;
    }
    int n = carried_rule(s.body);
    out[i] = n >= 0 ? n : last + 1;
    last = out[i];
  }
  return out;
}

bool applies(const Script &script, const Identity &self, const std::string &target) {
  if (target == "all")
    return true;
  auto list = script.lists.find(target);
  if (list != script.lists.end() && list->second.kind == "target") {
    for (const auto &m : list->second.members)
      if (self.names.count(m))
        return true;
    return false;
  }
  return self.names.count(target) > 0;
}

std::string where(const Statement &s, int rule) {
  if (s.direction.empty())
    return "implied rule " + s.body;
  if (s.iface != "all")
    return "interface access group " + s.direction + " " + s.iface + "@" + s.target;
  if (rule < 0)
    return "implied rule " + s.direction + " " + s.iface + "@" + s.target + " " + s.body;
  return "rule " + std::to_string(rule);
}

// The body of a rule statement: action word, conditions, track calls.
bool translate_body(CondContext &cx, const std::string &body, Translated &t) {
  size_t sp = body.find(' ');
  t.decision.action = body.substr(0, sp);
  if (t.decision.action != "accept" && t.decision.action != "drop" && t.decision.action != "reject") {
    cx.error = "action " + t.decision.action + " cannot be enforced by this module";
    return false;
  }
  std::string rest = sp == std::string::npos ? "" : body.substr(sp + 1);
  if (rest.empty())
    return true;
  for (const auto &e : split_top(rest, ",")) {
    if (e.empty())
      continue;
    if (e.find("ip_src") != std::string::npos || e.find("ip_dst") != std::string::npos) {
      if (!address_clauses(cx, e, t.clauses))
        return false;
    } else if (e.front() == '(' || e.rfind("not (", 0) == 0) {
      if (!service_clauses(cx, e, t.clauses))
        return false;
    } else {
      size_t open = e.find('(');
      auto args = open == std::string::npos || e.back() != ')'
                      ? std::vector<std::string>{}
                      : split_top(e.substr(open + 1, e.size() - open - 2), ",");
      if (args.size() != 3 || args[1].rfind("LOG_", 0) != 0) {
        cx.error = "action call " + e + " cannot be enforced by this module";
        return false;
      }
      t.decision.format = args[0];
      t.decision.alert = args[1] == "LOG_NOALERT" ? "-" : args[1].substr(4);
      if (!plain_word(t.decision.format, 24) || !plain_word(t.decision.alert, 24)) {
        cx.error = "track " + e + " has a format or alert name this module cannot log";
        return false;
      }
    }
  }
  return true;
}

} // namespace

Result compile_ruleset(const Script &script, const Identity &self, const Options &options) {
  Result r;
  if (script.statements.empty()) {
    r.error = "the script has no statements";
    return r;
  }
  CondContext cx{script, {}, ""};
  Emitter em(options);
  auto numbers = number_rules(script);
  bool established_done = false;
  auto established = [&] {
    if (established_done)
      return;
    established_done = true;
    em.note_counter("accept_established");
    em.add_line(true, true, "ct state established,related counter name \"accept_established\" accept");
  };
  for (size_t i = 0; i < script.statements.size(); ++i) {
    const Statement &s = script.statements[i];
    int rule = numbers[i];
    auto refuse = [&](const std::string &why) {
      r.error = where(s, rule) + ": " + why;
      return r;
    };
    if (s.direction.empty()) {
      established();
      auto it = implied_rules().find(s.body);
      if (it == implied_rules().end())
        return refuse("not an implied rule this module knows");
      Translated t;
      t.inbound = t.outbound = true;
      t.decision.action = "accept";
      t.clauses.push_back(Clause{false, it->second});
      em.add(t, i);
      continue;
    }
    if (!applies(script, self, s.target))
      continue;
    if (s.iface == "all")
      established();
    if (rule > 0 && script.auth_rules.count(rule))
      return refuse("User Auth needs the authentication service, which this module does not run");
    Translated t;
    t.iface = s.iface == "all" ? "" : nft_ifname(s.iface);
    if (s.iface != "all" && !plain_word(t.iface, 15))
      return refuse("interface name " + s.iface + " is not one this module can have");
    t.inbound = s.direction != "outbound";
    t.outbound = s.direction != "inbound";
    t.decision.rule = rule;
    std::string body = s.body;
    if (body.rfind("{ ", 0) == 0 && body.back() == '}') {
      // Loopback: "{ accept udp;}" or "{ accept ;}", an implied rule.
      established();
      std::string inner = squeeze(body.substr(2, body.size() - 3));
      if (!inner.empty() && inner.back() == ';')
        inner.pop_back();
      inner = squeeze(inner);
      if (inner.rfind("accept", 0) != 0)
        return refuse("cannot read " + body);
      std::string proto = squeeze(inner.substr(6));
      if (!proto.empty() && proto != "tcp" && proto != "udp")
        return refuse("cannot read " + body);
      t.decision.action = "accept";
      t.decision.rule = -1;
      if (!proto.empty())
        t.clauses.push_back(Clause{false, {"meta l4proto " + proto}});
      em.add(t, i);
      continue;
    }
    if (!translate_body(cx, body, t))
      return refuse(cx.error);
    // An interface access group only stops spoofed packets: what it accepts
    // goes on to the rules.
    if (s.iface != "all" && t.decision.action == "accept")
      continue;
    if (is_outgoing(s))
      t.decision.rule = -1;
    em.add(t, i);
  }
  established();
  if (!em.text(cx, r.ruleset)) {
    r.error = "list definitions: " + cx.error;
    r.ruleset.clear();
    return r;
  }
  r.ok = true;
  return r;
}

Result compile_ruleset(const std::string &script_text, const Identity &self, const Options &options) {
  return compile_ruleset(parse_script(script_text), self, options);
}

std::vector<Identity> identities_for(const Script &script, const std::vector<ModuleName> &modules) {
  std::vector<Identity> ids(modules.size());
  std::set<std::string> targets; // every object a scope names, when an interface object asks
  auto scope_targets = [&]() -> const std::set<std::string> & {
    if (targets.empty()) {
      for (const auto &s : script.statements)
        if (!s.target.empty() && s.target != "all")
          targets.insert(s.target);
      for (const auto &[name, l] : script.lists)
        if (l.kind == "target")
          targets.insert(l.members.begin(), l.members.end());
    }
    return targets;
  };
  // An address reads as one of addrs exactly when it is written as
  // inet_ntop writes it (inet_pton takes no other form of an IPv4 address),
  // so the texts are compared: no address of the script is converted.
  std::vector<std::string> lower(modules.size());
  std::vector<std::vector<std::string>> texts(modules.size());
  for (size_t k = 0; k < modules.size(); ++k) {
    lower[k] = modules[k].word;
    std::transform(lower[k].begin(), lower[k].end(), lower[k].begin(),
                   [](unsigned char c) { return char(tolower(c)); });
    for (uint32_t a : modules[k].addrs) {
      char text[INET_ADDRSTRLEN];
      if (inet_ntop(AF_INET, &a, text, sizeof text))
        texts[k].emplace_back(text);
    }
  }
  for (const auto &[name, a] : script.addresses) {
    bool network = a.type.rfind("net", 0) == 0;
    for (size_t k = 0; k < modules.size(); ++k) {
      bool mine = name == lower[k];
      if (!mine && !network)
        mine = std::find(texts[k].begin(), texts[k].end(), a.addr) != texts[k].end();
      if (!mine)
        continue;
      if (a.type == "hostif") {
        // An interface object is named "<object>-<interface>".
        for (const auto &t : scope_targets())
          if (name.size() > t.size() + 1 && name.compare(0, t.size() + 1, t + "-") == 0)
            ids[k].names.insert(t);
      } else {
        ids[k].names.insert(name);
      }
    }
  }
  return ids;
}

Identity identity_for(const Script &script, const std::string &word, const std::vector<uint32_t> &addrs) {
  return identities_for(script, {{word, addrs}}).front();
}

} // namespace kxnft
