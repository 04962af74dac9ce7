#include "kxset/sio.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string write_text(const kxset *s, const kxset *dict = nullptr) {
  std::string out;
  EXPECT_EQ(sio_swrite(out, s, dict), 0);
  return out;
}

// Reads `text`, and gives back its canonical text ("" for no set) while
// freeing the tree.
std::string reread(const std::string &text) {
  KxSetRef s = sio_sreadn(text.data(), text.size());
  return s ? write_text(s.get()) : std::string();
}

class SioRead : public ::testing::Test {
protected:
  void SetUp() override {
    sio_noscope_set(0);
    sio_setfile(nullptr);
  }
  void TearDown() override {
    sio_noscope_set(0);
    sio_setfile(nullptr);
  }
};

struct Case {
  const char *name;
  std::string in;
  std::string out; // canonical text of the result, "" for none
  int err;
  std::string msg; // the joined messages
};

TEST_F(SioRead, GrammarCornersAndMessages) {
  const std::string long_name(SIO_MAX_NAME, 'n');
  const Case cases[] = {
      {"empty", "", "", 0, ""},
      {"only comments", "  # one\n\n\t# two", "", 0, ""},
      {"bare set", "(a)", "(a)\n", 0, ""},
      {"unnamed set", "()", "()\n", 0, ""},
      {"trailing text is not read", "(a) (b", "(a)\n", 0, ""},
      {"layout is free", "(a\t:b\n\n   (c)  # note\n# more\n :d (e))", "(a\n\t:b (c)\n\t:d (e)\n)\n", 0, ""},
      {"anonymous after blank or newline", "(a : (b) :\n(c))", "(a\n\t: (b)\n\t: (c)\n)\n", 0, ""},
      {"hash inside a name is no comment", "(a#b :c# (d#))", "(\"a#b\"\n\t:\"c#\" (\"d#\")\n)\n", 0, ""},
      {"quoted names keep blanks and newlines", "(\"a b\" :\"c\nd\" (\"\"))",
       "(\"a b\"\n\t:\"c\nd\" ()\n)\n", 0, ""},
      {"quoted name ends where the quote does", "(a :b (\"x y\"z))", "", 2,
       "ERROR: Bad format at name <z>: Syntax Error\n"},
      {"longest name", "(" + long_name + ")", "(" + long_name + ")\n", 0, ""},
      {"name too long", "(" + long_name + "n)", "", 6, "ERROR: Cannot get name: Name Too Long\n"},
      {"quoted name too long", "(\"" + long_name + "n\")", "", 6,
       "ERROR: Cannot get name: Name Too Long\n"},
      {"token without colon", "( a)", "", 2, "ERROR: Bad format at name <a>: Syntax Error\n"},
      {"set where an attribute belongs", "(a (b))", "", 2, "ERROR: Bad format at name <b>: Syntax Error\n"},
      {"unknown name", "(a :x y)", "", 4, "ERROR: Cannot use <a::y>: Not in Scope\n"},
      {"unknown name at the top", "y", "", 4, "ERROR: Cannot use <::y>: Not in Scope\n"},
      {"end after attribute name", "(a :b", "", 1, "ERROR: Cannot get name: Unexpected EOF\n"},
      {"end inside a set", "(a :b (c)", "", 1, "ERROR: Cannot get attribute name: Unexpected EOF\n"},
      {"end inside quotes", "(a :b \"c", "", 1, "ERROR: Cannot get name: Unexpected EOF\n"},
      {"empty reference", "(a :b )", "", 4, "ERROR: Cannot use <a::>: Not in Scope\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(reread(c.in), c.out);
    EXPECT_EQ(sio_errno(), c.err);
    EXPECT_EQ(sio_messages(), c.msg);
    EXPECT_EQ(sio_errors() == nullptr, c.msg.empty());
  }
}

TEST_F(SioRead, NulEndsAStringButNotAFile) {
  const char text[] = "(a\0b)";
  EXPECT_EQ(reread(std::string(text, sizeof text - 1)), "");
  EXPECT_EQ(sio_errno(), 1);

  kxtest::TempDir dir;
  FILE *f = std::fopen(dir.write("nul.C", std::string(text, sizeof text - 1)).c_str(), "r");
  ASSERT_TRUE(f);
  KxSetRef s = sio_read(f);
  std::fclose(f);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->getnamea().view(), std::string_view("a\0b", 3));
}

// Which definitions a bare name can reach.
TEST_F(SioRead, ScopeRules) {
  const Case cases[] = {
      {"sibling leaf is shared", "(a :p (x) :q x)", "(a\n\t:p (x)\n\t:q x\n)\n", 0, ""},
      {"visible deeper", "(a :p (x) :q (r :s x))", "(a\n\t:p (x)\n\t:q (r\n\t\t:s x\n\t)\n)\n", 0, ""},
      {"dies with its level", "(a :p (q :r (x)) :s x)", "", 4, "ERROR: Cannot use <a::x>: Not in Scope\n"},
      {"dies when the level is pushed again", "(a :p (q :r (x)) :s (t :u x))", "", 4,
       "ERROR: Cannot use <t::x>: Not in Scope\n"},
      {"a set is not in its own scope", "(a :p (x :q x))", "", 4, "ERROR: Cannot use <x::x>: Not in Scope\n"},
      {"newest definition wins", "(a :p (x :n (1)) :q (x :n (2)) :r x)",
       "(a\n\t:p (x\n\t\t:n (1)\n\t)\n\t:q x\n\t:r x\n)\n", 0, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(reread(c.in), c.out);
    EXPECT_EQ(sio_errno(), c.err);
    EXPECT_EQ(sio_messages(), c.msg);
  }
}

TEST_F(SioRead, ReferencesAreTheSameSet) {
  KxSetRef s = sio_sread("(a :p (10.0.0.0) :q 10.0.0.0 :r (g :m 10.0.0.0))");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->get(0), s->get(1));
  EXPECT_EQ(s->get(2)->get(0), s->get(0));
  EXPECT_EQ(s->get(0)->refcount(), 3);
  EXPECT_EQ(s->refcount(), 1); // only ours: a new set comes back with count 0
}

TEST_F(SioRead, NewestOfTwoEqualNamesIsReferenced) {
  KxSetRef s = sio_sread("(a :p (x :n (1)) :q (x :n (2)) :r x)");
  ASSERT_TRUE(s);
  EXPECT_NE(s->get(0), s->get(1));
  EXPECT_EQ(s->get(2), s->get(1));
}

// Levels holding many definitions are searched through an index: the rules
// must hold there too, also when indexed definitions shadow others and die.
TEST_F(SioRead, ScopeRulesHoldAtLevelsWithManyNames) {
  auto names = [](const char *prefix, int n) {
    std::string t;
    for (int i = 0; i < n; ++i) t += " :p (" + std::string(prefix) + std::to_string(i) + ")";
    return t;
  };
  // a: n0..n39, then x; g redefines x, adds 40 names so that its x is
  // indexed too, refers to both levels, and dies; then x is a's again, and
  // g's names are gone.
  std::string text = "(a" + names("n", 40) + " :q (x :n (1)) :r (g :m n5 :m x :s (x :n (2))" + names("m", 40) +
                     " :t x :u n39 :v m3) :v x :w n0)";
  KxSetRef s = sio_sreadn(text.data(), text.size());
  ASSERT_TRUE(s) << sio_messages();
  const kxset *outer_x = s->get(40), *g = s->get(41);
  ASSERT_EQ(g->getnattr(), 2 + 1 + 40 + 3);
  EXPECT_EQ(g->get(0), s->get(5));
  EXPECT_EQ(g->get(1), outer_x);
  const kxset *inner_x = g->get(2);
  EXPECT_NE(inner_x, outer_x);
  EXPECT_EQ(g->get(43), inner_x);
  EXPECT_EQ(g->get(44), s->get(39));
  EXPECT_EQ(g->get(45), g->get(3 + 3));
  EXPECT_EQ(s->get(42), outer_x);
  EXPECT_EQ(s->get(43), s->get(0));

  std::string dead = "(a" + names("n", 40) + " :r (g" + names("m", 40) + " :u m1) :v m1)";
  EXPECT_FALSE(KxSetRef(sio_sreadn(dead.data(), dead.size())));
  EXPECT_EQ(sio_messages(), "ERROR: Cannot use <a::m1>: Not in Scope\n");
}

TEST_F(SioRead, NestingLimit) {
  auto nested = [](int n) {
    std::string t;
    for (int i = 0; i < n; ++i) t += i ? " :a (s" : "(s";
    return t + std::string(n, ')');
  };
  KxSetRef ok = sio_sread(nested(63).c_str());
  EXPECT_TRUE(ok);
  EXPECT_EQ(sio_errno(), 0);
  EXPECT_FALSE(sio_sread(nested(64).c_str()));
  EXPECT_EQ(sio_messages(), "ERROR: Nesting too deep at <s>: Syntax Error\n");
  // Far deeper input fails the same way without exhausting anything.
  EXPECT_FALSE(sio_sread(nested(200000).c_str()));
  EXPECT_EQ(sio_errno(), 2);
}

// References count with the height of what they refer to: a chain of them
// cannot build a tree deeper than a text could nest.
TEST_F(SioRead, NestingLimitCountsReferencedSubtrees) {
  auto text = [](int inner) {
    std::string t = "(t :a (s0";
    for (int i = 0; i < 29; ++i) t += " :b (c";
    t += std::string(30, ')') + " :a (s1"; // s0 is 30 high
    for (int i = 0; i < inner; ++i) t += " :d (d";
    return t + " :z s0" + std::string(inner + 2, ')');
  };
  KxSetRef ok = sio_sread(text(31).c_str()); // 2 + 31 + 30 = 63 levels
  EXPECT_TRUE(ok);
  EXPECT_EQ(sio_errno(), 0);
  EXPECT_FALSE(sio_sread(text(32).c_str()));
  EXPECT_EQ(sio_messages(), "ERROR: Nesting too deep at <s0>: Syntax Error\n");

  std::string chains = "(t";
  for (int k = 0; k < 40; ++k) {
    chains += " :a (s" + std::to_string(k);
    for (int i = 0; i < 20; ++i) chains += " :b (c";
    if (k) chains += " :z s" + std::to_string(k - 1);
    chains += std::string(21, ')');
  }
  EXPECT_FALSE(sio_sread((chains + ")").c_str()));
  EXPECT_EQ(sio_errno(), 2);
}

TEST_F(SioRead, MessagesNameFileAndLine) {
  sio_setfile("objects.C");
  std::string text = "(objects\n";
  for (int i = 2; i < 12; ++i) text += "\t:t" + std::to_string(i) + " (v) # line\n";
  text += "\t:bad nowhere\n)\n";
  EXPECT_FALSE(sio_sread(text.c_str()));
  EXPECT_EQ(sio_messages(),
            "\"objects.C\", line 12: ERROR: Cannot use <objects::nowhere>: Not in Scope\n");
}

// Lines are the newlines between tokens: blank lines and comments count,
// a newline inside a quoted name is part of the name.
TEST_F(SioRead, MessageLinesCountNewlinesBetweenTokens) {
  struct Case {
    const char *text, *message;
  } cases[] = {
      {"(a\n\n# note (x :y\n\t:b nowhere\n)", "line 4: ERROR: Cannot use <a::nowhere>: Not in Scope\n"},
      {"(a\n\t:x (\"two\nlines\")\n\t:b nowhere\n)", "line 3: ERROR: Cannot use <a::nowhere>: Not in Scope\n"},
      {"(a\n\t:b (c)\n\n\n", "line 5: ERROR: Cannot get attribute name: Unexpected EOF\n"},
      {"\n\n\t(a :b (c) \"x\ny", "line 3: ERROR: Cannot get name: Unexpected EOF\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    sio_setfile("f.C");
    EXPECT_FALSE(sio_sread(c.text));
    EXPECT_EQ(sio_messages(), std::string("\"f.C\", ") + c.message);
  }
}

TEST_F(SioRead, FileReadsContinueAfterTheSet) {
  kxtest::TempDir dir;
  FILE *f = std::fopen(dir.write("two.C", "(a)\n(b\n\t:c (d)\n)\n\n(e :f\n").c_str(), "r");
  ASSERT_TRUE(f);
  sio_setfile("two.C");
  KxSetRef a = sio_read(f);
  KxSetRef b = sio_read(f);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(write_text(a.get()), "(a)\n");
  EXPECT_EQ(write_text(b.get()), "(b\n\t:c (d)\n)\n");
  EXPECT_FALSE(sio_read(f));
  EXPECT_EQ(sio_messages(), "\"two.C\", line 7: ERROR: Cannot get name: Unexpected EOF\n");
  EXPECT_FALSE(sio_read(f));
  EXPECT_EQ(sio_errno(), 0);
  std::fclose(f);
}

TEST_F(SioRead, UnknownNamesToleratedAndRecordedOnce) {
  sio_setfile("x.C");
  sio_noscope_set(1);
  KxSetRef s = sio_sread("(a :x y :z y :w (k) :v q)");
  ASSERT_TRUE(s);
  EXPECT_EQ(write_text(s.get()), "(a\n\t:w (k)\n)\n");
  EXPECT_EQ(sio_errno(), 0);
  EXPECT_EQ(sio_messages(), "y\nq\n"); // no file prefix: the handler cleared it
  const char *const *list = sio_errors();
  ASSERT_TRUE(list);
  EXPECT_STREQ(list[0], "y\n");
  EXPECT_STREQ(list[1], "q\n");
  EXPECT_EQ(list[2], nullptr);

  // The name of a dropped attribute, used again later in the same read (a
  // name nothing else holds).
  KxAtom unused = KxAtom::find("seen-once-then-again");
  ASSERT_TRUE(unused.is_zero());
  KxSetRef again = sio_sread("(a :seen-once-then-again y :b (c :seen-once-then-again (k)))");
  ASSERT_TRUE(again);
  EXPECT_EQ(write_text(again.get()), "(a\n\t:b (c\n\t\t:seen-once-then-again (k)\n\t)\n)\n");

  sio_noscope_set(0);
  EXPECT_FALSE(sio_sread("(a :x y)"));
  EXPECT_EQ(sio_errno(), 4);
}

TEST_F(SioRead, MessageListIsCapped) {
  sio_noscope_set(1);
  std::string text = "(a";
  for (int i = 0; i < 40; ++i) text += " :x u" + std::to_string(i);
  KxSetRef s = sio_sread((text + ")").c_str());
  ASSERT_TRUE(s);
  const char *const *list = sio_errors();
  int n = 0;
  while (list[n]) ++n;
  ASSERT_EQ(n, 32);
  EXPECT_STREQ(list[30], "u30\n");
  EXPECT_STREQ(list[31], "Too many errors...\n");
}

class SioDict : public SioRead {
protected:
  void SetUp() override {
    SioRead::SetUp();
    dict = sio_sread("(objects :netobj ( : (gate :type (gateway)) : (mail) :named (hidden)) "
                     ":services ( : (smtp)))");
    ASSERT_TRUE(dict);
  }
  KxSetRef dict;
  kxset *member(int t, int m) { return dict->get(t)->get(m); }
};

TEST_F(SioDict, MembersAreKnownByName) {
  KxSetRef r = sio_sreadx("(rule :src ( : gate : mail) :services ( : smtp))", dict.get());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->get(0)->get(0), member(0, 0));
  EXPECT_EQ(r->get(0)->get(1), member(0, 1));
  EXPECT_EQ(r->get(1)->get(0), member(1, 0));
  // Only anonymous members are entered.
  EXPECT_FALSE(sio_sreadx("(rule :src hidden)", dict.get()));
  EXPECT_EQ(sio_messages(), "ERROR: Cannot use <rule::hidden>: Not in Scope\n");
  // The scope's base is the dictionary itself.
  EXPECT_FALSE(sio_sreadx("nothing", dict.get()));
  EXPECT_EQ(sio_messages(), "ERROR: Cannot use <objects::nothing>: Not in Scope\n");
}

TEST_F(SioDict, TopLevelNameIsTheMemberItself) {
  kxset *gate = member(0, 0);
  int before = gate->refcount();
  EXPECT_EQ(sio_sreadx("gate", dict.get()), gate);
  EXPECT_EQ(gate->refcount(), before);
}

TEST_F(SioDict, FailedReadSparesDictionaryMembers) {
  kxset *gate = member(0, 0);
  int before = gate->refcount();
  EXPECT_FALSE(sio_sreadx("(rule :src ( : gate : gate) :x nope)", dict.get()));
  EXPECT_EQ(gate->refcount(), before);
  EXPECT_EQ(gate->get(0)->getnamea().str(), "gateway");
}

} // namespace
