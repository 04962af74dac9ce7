#include "kxset/kxscope.h"
#include "kxset/sio.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Sets {
  KxSetRef base = kxset::make("base"), a = kxset::make("a"), b = kxset::make("b"),
           c = kxset::make("c");
};

TEST(KxScope, DefinitionsLiveWithTheirLevel) {
  Sets s;
  KxScope scope(s.base.get());
  KxAtom x("x"), y("y");
  EXPECT_EQ(scope.GetTop(), s.base.get());
  EXPECT_EQ(scope.Add(x, s.a.get()), 0);    // level 0: for good
  EXPECT_EQ(scope.Push(s.b.get()), 1);
  EXPECT_EQ(scope.GetTop(), s.b.get());
  EXPECT_EQ(scope.Add(y, s.b.get()), 0);    // level 1, first generation
  EXPECT_EQ(scope.Push(s.c.get()), 2);
  EXPECT_EQ(scope.Get(y), s.b.get());       // visible deeper
  EXPECT_EQ(scope.Add(x, s.c.get()), 0);    // hides level 0's x
  EXPECT_EQ(scope.Get(x), s.c.get());
  EXPECT_EQ(scope.Pop(), 1);
  EXPECT_EQ(scope.Get(x), s.a.get());       // level 2 died
  EXPECT_EQ(scope.Get(y), s.b.get());
  EXPECT_EQ(scope.Pop(), 0);
  EXPECT_EQ(scope.Push(s.c.get()), 1);      // next sibling: new generation
  EXPECT_EQ(scope.Get(y), nullptr);
  EXPECT_EQ(scope.Get(x), s.a.get());
  EXPECT_EQ(scope.Pop(), 0);
  EXPECT_EQ(scope.Pop(), 0);                // level 0 stays
  EXPECT_EQ(scope.GetTop(), s.base.get());
  EXPECT_EQ(scope.Add(KxAtom::null(), s.a.get()), -1);
  EXPECT_EQ(scope.Get(KxAtom("never-defined")), nullptr);
}

TEST(KxScope, SixtyThreeLevels) {
  Sets s;
  KxScope scope;
  for (int i = 1; i < KxScope::kLevels; ++i) ASSERT_EQ(scope.Push(s.a.get()), i);
  EXPECT_EQ(scope.Push(s.a.get()), -1);
  EXPECT_EQ(scope.level(), KxScope::kLevels - 1);
}

TEST(KxScope, ManyNamesAndLongChains) {
  KxSetRef v = kxset::make("v");
  KxScope scope;
  std::vector<KxAtom> names;
  for (int i = 0; i < 5000; ++i) names.emplace_back("scope-name-" + std::to_string(i));
  for (int round = 0; round < 3; ++round) {
    scope.Push(v.get());
    for (const KxAtom &n : names) scope.Add(n, v.get());
    for (const KxAtom &n : names) ASSERT_EQ(scope.Get(n), v.get());
    scope.Pop();
  }
  for (const KxAtom &n : names) ASSERT_EQ(scope.Get(n), nullptr);
}

// The rule as stated: entries (level, generation) newest first; an entry is
// alive while its level is not above the current one and that level has not
// been pushed again since.
class ChainModel {
public:
  void push() { ++gen_[++level_]; }
  void pop() { level_ = level_ ? level_ - 1 : 0; }
  void add(int name, int value) { entries_.push_back({name, level_, gen_[level_], value}); }
  int get(int name) const {
    for (auto e = entries_.rbegin(); e != entries_.rend(); ++e)
      if (e->name == name && e->level <= level_ && e->gen >= gen_[e->level]) return e->value;
    return -1;
  }

private:
  struct Entry {
    int name, level, gen, value;
  };
  int level_ = 0;
  int gen_[KxScope::kLevels] = {};
  std::vector<Entry> entries_;
};

TEST(KxScope, AgreesWithTheChainRuleOnRandomWalks) {
  std::vector<KxSetRef> values;
  for (int i = 0; i < 8; ++i) values.emplace_back(kxset::make("v" + std::to_string(i)));
  std::vector<KxAtom> names;
  for (int i = 0; i < 40; ++i) names.emplace_back("walk-" + std::to_string(i));
  uint32_t rnd = 12345;
  auto next = [&rnd](uint32_t n) {
    rnd = rnd * 1103515245u + 12345u;
    return (rnd >> 8) % n;
  };
  KxScope scope;
  ChainModel model;
  for (int step = 0; step < 200000; ++step) {
    uint32_t op = next(100);
    if (op < 8 && scope.level() < 10) {
      scope.Push(nullptr);
      model.push();
    } else if (op < 16) {
      scope.Pop();
      model.pop();
    } else if (op < 60) {
      int n = static_cast<int>(next(40)), v = static_cast<int>(next(8));
      scope.Add(names[n], values[v].get());
      model.add(n, v);
    } else {
      int n = static_cast<int>(next(40));
      int want = model.get(n);
      ASSERT_EQ(scope.Get(names[n]), want < 0 ? nullptr : values[want].get()) << "step " << step;
    }
  }
}

TEST(SioScope, NamespaceFromADictionary) {
  KxSetRef dict = sio_sread("(objects :netobj ( : (gate) : (mail) :x (named) : ()) "
                            ":services ( : (smtp)) :plain (leaf))");
  ASSERT_TRUE(dict);
  KxScope *scope = sio_namesp(nullptr, dict.get());
  EXPECT_EQ(cs_topscope(scope), dict.get());
  EXPECT_EQ(cs_inscope(scope, "gate"), dict->get(0)->get(0));
  EXPECT_EQ(cs_inscope(scope, "smtp"), dict->get(1)->get(0));
  EXPECT_EQ(cs_inscope(scope, "named"), nullptr);
  EXPECT_EQ(cs_inscope(scope, "leaf"), nullptr);
  KxSetRef r = kxset::make("r");
  EXPECT_EQ(cs_pushscope(scope, r.get()), 1);
  EXPECT_EQ(cs_topscope(scope), r.get());
  EXPECT_EQ(cs_inscope(scope, "mail"), dict->get(0)->get(1));
  EXPECT_EQ(cs_popscope(scope), 0);
  cs_stack_destroy(scope);

  KxScope *bare = cs_namesp(nullptr, nullptr);
  ASSERT_TRUE(cs_topscope(bare));
  EXPECT_EQ(cs_topscope(bare)->getnattr(), 0);
  cs_stack_destroy(bare);
}

} // namespace
