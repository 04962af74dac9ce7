#include "kxset/kxset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {




int count_calls(void *arg, int) { return ++*static_cast<int *>(arg); }
void bump(void *arg, int v) { count_calls(arg, v); }

TEST(KxAtom, InterningSharesOneRecordAndReleaseRemovesIt) {
  size_t before = KxAtom::GetTotal();
  {
    KxAtom a("interning-test-name");
    KxAtom b(std::string("interning-test-name"));
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.record(), b.record());
    EXPECT_EQ(a.refcount(), 2u);
    EXPECT_EQ(KxAtom::GetTotal(), before + 1);
    EXPECT_TRUE(KxAtom::find("interning-test-name") == a);
  }
  EXPECT_EQ(KxAtom::GetTotal(), before);
  EXPECT_TRUE(KxAtom::find("interning-test-name").is_zero());
}

TEST(KxAtom, ZeroAndNullAtomsAreDistinctAndOutsideTheTable) {
  size_t before = KxAtom::GetTotal();
  KxAtom zero(static_cast<const char *>(nullptr)), null(""), dflt;
  EXPECT_TRUE(zero.is_zero());
  EXPECT_TRUE(dflt == zero);
  EXPECT_TRUE(null.is_null());
  EXPECT_FALSE(zero == null);
  EXPECT_STREQ(null.c_str(), "");
  EXPECT_EQ(KxAtom::GetTotal(), before);
}

TEST(KxAtom, TableSurvivesGrowthAndDeletionChurn) {
  // Many atoms force the table to grow; releasing every other one exercises
  // the gap closing of deletion, after which every survivor is still found.
  std::vector<KxAtom> atoms;
  for (int i = 0; i < 20000; ++i) atoms.emplace_back("churn-" + std::to_string(i));
  for (int i = 0; i < 20000; i += 2) atoms[i] = KxAtom();
  for (int i = 1; i < 20000; i += 2) {
    KxAtom again("churn-" + std::to_string(i));
    EXPECT_EQ(again.record(), atoms[i].record()) << i;
  }
  for (int i = 0; i < 20000; i += 2) EXPECT_TRUE(KxAtom::find("churn-" + std::to_string(i)).is_zero());
}

TEST(KxSet, LookupsOnEmptySetsAndPastTheEnd) {
  KxSetRef s(kxset::make("s"));
  EXPECT_EQ(s->get("x"), nullptr);
  EXPECT_EQ(s->get(0), nullptr);
  EXPECT_TRUE(s->getattrnamea(0).is_zero());
  EXPECT_EQ(s->remove(0), -1);
  EXPECT_EQ(s->remove("x"), -1);
  EXPECT_EQ(s->set("x", nullptr), -1);
  EXPECT_EQ(s->append("x", nullptr), -1);
  EXPECT_EQ(s->getnattr(), 0);
}

TEST(KxSet, DuplicateNamesFirstWinsAndIteratorSeesBoth) {
  KxSetRef s(kxset::make("s"));
  kxset *one = kxset::make("1"), *two = kxset::make("2");
  s->append("dup", one);
  s->append("other", kxset::make("o"));
  s->append("dup", two);
  EXPECT_EQ(s->get("dup"), one);

  kxset_iterator it(s.get(), "dup");
  EXPECT_EQ(it.next(), one);
  EXPECT_STREQ(it.name(), "dup");
  EXPECT_EQ(it.next(), two);
  EXPECT_EQ(it.next(), nullptr);

  EXPECT_EQ(s->remove("dup"), 0);
  EXPECT_EQ(s->get("dup"), two);
  EXPECT_EQ(s->getattrnamea(0), KxAtom("other"));
}

TEST(KxSet, SetReplacesFirstOrAppends) {
  KxSetRef s(kxset::make("s"));
  EXPECT_EQ(s->set("a", kxset::make("1")), 0);
  EXPECT_EQ(s->set("a", kxset::make("2")), 1);
  EXPECT_EQ(s->getnattr(), 1);
  EXPECT_STREQ(s->get("a")->getname(), "2");
}

TEST(KxSet, RemoveByIndexPastEndRemovesNothing) {
  KxSetRef s(kxset::make("s"));
  for (const char *n : {"a", "b", "c"}) s->append(n, kxset::make(n));
  EXPECT_EQ(s->remove(5), 0);
  EXPECT_EQ(s->getnattr(), 3);
  EXPECT_EQ(s->remove(1), 0);
  EXPECT_EQ(s->getattrnamea(1), KxAtom("c"));
}

TEST(KxSet, SharedSubtreeLivesAsLongAsAnyHolder) {
  kxset *shared = kxset::make("shared");
  int destroyed = 0;
  // An observer on the shared set tells us nothing about its life, so watch
  // through a child whose destruction we can detect via the atom count.
  shared->append("marker", kxset::make("shared-subtree-marker"));
  kxset *p1 = kxset::make("p1"), *p2 = kxset::make("p2");
  p1->append("child", shared);
  p2->append("child", shared);
  EXPECT_EQ(shared->refcount(), 2);
  kxset_save(p1);
  kxset_destroy(p1);
  EXPECT_EQ(shared->refcount(), 1);
  EXPECT_FALSE(KxAtom::find("shared-subtree-marker").is_zero());
  kxset_save(p2);
  kxset_destroy(p2);
  EXPECT_TRUE(KxAtom::find("shared-subtree-marker").is_zero());
  (void)destroyed;
}

TEST(KxSet, ChangesClimbToObserversButPrivateNamesStaySilent) {
  KxSetRef root(kxset::make("root"));
  kxset *mid = kxset::make("mid");
  kxset *leafset = kxset::make("leaf");
  root->append("mid", mid);
  mid->append("leaf", leafset);

  int calls = 0;
  root->attach(kxcallback(&bump, &calls));
  EXPECT_EQ(calls, 0);

  leafset->set("comments", kxset::make("hello"));
  EXPECT_EQ(calls, 1);
  leafset->set("_popup", kxset::make("window"));
  EXPECT_EQ(calls, 1);
  // The same value again still reports.
  leafset->set("comments", leafset->get("comments"));
  EXPECT_EQ(calls, 2);
  // A set added below after observation started reports too.
  kxset *late = kxset::make("late");
  mid->append("late", late);
  EXPECT_EQ(calls, 3);
  late->append("x", kxset::make("y"));
  EXPECT_EQ(calls, 4);
  // A value that was replaced no longer reports to its old parent.
  kxset *old = mid->get("leaf");
  KxSetRef keep(old);
  mid->set("leaf", kxset::make("newleaf"));
  EXPECT_EQ(calls, 5);
  old->set("comments", kxset::make("unheard"));
  EXPECT_EQ(calls, 5);
}

TEST(KxSet, BusyCallbackIsNotReentered) {
  struct Ctx {
    kxset *set;
    int calls = 0;
  };
  KxSetRef s(kxset::make("s"));
  Ctx ctx{s.get()};
  s->attach(kxcallback(
      [](void *arg, int) {
        auto *c = static_cast<Ctx *>(arg);
        ++c->calls;
        c->set->set("comments", kxset::make("changed by observer"));
      },
      &ctx));
  s->set("color", kxset::make("red"));
  EXPECT_EQ(ctx.calls, 1);
}

TEST(KxSet, ObserverMayReleaseTheSetItWatches) {
  kxset *s = kxset::make("s");
  kxset_save(s);
  int calls = 0;
  s->attach(kxcallback([&] {
    ++calls;
    kxset_destroy(s);
  }));
  s->append("a", kxset::make("b")); // the observer drops the last count
  EXPECT_EQ(calls, 1);               // the sanitizers check the memory
}

TEST(KxSet, CopyDepths) {
  KxSetRef src(kxset::make("src"));
  kxset *child = kxset::make("child");
  child->append("v", kxset::make("1"));
  src->append("c", child);

  KxSetRef shallow(kxsetcopy(src.get(), 0));
  EXPECT_EQ(shallow->get("c"), child);
  child->set("v", kxset::make("2"));
  EXPECT_STREQ(shallow->get("c")->get("v")->getname(), "2");

  KxSetRef one(kxsetcopy(src.get(), 1, "renamed"));
  EXPECT_STREQ(one->getname(), "renamed");
  EXPECT_NE(one->get("c"), child);
  EXPECT_EQ(one->get("c")->get("v"), child->get("v"));

  KxSetRef deep(kxsetcopy(src.get(), -1));
  EXPECT_NE(deep->get("c"), child);
  EXPECT_NE(deep->get("c")->get("v"), child->get("v"));
  EXPECT_STREQ(deep->get("c")->get("v")->getname(), "2");
}

TEST(KxSet, SetobjReplacesMemberWithSameName) {
  KxSetRef list(kxset::make("list"));
  kxset *a = kxset::make("alpha");
  EXPECT_EQ(list->setobj(a), 1);
  EXPECT_EQ(list->setobj(kxset::make("beta")), 1);
  kxset *a2 = kxset::make("alpha");
  EXPECT_EQ(list->setobj(a2), 0);
  EXPECT_EQ(list->getnattr(), 2);
  EXPECT_EQ(list->get(0), a2);
  EXPECT_TRUE(list->getattrnamea(0).is_null());
}

TEST(KxSet, LargeSetsFindFirstOfNameThroughIndex) {
  KxSetRef table(kxset::make("table"));
  for (int i = 0; i < 1000; ++i) table->append("obj" + std::to_string(i), kxset::make(std::to_string(i)));
  table->append("obj7", kxset::make("second"));
  EXPECT_STREQ(table->get("obj7")->getname(), "7");
  EXPECT_STREQ(table->get("obj999")->getname(), "999");
  EXPECT_EQ(table->remove("obj7"), 0);
  EXPECT_STREQ(table->get("obj7")->getname(), "second");
  EXPECT_EQ(table->index_of("obj8"), 7);
  EXPECT_EQ(table->get("missing"), nullptr);
}

TEST(KxSetIterator, HasFilterKeepsOnlyValuesWithThatAttribute) {
  KxSetRef s(kxset::make("s"));
  kxset *with = kxset::make("with");
  with->append("type", kxset::make("host"));
  s->append("x", kxset::make("without"));
  s->append("y", with);
  kxset_iterator it(s.get(), KxAtom(), "type");
  EXPECT_EQ(it.next(), with);
  EXPECT_STREQ(it.name(), "y");
  EXPECT_EQ(it.next(), nullptr);
}

TEST(KxList, InsertionPositions) {
  kxlist<int> l;
  EXPECT_EQ(l.insert(1, 1), -1); // empty list takes only position 0
  EXPECT_EQ(l.insert(1, 0), 0);
  l.append(2);
  l.append(3);
  EXPECT_EQ(l.insert(9, 4), -1);
  EXPECT_EQ(l.insert(4, 3), 0); // position == count appends
  EXPECT_EQ(l.insert(0, 0), 0);
  std::vector<int> got;
  for (size_t i = 0; l.find(i); ++i) got.push_back(*l.find(i));
  EXPECT_EQ(got, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(l.remove(10), 0);
  EXPECT_EQ(l.remove_if([](int v) { return v == 7; }), -1);
  l.clear();
  EXPECT_EQ(l.remove(0), -1);
}

} // namespace

namespace {

// One value shared by more holders than a 16-bit count could hold (a common
// leaf of a large database) stays alive until the last holder lets go.
TEST(KxSet, ValueSharedByVeryManyParentsSurvives) {
  kxset *shared = kxset::make("shared-by-many-marker");
  std::vector<KxSetRef> parents;
  for (int i = 0; i < 70000; ++i) {
    parents.emplace_back(kxset::make("p"));
    parents.back()->append("v", shared);
  }
  EXPECT_EQ(shared->refcount(), 70000);
  parents.resize(1);
  EXPECT_EQ(shared->refcount(), 1);
  EXPECT_FALSE(KxAtom::find("shared-by-many-marker").is_zero());
  parents.clear();
  EXPECT_TRUE(KxAtom::find("shared-by-many-marker").is_zero());
}

// An observer that detaches another observer of the same set during the
// walk: the detached one is not called.
TEST(KxSet, ObserverDetachedDuringTheWalkIsSkipped) {
  KxSetRef s(kxset::make("s"));
  int second_calls = 0;
  int second_id = 0;
  s->attach(kxcallback([&] { s->detach(second_id); }));
  second_id = s->attach(kxcallback([&] { ++second_calls; }));
  s->append("a", kxset::make("b"));
  EXPECT_EQ(second_calls, 0);
  EXPECT_EQ(s->getnclient(), 1);
}

} // namespace
