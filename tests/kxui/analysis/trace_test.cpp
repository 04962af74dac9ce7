// Trace on a hand-made site: the deciding rule, the cell each earlier rule
// misses, shadowed rules, implied rules in their places, the targets; and
// kxc trace's output, exit status and refusals.
#include "site.h"

#include "kxui/analysis/trace.h"
#include "support/run.h"

#include <string>

namespace kxtest {
namespace {

class TraceTest : public SiteTest {
protected:
  kxan::TraceResult run(const std::string &target, const std::string &src, const std::string &dst,
                        const std::string &service) {
    std::string err;
    std::optional<kxan::Target> t = kxan::choose_target(ra_, target, &err);
    EXPECT_TRUE(t) << err;
    policy_ = builder_.build(ra_, *t);
    kxan::Packet p;
    p.src = *kxan::parse_address(src, &err);
    p.dst = *kxan::parse_address(dst, &err);
    p.svc = *kxan::parse_service(service, builder_.services(), &err);
    return kxan::trace(policy_, p);
  }
  static std::string steps(const kxan::TraceResult &t) {
    std::string s;
    for (const kxan::TraceStep &x : t.earlier) s += kxan::rule_label(*x.rule) + ":" + kxan::cell_name(x.miss) + " ";
    s += "=> " + (t.decided ? kxan::rule_label(*t.decided) : std::string("none"));
    for (const kxan::RuleModel *r : t.shadowed) s += " | " + kxan::rule_label(*r);
    return s;
  }
  kxan::PolicyBuilder builder_;
  kxan::Policy policy_;
};

TEST_F(TraceTest, DecidingRuleEarlierMissesAndShadowedRules) {
  struct Case {
    const char *target, *src, *dst, *service, *expect;
    bool accepted;
  } cases[] = {
      // Rule 1 is installed on gw2 only; http by name and by port are one service.
      {"gw", "pc", "web", "http", "implied rule accept_icmp:services rule 1:install => rule 2 | rule 5", true},
      {"gw", "10.1.0.7", "10.2.0.10", "tcp/80", "implied rule accept_icmp:services rule 1:install => rule 2 | rule 5", true},
      {"gw2", "pc", "web", "www", "implied rule accept_icmp:services => rule 1 | rule 2 | rule 5", false},
      // A negated source: outside is not in lan; smtp reaches rule 3 through a group.
      {"gw", "outside", "mail", "smtp",
       "implied rule accept_icmp:services rule 1:install rule 2:src => rule 3 | rule 5", false},
      {"gw", "pc", "mail", "smtp",
       "implied rule accept_icmp:services rule 1:install rule 2:services rule 3:src rule 4:services "
       "implied rule accept_domain_udp:services => rule 5",
       false},
      // Port ranges, and a group within a group.
      {"gw", "outside", "web", "tcp/8080",
       "implied rule accept_icmp:services rule 1:install rule 2:src rule 3:services => rule 4 | rule 5", true},
      {"gw", "outside", "pc", "tcp/8080",
       "implied rule accept_icmp:services rule 1:install rule 2:src rule 3:services rule 4:dst "
       "implied rule accept_domain_udp:services => rule 5",
       false},
      // Implied rules: icmp first, domain queries just before the last rule.
      {"gw", "outside", "pc", "icmp/8", "=> implied rule accept_icmp | rule 5", true},
      {"gw", "outside", "pc", "dns",
       "implied rule accept_icmp:services rule 1:install rule 2:src rule 3:services rule 4:dst "
       "=> implied rule accept_domain_udp | rule 5",
       true},
      // The router enforces only rule 5 and has no implied rules of its own here.
      {"rtr", "pc", "web", "http", "rule 1:install rule 2:install rule 3:install rule 4:install => rule 5", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.target) + " " + c.src + " " + c.dst + " " + c.service);
    kxan::TraceResult t = run(c.target, c.src, c.dst, c.service);
    EXPECT_EQ(steps(t), c.expect);
    EXPECT_EQ(t.accepted(), c.accepted);
  }
}

TEST_F(TraceTest, TargetsAreTheInstalledOnes) {
  std::vector<kxan::Target> all = kxan::install_targets(ra_);
  std::string names;
  for (const kxan::Target &t : all) names += t.name + (t.router ? "(r) " : " ");
  EXPECT_EQ(names, "gw2 gw rtr(r) ");
  std::string err;
  EXPECT_FALSE(kxan::choose_target(ra_, "", &err));
  EXPECT_EQ(err, "the rules are installed on several targets (gw2, gw, rtr): give --target");
  EXPECT_FALSE(kxan::choose_target(ra_, "web", &err));
  EXPECT_EQ(err, "no rule installs on 'web'");
  EXPECT_FALSE(kxan::choose_target(ra_, "nowhere", &err));
  EXPECT_EQ(err, "unknown target 'nowhere'");
}

class KxcTrace : public SiteTest {
protected:
  CommandResult kxc(const std::string &args) {
    return run_command("KXDIR='" + dir_.path() + "' '" KXC_PATH "' trace '" + rules_path_ + "' " + args);
  }
};

TEST_F(KxcTrace, TextJsonAndExitStatus) {
  CommandResult r = kxc("--src pc --dst web --service http --target gw");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "target gw (firewall)\n"
            "packet 10.1.0.7 -> 10.2.0.10 tcp/80 (http)\n"
            "implied rule accept_icmp: services does not match\n"
            "rule 1: not installed on this target\n"
            "rule 2 decides: accept (inbound)\n"
            "also matching, shadowed for this connection: rule 5\n");
  r = kxc("--src outside --dst mail --service smtp --target gw --sport 1024 --time 2026-12-10T10:00 --json");
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_EQ(r.out,
            "{\"target\": \"gw\", \"router\": false,\n"
            " \"packet\": {\"src\": \"192.0.2.9\", \"dst\": \"10.2.0.25\", \"service\": \"smtp\", "
            "\"key\": \"tcp/25\", \"sport\": 1024, \"time\": \"2026-12-10T10:00\"},\n"
            " \"earlier\": [\n"
            "   {\"implied\": \"accept_icmp\", \"cell\": \"services\"},\n"
            "   {\"rule\": 1, \"cell\": \"install\"},\n"
            "   {\"rule\": 2, \"cell\": \"src\"}],\n"
            " \"decision\": {\"rule\": 3, \"action\": \"drop\", \"track\": \"\", \"direction\": \"inbound\"},\n"
            " \"accepted\": false,\n"
            " \"shadowed\": [{\"rule\": 5}]}\n");
  r = kxc("--src outside --dst web --service tcp/2000 --target gw");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("rule 4 decides: accept, track short (inbound)\n"), std::string::npos) << r.out;
}

TEST_F(KxcTrace, RefusedInputAndUsage) {
  struct Case {
    const char *args, *message;
    int status;
  } cases[] = {
      {"--src nosuch --dst web --service http --target gw", "kxc trace: unknown object 'nosuch'\n", 1},
      {"--src 10.1.0.300 --dst web --service http --target gw", "kxc trace: malformed address '10.1.0.300'\n", 1},
      {"--src lan --dst web --service http --target gw",
       "kxc trace: 'lan' is not a host, gateway or router: give one address\n", 1},
      {"--src pc --dst web --service nosuch --target gw", "kxc trace: unknown service 'nosuch'\n", 1},
      {"--src pc --dst web --service mailish --target gw",
       "kxc trace: 'mailish' is a group of services: give one service\n", 1},
      {"--src pc --dst web --service tcp/70000 --target gw", "kxc trace: malformed port '70000' in 'tcp/70000'\n", 1},
      {"--src pc --dst web --service gre/1 --target gw", "kxc trace: unknown protocol 'gre'\n", 1},
      {"--src pc --dst web --service http --sport x1 --target gw", "kxc trace: malformed port 'x1'\n", 1},
      {"--src pc --dst web --service http --time 2026-13-01T00:00 --target gw",
       "kxc trace: malformed time '2026-13-01T00:00'\n", 1},
      {"--src pc --dst web --service http --target web", "kxc trace: no rule installs on 'web'\n", 1},
      {"--src pc --dst web --service http",
       "kxc trace: the rules are installed on several targets (gw2, gw, rtr): give --target\n", 1},
      {"--src pc --dst web", "usage: kxc trace FILE.W --src ADDR --dst ADDR --service NAME|PROTO/PORT "
                             "[--sport PORT] [--target GATEWAY|ROUTER] [--time ISO] [--json]\n", 2},
      {"--src pc --src pc --dst web --service http", nullptr, 2},
      {"--src pc --dst web --service http --bogus", nullptr, 2},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args);
    CommandResult q = run_command("KXDIR='" + dir_.path() + "' '" KXC_PATH "' trace '" + rules_path_ + "' " +
                                  c.args + " 2>&1 >/dev/null | grep -v 'rules read'");
    CommandResult s = kxc(c.args);
    EXPECT_EQ(s.status, c.status);
    EXPECT_EQ(s.out, "");
    if (c.message) {
      EXPECT_EQ(q.out, c.message);
    }
  }
  CommandResult r = run_command("KXDIR='" + dir_.path() + "' '" KXC_PATH "' trace /nonexistent.W --src pc "
                                "--dst web --service http --target gw");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot open '/nonexistent.W'"), std::string::npos) << r.err;
}

} // namespace
} // namespace kxtest
