// The rule that trace names must be the statement the filter script applies.
// The script of a generated 300-rule policy (p300/, installed on the gateway
// gw and the router rtr) is read by a small evaluator of its own that knows
// the script's address and service definitions, its lists and its condition
// forms, and never the compiler's object algebra; random packets, most of
// them drawn from the script's own conditions, must get the same rule from
// both.
#include "kxu/kxdir.h"
#include "kxui/analysis/load.h"
#include "kxui/analysis/trace.h"
#include "kxui/compiler/addr.h"
#include "kxui/objfile/objects.h"
#include "support/golden.h"
#include "support/run.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <regex>
#include <sstream>

namespace {

uint32_t quad(const std::string &s) {
  unsigned a, b, c, d;
  EXPECT_EQ(std::sscanf(s.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d), 4) << s;
  return a << 24 | b << 16 | c << 8 | d;
}

// The script, read on its own terms.
struct Script {
  struct Net {
    uint32_t addr, mask;
  };
  struct Term { // one alternative of an address condition
    enum { eq, in_list, net_in } kind;
    std::string name;
  };
  struct Statement {
    std::string action;
    bool has_src = false, has_dst = false, has_svc = false;
    std::vector<Term> src, dst;
    std::vector<std::pair<int, std::string>> services; // (protocol, service name)
  };
  std::map<std::string, uint32_t> hosts;
  std::map<std::string, Net> nets;
  std::map<std::string, std::pair<int, long>> services; // name -> (protocol, port)
  std::map<std::string, std::vector<std::string>> lists;
  std::vector<Statement> rules; // statements scoped "all@gw", in order

  explicit Script(const std::string &text) {
    std::istringstream in(text);
    std::string line;
    std::smatch m;
    static const std::regex addr_host(R"(^ADDR_(host|gateway)\(([\w-]+), ([\d.]+)\)$)");
    static const std::regex addr_net(R"(^ADDR_network\(([\w-]+), ([\d.]+), ([\d.]+)\)$)");
    static const std::regex srv(R"(^SRV_(tcp|udp)\(([\w-]+), (\d+)\)$)");
    static const std::regex list(R"(^(\w+) = \{ (.*) \};$)");
    static const std::regex svc_group(R"(\((tcp|udp), ([^)]*)\))");
    Statement *cur = nullptr;
    while (std::getline(in, line)) {
      if (std::regex_match(line, m, addr_host)) hosts[m[2]] = quad(m[3]);
      else if (std::regex_match(line, m, addr_net)) nets[m[1]] = {quad(m[2]), quad(m[3])};
      else if (std::regex_match(line, m, srv)) services[m[2]] = {m[1] == "tcp" ? 6 : 17, std::stol(m[3])};
      else if (std::regex_match(line, m, list)) lists[m[1]] = split(m[2], ", ");
      else if (line == "inbound\tall@gw") cur = &rules.emplace_back();
      else if (cur && line.starts_with("\t")) {
        std::string body = line.substr(line.find_first_not_of('\t'));
        if (cur->action.empty()) {
          size_t sp = body.find_first_of("\t ");
          cur->action = body.substr(0, sp);
          body = sp == std::string::npos ? "" : body.substr(body.find_first_not_of("\t ", sp));
        }
        if (body.starts_with("(tcp,") || body.starts_with("(udp,")) {
          cur->has_svc = true;
          for (std::sregex_iterator it(body.begin(), body.end(), svc_group), end; it != end; ++it)
            for (const std::string &n : split((*it)[2], " or "))
              cur->services.emplace_back((*it)[1] == "tcp" ? 6 : 17, n);
        } else if (body.find("ip_src") != std::string::npos) {
          cur->has_src = true;
          cur->src = terms(body);
        } else if (body.find("ip_dst") != std::string::npos) {
          cur->has_dst = true;
          cur->dst = terms(body);
        }
        if (body.ends_with(";")) cur = nullptr;
      } else {
        cur = nullptr;
      }
    }
  }

  static std::vector<std::string> split(const std::string &s, const std::string &sep) {
    std::vector<std::string> out;
    size_t from = 0;
    for (size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + sep.size())
      out.push_back(s.substr(from, at - from));
    out.push_back(s.substr(from));
    return out;
  }

  static std::vector<Term> terms(std::string body) {
    // "(a or b or c)," -> alternatives
    body = body.substr(1, body.rfind(')') - 1);
    std::vector<Term> out;
    static const std::regex eq(R"(ip_(src|dst) = ([\w-]+))"), in(R"(ip_(src|dst) in (\w+))"),
        net(R"(net_in\(ip_(src|dst), ([\w-]+), [\w-]+\))");
    std::smatch m;
    for (const std::string &alt : split(body, " or ")) {
      if (std::regex_match(alt, m, eq)) out.push_back({Term::eq, m[2]});
      else if (std::regex_match(alt, m, in)) out.push_back({Term::in_list, m[2]});
      else if (std::regex_match(alt, m, net)) out.push_back({Term::net_in, m[2]});
      else ADD_FAILURE() << "condition the evaluator does not know: " << alt;
    }
    return out;
  }

  bool addr_is(const std::string &name, uint32_t a) const {
    if (auto h = hosts.find(name); h != hosts.end()) return h->second == a;
    if (auto n = nets.find(name); n != nets.end()) return (a & n->second.mask) == (n->second.addr & n->second.mask);
    ADD_FAILURE() << "undefined address " << name;
    return false;
  }
  bool matches(const std::vector<Term> &ts, uint32_t a) const {
    for (const Term &t : ts) {
      if (t.kind == Term::in_list) {
        for (const std::string &n : lists.at(t.name))
          if (addr_is(n, a)) return true;
      } else if (addr_is(t.name, a)) {
        return true;
      }
    }
    return false;
  }
  // The statement index that applies, -1 when none does.
  long apply(uint32_t src, uint32_t dst, int proto, long port) const {
    for (size_t i = 0; i < rules.size(); ++i) {
      const Statement &s = rules[i];
      if (s.has_src && !matches(s.src, src)) continue;
      if (s.has_dst && !matches(s.dst, dst)) continue;
      if (s.has_svc) {
        bool hit = false;
        for (const auto &[p, n] : s.services) hit = hit || (p == proto && services.at(n) == std::make_pair(p, port));
        if (!hit) continue;
      }
      return static_cast<long>(i);
    }
    return -1;
  }
};

class TraceDifferential : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = kxdir;
    kxdir = dir_;
    ASSERT_EQ(load_objects(nullptr), 0);
  }
  void TearDown() override {
    destruct_objects();
    kxdir = saved_;
  }
  std::string dir_ = kxtest::test_path("kxui/analysis/p300");
  std::string saved_;
};

TEST_F(TraceDifferential, TraceNamesTheStatementTheScriptApplies) {
  kxtest::CommandResult c =
      kxtest::run_command("KXDIR='" + dir_ + "' '" KXC_PATH "' compile '" + dir_ + "/conf/bench.W'");
  ASSERT_EQ(c.status, 0) << c.err;
  Script script(c.out);
  std::string err;
  std::optional<rule_list> rules = kxan::read_rulebase(dir_ + "/conf/bench.W", &err);
  ASSERT_TRUE(rules) << err;
  rule_array ra;
  for (const KxSetRef &r : *rules) ra.push_back(r.get());
  ASSERT_EQ(script.rules.size(), ra.size()) << "every rule is one statement on gw";
  std::optional<kxan::Target> gw = kxan::choose_target(ra, "gw", &err);
  ASSERT_TRUE(gw) << err;
  kxan::PolicyBuilder builder;
  kxan::Policy policy = builder.build(ra, *gw);

  // Packets: a third drawn from a random statement's own conditions (so
  // that late rules are reached), the rest from the defined addresses and
  // services with some noise.
  std::mt19937 rng(16);
  auto pick = [&](auto &container) {
    auto it = container.begin();
    std::advance(it, std::uniform_int_distribution<size_t>(0, container.size() - 1)(rng));
    return it;
  };
  auto addr_of = [&](const std::string &name) -> uint32_t {
    if (auto h = script.hosts.find(name); h != script.hosts.end()) return h->second;
    const Script::Net &n = script.nets.at(name);
    return (n.addr & n.mask) | (static_cast<uint32_t>(rng()) & ~n.mask);
  };
  auto from_terms = [&](const std::vector<Script::Term> &ts) -> uint32_t {
    const Script::Term &t = *pick(ts);
    if (t.kind != Script::Term::in_list) return addr_of(t.name);
    return addr_of(*pick(script.lists.at(t.name)));
  };
  auto any_addr = [&]() -> uint32_t {
    switch (rng() % 3) {
    case 0: return pick(script.hosts)->second;
    case 1: return addr_of(pick(script.nets)->first);
    default: return static_cast<uint32_t>(rng());
    }
  };
  int decided = 0, unmatched = 0;
  for (int i = 0; i < 3000; ++i) {
    uint32_t src = any_addr(), dst = any_addr();
    auto [proto, port] = pick(script.services)->second;
    if (i % 3 == 0) {
      const Script::Statement &s = *pick(script.rules);
      if (s.has_src) src = from_terms(s.src);
      if (s.has_dst) dst = from_terms(s.dst);
      if (s.has_svc) std::tie(proto, port) = script.services.at(pick(s.services)->second);
    }
    if (i % 17 == 0) port = static_cast<long>(rng() % 65536);
    kxan::Packet p;
    p.src = src, p.dst = dst, p.svc = kxan::service_key(static_cast<uint64_t>(proto), static_cast<uint64_t>(port));
    long expect = script.apply(src, dst, proto, port);
    kxan::TraceResult t = kxan::trace(policy, p);
    SCOPED_TRACE(iptoa(src) + " -> " + iptoa(dst) + " " + std::to_string(proto) + "/" + std::to_string(port));
    if (expect < 0) {
      ++unmatched;
      EXPECT_EQ(t.decided, nullptr) << kxan::rule_label(*t.decided);
      EXPECT_FALSE(t.accepted());
      continue;
    }
    ++decided;
    ASSERT_NE(t.decided, nullptr) << "script applies statement " << expect + 1;
    EXPECT_EQ(t.decided->number, expect + 1);
    EXPECT_EQ(t.decided->action, script.rules[static_cast<size_t>(expect)].action);
    EXPECT_EQ(t.accepted(), script.rules[static_cast<size_t>(expect)].action == "accept");
    EXPECT_EQ(kxan::first_match(policy, p), static_cast<long>(expect));
  }
  // The draw reaches both outcomes plentifully.
  EXPECT_GT(decided, 1000);
  EXPECT_GT(unmatched, 200);
}

} // namespace
