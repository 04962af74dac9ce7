// Properties of the semantic diff on the generated 300-rule policy, the
// rule-level diff, and kxc diff's output, exit status and refusals.
#include "site.h"

#include "kxui/analysis/diff.h"
#include "kxui/analysis/trace.h"
#include "kxui/compiler/cellutil.h"
#include "support/golden.h"
#include "support/run.h"

#include <random>

namespace kxtest {
namespace {

class DiffProperties : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = kxdir;
    kxdir = dir_;
    ASSERT_EQ(load_objects(nullptr), 0);
    std::string err;
    std::optional<rule_list> rules = kxan::read_rulebase(dir_ + "/conf/bench.W", &err);
    ASSERT_TRUE(rules) << err;
    rules_ = std::move(*rules);
    for (const KxSetRef &r : rules_) ra_.push_back(r.get());
    targets_ = kxan::install_targets(ra_);
    ASSERT_EQ(targets_.size(), 2u); // gw and rtr
  }
  void TearDown() override {
    held_.clear();
    rules_.clear();
    destruct_objects();
    kxdir = saved_;
  }
  kxan::PolicyDiff diff(const rule_array &a, const rule_array &b) {
    kxan::SideModel x = kxan::model_side(a, targets_, keys_), y = kxan::model_side(b, targets_, keys_);
    return kxan::diff_sides(x, y, targets_);
  }
  // A copy of a rule with its action cell naming `action`.
  kxset *with_action(const kxset *rule, const char *action) {
    kxset *copy = kxset::make();
    held_.emplace_back(copy);
    for (int i = 0; i < rule->getnattr(); ++i) {
      KxAtom name = rule->getattrnamea(i);
      if (name == KxAtom("action")) {
        kxset *cell = kxset::make();
        kxrb::each_member(kx_actions, [&](kxset *m) {
          if (kxrb::ieq(m->getname(), action)) cell->append(KxAtom::null(), m);
        });
        copy->append(name, cell);
      } else {
        copy->append(name, rule->get(i));
      }
    }
    return copy;
  }

  std::string dir_ = test_path("kxui/analysis/p300"), saved_;
  rule_list rules_;
  rule_array ra_;
  std::vector<kxan::Target> targets_;
  kxan::ServiceKeys keys_;
  std::vector<KxSetRef> held_;
};

TEST_F(DiffProperties, APolicyEqualsItself) {
  kxan::PolicyDiff d = diff(ra_, ra_);
  EXPECT_TRUE(d.rules.changes.empty());
  EXPECT_EQ(d.rules.kept.size(), ra_.size());
  EXPECT_TRUE(d.equal_in_effect());
}

TEST_F(DiffProperties, SwappingRulesThatDoNotOverlapChangesNothing) {
  kxan::PolicyBuilder b;
  kxan::Policy p = b.build(ra_, targets_[0]);
  auto overlap = [](const kxan::RuleModel &x, const kxan::RuleModel &y) {
    return x.src.overlaps(y.src) && x.dst.overlaps(y.dst) && x.svc.overlaps(y.svc);
  };
  int disjoint = 0, overlapping = 0;
  for (size_t i = 0; i + 1 < ra_.size() && (disjoint < 5 || overlapping < 2); ++i) {
    const kxan::RuleModel &x = p.rules[i], &y = p.rules[i + 1];
    bool ov = overlap(x, y);
    if (ov && (x.action == y.action || overlapping >= 2)) continue;
    if (!ov && disjoint >= 5) continue;
    SCOPED_TRACE("swap of rules " + std::to_string(i + 1) + " and " + std::to_string(i + 2));
    rule_array swapped = ra_;
    std::swap(swapped[i], swapped[i + 1]);
    kxan::PolicyDiff d = diff(ra_, swapped);
    ASSERT_EQ(d.rules.changes.size(), 1u);
    EXPECT_EQ(d.rules.changes[0].kind, kxan::RuleChange::moved);
    if (!ov) {
      ++disjoint;
      EXPECT_TRUE(d.equal_in_effect());
    } else {
      // Rules that overlap with other actions: the overlap changes hands.
      ++overlapping;
      ASSERT_FALSE(d.equal_in_effect());
      for (const auto &[t, blocks] : d.traffic)
        for (const kxan::Block &k : blocks) {
          EXPECT_EQ(k.old_action, x.action);
          EXPECT_EQ(k.new_action, y.action);
        }
    }
  }
  EXPECT_EQ(disjoint, 5);
}

// The blocks are exactly the traffic that reaches the changed rule first:
// every block lies within it (checked at corners and random points), and
// random packets, many of them aimed at the rule, are in a block exactly when
// the rule decides them.
TEST_F(DiffProperties, ChangingAnActionDiffersExactlyWhereTheRuleDecides) {
  kxan::PolicyBuilder b(&keys_);
  std::mt19937_64 rng(7);
  for (size_t k : {size_t{0}, size_t{41}, size_t{157}, size_t{298}}) {
    SCOPED_TRACE("rule " + std::to_string(k + 1));
    rule_array changed = ra_;
    kxan::Policy before = b.build(ra_, targets_[0]);
    const kxan::RuleModel &r = before.rules[k];
    const char *other = r.action == "accept" ? "drop" : "accept";
    changed[k] = with_action(ra_[k], other);
    kxan::PolicyDiff d = diff(ra_, changed);
    ASSERT_EQ(d.rules.changes.size(), 1u);
    EXPECT_EQ(d.rules.changes[0].kind, kxan::RuleChange::changed);
    EXPECT_EQ(d.rules.changes[0].cells, std::vector<std::string>{"action"});
    ASSERT_EQ(d.traffic.size(), 2u); // the rule is on the gateway and the router
    const std::vector<kxan::Block> &blocks = d.traffic[0].second;
    ASSERT_FALSE(blocks.empty());
    auto decided_by_k = [&](uint64_t s, uint64_t t, uint64_t v) {
      kxan::Packet p;
      p.src = static_cast<uint32_t>(s), p.dst = static_cast<uint32_t>(t), p.svc = v;
      return kxan::first_match(before, p) == static_cast<long>(k);
    };
    auto pick = [&](uint64_t lo, uint64_t hi) { return lo + (hi - lo == UINT64_MAX ? rng() : rng() % (hi - lo + 1)); };
    for (const kxan::Block &x : blocks) {
      EXPECT_EQ(x.old_action, r.action);
      EXPECT_EQ(x.new_action, other);
      EXPECT_TRUE(decided_by_k(x.lo[0], x.lo[1], x.lo[2]));
      EXPECT_TRUE(decided_by_k(x.hi[0], x.hi[1], x.hi[2]));
      for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(decided_by_k(pick(x.lo[0], x.hi[0]), pick(x.lo[1], x.hi[1]), pick(x.lo[2], x.hi[2])));
    }
    auto in_blocks = [&](uint64_t s, uint64_t t, uint64_t v) {
      for (const kxan::Block &x : blocks)
        if (x.lo[0] <= s && s <= x.hi[0] && x.lo[1] <= t && t <= x.hi[1] && x.lo[2] <= v && v <= x.hi[2]) return true;
      return false;
    };
    int hits = 0;
    for (int i = 0; i < 3000; ++i) {
      auto from = [&](const kxan::IntervalSet &s) {
        const auto &rg = s.ranges()[rng() % s.ranges().size()];
        return pick(rg.first, rg.second);
      };
      uint64_t s = i % 2 ? from(r.src) : rng() & 0xffffffffu;
      uint64_t t = i % 3 ? from(r.dst) : rng() & 0xffffffffu;
      uint64_t v = i % 5 ? from(r.svc) : rng();
      bool decides = decided_by_k(s, t, v);
      hits += decides;
      EXPECT_EQ(in_blocks(s, t, v), decides);
    }
    EXPECT_GT(hits, 100);
  }
}

// For random changes of the policy (rules swapped, actions flipped, rules
// removed, rules copied to other places), random packets lie in a block of
// the semantic diff exactly when tracing them through both rule bases gives
// two different decisions, and the block names those decisions.
TEST_F(DiffProperties, RandomChangesAgreeWithTracingBothPolicies) {
  std::mt19937_64 rng(11);
  auto pick = [&](uint64_t lo, uint64_t hi) { return lo + (hi - lo == UINT64_MAX ? rng() : rng() % (hi - lo + 1)); };
  auto from = [&](const kxan::IntervalSet &s, uint64_t max) {
    if (s.ranges().empty() || rng() % 8 == 0) return pick(0, max);
    const auto &r = s.ranges()[rng() % s.ranges().size()];
    return pick(r.first, r.second);
  };
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    rule_array changed = ra_;
    std::vector<size_t> touched;
    for (int k = 0; k < 1 + round; ++k) {
      const size_t i = rng() % (changed.size() - 1);
      switch ((round + k) % 4) {
      case 0: std::swap(changed[i], changed[i + 1]); break;
      case 1: {
        std::string a = kxan::cell_first_name(changed[i], "action");
        changed[i] = with_action(changed[i], kxrb::ieq(a, "accept") ? "drop" : "accept");
        break;
      }
      case 2: changed.erase(changed.begin() + long(i)); break;
      case 3: {
        kxset *copy = changed[i];
        changed.insert(changed.begin() + long(rng() % changed.size()), copy);
        break;
      }
      }
      touched.push_back(std::min(i, changed.size() - 1));
    }
    kxan::SideModel x = kxan::model_side(ra_, targets_, keys_), y = kxan::model_side(changed, targets_, keys_);
    kxan::PolicyDiff d = kxan::diff_sides(x, y, targets_);
    for (size_t ti = 0; ti < targets_.size(); ++ti) {
      SCOPED_TRACE(targets_[ti].name);
      const kxan::Policy &po = x.policies[ti], &pn = y.policies[ti];
      std::vector<kxan::Block> none;
      const std::vector<kxan::Block> *blocks = &none;
      for (const auto &[t, b] : d.traffic)
        if (t.name == targets_[ti].name) blocks = &b;
      auto decision = [](const kxan::Policy &p, const kxan::Packet &pk) {
        const long k = kxan::first_match(p, pk);
        return k < 0 ? std::string("drop") : p.rules[size_t(k)].action;
      };
      int differing = 0;
      for (int n = 0; n < 4000; ++n) {
        // Aimed at a rule near a change on either side, or at any rule.
        const kxan::Policy &side = n % 2 ? po : pn;
        const kxan::RuleModel &r =
            n % 3 ? side.rules[std::min(side.rules.size() - 1, touched[size_t(n) % touched.size()] + rng() % 3)]
                  : side.rules[rng() % side.rules.size()];
        kxan::Packet pk;
        pk.src = uint32_t(from(r.src, kxan::kAddrMax));
        pk.dst = uint32_t(from(r.dst, kxan::kAddrMax));
        pk.svc = from(r.svc, kxan::kServiceMax);
        const std::string a = decision(po, pk), b = decision(pn, pk);
        const kxan::Block *in = nullptr;
        int count = 0;
        for (const kxan::Block &k : *blocks)
          if (k.lo[0] <= pk.src && pk.src <= k.hi[0] && k.lo[1] <= pk.dst && pk.dst <= k.hi[1] && k.lo[2] <= pk.svc &&
              pk.svc <= k.hi[2]) {
            in = &k;
            ++count;
          }
        ASSERT_LE(count, 1) << "blocks overlap";
        ASSERT_EQ(in != nullptr, a != b) << kxan::service_text(pk.svc) << " " << pk.src << " " << pk.dst;
        if (in) {
          EXPECT_EQ(in->old_action, a);
          EXPECT_EQ(in->new_action, b);
          ++differing;
        }
      }
      // Every block's corners and a point inside are decided as it says.
      for (const kxan::Block &k : *blocks)
        for (int corner = 0; corner < 3; ++corner) {
          kxan::Packet pk;
          pk.src = uint32_t(corner == 0 ? k.lo[0] : corner == 1 ? k.hi[0] : pick(k.lo[0], k.hi[0]));
          pk.dst = uint32_t(corner == 0 ? k.lo[1] : corner == 1 ? k.hi[1] : pick(k.lo[1], k.hi[1]));
          pk.svc = corner == 0 ? k.lo[2] : corner == 1 ? k.hi[2] : pick(k.lo[2], k.hi[2]);
          EXPECT_EQ(decision(po, pk), k.old_action);
          EXPECT_EQ(decision(pn, pk), k.new_action);
          ++differing;
        }
      if (round > 0) {
        EXPECT_GT(differing, 0) << "changes that change nothing on " << targets_[ti].name;
      }
    }
  }
}

class KxcDiff : public SiteTest {};

TEST_F(KxcDiff, RuleChangesAndTrafficBlocks) {
  // Rule 2 loses its place to a new rule that drops dns from lan; rule 4
  // now accepts only from lan.
  std::string changed = kSiteRules;
  auto replace = [&](const std::string &from, const std::string &to) {
    size_t at = changed.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    changed.replace(at, from.size(), to);
  };
  replace(":rule ( :src ( : lan ) :dst ( : servers )",
          ":rule ( :src ( : lan ) :dst ( : Any ) :services ( : dns ) :action ( : drop ) :track () :install ( : Gateways ))\n"
          "\t:rule ( :src ( : lan ) :dst ( : servers )");
  replace(":rule ( :src ( : Any ) :dst ( : all-servers )", ":rule ( :src ( : lan ) :dst ( : all-servers )");
  std::string path = dir_.write("conf/New.W", changed);
  CommandResult r = run_command("bash -c \"KXDIR='" + dir_.path() + "' '" KXC_PATH "' diff '" + rules_path_ + "' '" +
                                path + "' 2>/dev/null\"");
  EXPECT_EQ(r.status, 1);
  // The new rule 2 drops lan's domain queries that the implied rule let
  // through; rule 4 (now 5) no longer accepts high ports to the servers
  // from outside lan, which rule 5 (now 6) rejects.
  const std::string blocks = "  src 0.0.0.0-10.0.255.255; dst web; service high; old accept; new reject\n"
                             "  src 0.0.0.0-10.0.255.255; dst mail; service high; old accept; new reject\n"
                             "  src lan; dst Any; service dns; old accept; new drop\n"
                             "  src 10.2.0.0-255.255.255.255; dst web; service high; old accept; new reject\n"
                             "  src 10.2.0.0-255.255.255.255; dst mail; service high; old accept; new reject\n";
  EXPECT_EQ(r.out, "changed: rule 4 -> 5 (src)\n"
                   "added: new rule 2\n"
                   "decisions that differ on gw2:\n" +
                       blocks + "decisions that differ on gw:\n" + blocks);
  r = run_command("KXDIR='" + dir_.path() + "' '" KXC_PATH "' diff --json '" + rules_path_ + "' '" + path +
                  "' 2>/dev/null");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.substr(0, r.out.find("\n \"traffic\"")),
            "{\"rules\": [\n   {\"change\": \"changed\", \"old\": 4, \"new\": 5, \"cells\": [\"src\"]},\n"
            "   {\"change\": \"added\", \"new\": 2}],\n \"equal_in_effect\": false,");
  EXPECT_NE(r.out.find("{\"target\": \"gw\", \"src\": \"lan\", \"dst\": \"Any\", \"service\": \"dns\", "
                       "\"old\": \"accept\", \"new\": \"drop\"}"),
            std::string::npos)
      << r.out;
}

TEST_F(KxcDiff, EqualPoliciesAndRefusals) {
  CommandResult r = run_command("KXDIR='" + dir_.path() + "' '" KXC_PATH "' diff '" + rules_path_ + "' '" +
                                rules_path_ + "' --json 2>/dev/null");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "{\"rules\": [],\n \"equal_in_effect\": true,\n \"traffic\": []}\n");
  std::string other = dir_.write("conf/Other.W", "(\n\t:rule (\n\t\t:src (\n\t\t\t: elsewhere\n\t\t)\n\t)\n)\n");
  r = run_command("KXDIR='" + dir_.path() + "' '" KXC_PATH "' diff '" + rules_path_ + "' '" + other + "' 2>&1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Cannot use <::elsewhere>: Not in Scope"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("kxc diff: cannot read the rule base '" + other + "'"), std::string::npos) << r.out;
  r = run_command("KXDIR='" + dir_.path() + "' '" KXC_PATH "' diff '" + rules_path_ + "' '" + rules_path_ +
                  "' --objects /nonexistent.C 2>&1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("kxc diff: cannot load the objects database '/nonexistent.C'"), std::string::npos) << r.out;
  EXPECT_EQ(run_command("'" KXC_PATH "' diff one.W").status, 2);
  EXPECT_EQ(run_command("'" KXC_PATH "' diff one.W two.W --objects").status, 2);
}

TEST_F(KxcDiff, OldObjectsFileGivesTheOldAddresses) {
  // The same rule base over objects where web had another address.
  std::string old_objects = kSiteObjects;
  old_objects.replace(old_objects.find("10.2.0.10"), 9, "10.2.0.11");
  std::string path = dir_.write("old-objects.C", old_objects);
  CommandResult r = run_command("KXDIR='" + dir_.path() + "' '" KXC_PATH "' diff '" + rules_path_ + "' '" +
                                rules_path_ + "' --objects '" + path + "' 2>/dev/null");
  EXPECT_EQ(r.status, 1);
  // web moved from 10.2.0.11 to 10.2.0.10: what rules 1, 2 and 4 said of
  // the old address they now say of the new one.
  EXPECT_EQ(r.out, "rules: the same\n"
                   "decisions that differ on gw2:\n"
                   "  src Any; dst web; service high; old reject; new accept\n"
                   "  src Any; dst 10.2.0.11; service high; old accept; new reject\n"
                   "  src 10.1.0.0-10.1.0.6; dst web; service http; old reject; new accept\n"
                   "  src 10.1.0.0-10.1.0.6; dst 10.2.0.11; service http; old accept; new reject\n"
                   "  src pc; dst web; service http; old reject; new drop\n"
                   "  src pc; dst 10.2.0.11; service http; old drop; new reject\n"
                   "  src 10.1.0.8-10.1.255.255; dst web; service http; old reject; new accept\n"
                   "  src 10.1.0.8-10.1.255.255; dst 10.2.0.11; service http; old accept; new reject\n"
                   "decisions that differ on gw:\n"
                   "  src Any; dst web; service high; old reject; new accept\n"
                   "  src Any; dst 10.2.0.11; service high; old accept; new reject\n"
                   "  src lan; dst web; service http; old reject; new accept\n"
                   "  src lan; dst 10.2.0.11; service http; old accept; new reject\n");
}

} // namespace
} // namespace kxtest
