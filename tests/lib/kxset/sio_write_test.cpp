#include "kxset/sio.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

kxset *leaf(const char *name) { return kxset::make(name); }

std::string write_text(const kxset *s, const kxset *dict = nullptr) {
  std::string out;
  EXPECT_EQ(sio_swrite(out, s, dict), 0);
  return out;
}

kxset *host(const char *name, const char *type, const char *ip) {
  return kxset::make(name, {{"type", leaf(type)}, {"ipaddr", leaf(ip)}, {"location", leaf("internal")}});
}

// The objects database of the format's documentation, built in memory.
kxset *example_objects() {
  kxset *gate = host("gate", "gateway", "192.168.10.1");
  gate->append("firewall", leaf("installed"));
  gate->append("comments", leaf("main gate"));
  kxset *mail = host("mail", "host", "192.168.10.2");
  kxset *servers = kxset::make("servers", {{"type", leaf("group")}, {"", gate}, {"", mail}});
  kxset *netobj = kxset::make("", {{"", gate}, {"", mail}, {"", servers}});
  return kxset::make("objects", {{"netobj", netobj}});
}

const char *const kExample = R"((objects
	:netobj (
		: (gate
			:type (gateway)
			:ipaddr (192.168.10.1)
			:location (internal)
			:firewall (installed)
			:comments ("main gate")
		)
		: (mail
			:type (host)
			:ipaddr (192.168.10.2)
			:location (internal)
		)
		: (servers
			:type (group)
			: gate
			: mail
		)
	)
)
)";

TEST(SioWrite, ExampleLayoutAndReadBackWithSharing) {
  KxSetRef objects = example_objects();
  EXPECT_EQ(write_text(objects.get()), kExample);

  KxSetRef back = sio_sread(kExample);
  ASSERT_TRUE(back);
  kxset *netobj = back->get("netobj");
  ASSERT_TRUE(netobj);
  ASSERT_EQ(netobj->getnattr(), 3);
  kxset *servers = netobj->get(2);
  EXPECT_EQ(servers->get(1), netobj->get(0));
  EXPECT_EQ(servers->get(2), netobj->get(1));
  EXPECT_NE(netobj->get(0)->get("location"), netobj->get(1)->get("location"));
  EXPECT_EQ(write_text(back.get()), kExample);
}

TEST(SioWrite, NameQuoting) {
  const struct {
    const char *name;
    const char *text;
  } cases[] = {
      {"Az09._-@!", "(Az09._-@!)\n"},
      {"a b", "(\"a b\")\n"},
      {"say \"hi\"", "(\"say 'hi'\")\n"},
      {"a(b)", "(\"a(b)\")\n"},
      {"#x", "(\"#x\")\n"},
      {"caf\xc3\xa9", "(\"caf\xc3\xa9\")\n"},
      {"", "()\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    KxSetRef s = leaf(c.name);
    EXPECT_EQ(write_text(s.get()), c.text);
  }
}

TEST(SioWrite, QuotedNamesRoundTrip) {
  KxSetRef s = kxset::make("a b", {{"c d", leaf("e\tf")}, {"x\"y", leaf("1 2")}});
  std::string text = write_text(s.get());
  EXPECT_EQ(text, "(\"a b\"\n\t:\"c d\" (\"e\tf\")\n\t:\"x'y\" (\"1 2\")\n)\n");
  KxSetRef back = sio_sread(text.c_str());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->getnamea().str(), "a b");
  EXPECT_EQ(back->getattrnamea(0).str(), "c d");
  EXPECT_EQ(back->get(0)->getnamea().str(), "e\tf");
  EXPECT_EQ(back->getattrnamea(1).str(), "x'y");
}

TEST(SioWrite, PrivateAttributesAreNotWritten) {
  KxSetRef only = kxset::make("a", {{"_popup", leaf("w1")}});
  EXPECT_EQ(write_text(only.get()), "(a\n)\n");
  KxSetRef nested = kxset::make("a", {{"_parent", leaf("p")}, {"b", kxset::make("c", {{"_x", leaf("y")}})}});
  EXPECT_EQ(write_text(nested.get()), "(a\n\t:b (c\n\t)\n)\n");
}

TEST(SioWrite, EqualLeavesAreWrittenOnceAndReadBackShared) {
  KxSetRef s = kxset::make("net", {{"a", leaf("10.0.0.0")}, {"b", leaf("10.0.0.0")}});
  ASSERT_NE(s->get(0), s->get(1));
  std::string text = write_text(s.get());
  EXPECT_EQ(text, "(net\n\t:a (10.0.0.0)\n\t:b 10.0.0.0\n)\n");
  KxSetRef back = sio_sread(text.c_str());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->get(0), back->get(1));
}

TEST(SioWrite, SameNameInScopeHidesADifferentSet) {
  KxSetRef s = kxset::make("a", {{"p", kxset::make("x", {{"n", leaf("1")}})},
                                 {"q", kxset::make("x", {{"n", leaf("2")}})},
                                 {"r", kxset::make("s", {{"t", kxset::make("x", {{"n", leaf("3")}})}})}});
  EXPECT_EQ(write_text(s.get()), "(a\n\t:p (x\n\t\t:n (1)\n\t)\n\t:q x\n\t:r (s\n\t\t:t x\n\t)\n)\n");
}

TEST(SioWrite, DictionaryMembersAreWrittenByName) {
  KxSetRef gate = leaf("gate");
  KxSetRef dict = kxset::make("objects", {{"netobj", kxset::make("", {{"", gate.get()}})}});
  KxSetRef rule = kxset::make("rule", {{"src", kxset::make("", {{"", gate.get()}})}});
  EXPECT_EQ(write_text(rule.get(), dict.get()), "(rule\n\t:src (\n\t\t: gate\n\t)\n)\n");
  EXPECT_EQ(write_text(rule.get()), "(rule\n\t:src (\n\t\t: (gate)\n\t)\n)\n");
  EXPECT_EQ(write_text(gate.get(), dict.get()), "gate\n");
  // Another set of that name at the top keeps its contents: the bare name
  // would read back as the dictionary's set.
  KxSetRef other = kxset::make("gate", {{"rule", leaf("r1")}});
  EXPECT_EQ(write_text(other.get(), dict.get()), "(gate\n\t:rule (r1)\n)\n");
}

TEST(SioWrite, StringBuffers) {
  KxSetRef s = kxset::make("a", {{"b", leaf("c")}});
  const std::string text = "(a\n\t:b (c)\n)\n";
  std::string buf(64, '#');
  int exact = static_cast<int>(text.size()) + 1;
  EXPECT_EQ(sio_swrite(buf.data(), exact, s.get()), buf.data());
  EXPECT_EQ(std::string(buf.c_str()), text);
  EXPECT_EQ(sio_swrite(buf.data(), exact - 1, s.get()), nullptr);
  EXPECT_EQ(sio_swrite(buf.data(), 0, s.get()), buf.data());
  EXPECT_EQ(std::string(buf.c_str()), text);

  char *own = sio_swrite(nullptr, 0, s.get());
  ASSERT_TRUE(own);
  EXPECT_EQ(std::string(own), text);
  KxSetRef big = kxset::make("big");
  for (int i = 0; i < 500; ++i) big->append("attribute", leaf("value"));
  own = sio_swrite(nullptr, 0, big.get());
  ASSERT_TRUE(own);
  EXPECT_EQ(std::string(own), write_text(big.get()));
}

TEST(SioWrite, NestingLimit) {
  auto chain = [](int n) {
    kxset *s = leaf("s");
    for (int i = 1; i < n; ++i) s = kxset::make("", {{"a", s}});
    return KxSetRef(s);
  };
  std::string out;
  EXPECT_EQ(sio_swrite(out, chain(63).get()), 0);
  EXPECT_EQ(sio_swrite(out, chain(64).get()), -1);
}

// A name in scope stands for the set defined under it; where that set is
// taller than the one in the tree, the text would be too deep to read back.
TEST(SioWrite, ReferencesKeepTheDepthLimit) {
  std::string text = "(a :p (x";
  for (int i = 0; i < 40; ++i) text += " :c (c";
  text += std::string(41, ')') + " :q (r";
  for (int i = 0; i < 25; ++i) text += " :d (d";
  KxSetRef shallow = sio_sread((text + " :v (y)" + std::string(27, ')')).c_str());
  KxSetRef deep = sio_sread((text + " :v (x)" + std::string(27, ')')).c_str());
  ASSERT_TRUE(shallow && deep);
  std::string out;
  EXPECT_EQ(sio_swrite(out, shallow.get()), 0);
  EXPECT_EQ(sio_swrite(out, deep.get()), -1);
  EXPECT_EQ(sio_errno(), SIO_SYNTAX);
  EXPECT_EQ(sio_messages(), "ERROR: Nesting too deep at <x>: Syntax Error\n");
}

TEST(SioWrite, WriteErrorsAreReported) {
  KxSetRef s = leaf("a");
  FILE *full = std::fopen("/dev/full", "w");
  ASSERT_TRUE(full);
  EXPECT_EQ(sio_write(full, s.get()), -1);
  std::fclose(full);
  EXPECT_EQ(sio_write(stdout, nullptr), -1);
}

} // namespace
