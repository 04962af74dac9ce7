// Round trips through the compressed encoding, and the exact buffer layout.
#include "encode_support.h"

#include <algorithm>

using namespace enctest;

namespace {

const char *const kDict = R"x((objects
	:netobj (
		: (gate
			:type (gateway)
			:ipaddr (192.168.10.1)
		)
		: (mail
			:type (host)
		)
	)
	:services (
		: (smtp
			:port (25)
		)
	)
)
)x";

} // namespace

class EncodeRoundTrip : public EncodeTest, public ::testing::WithParamInterface<const char *> {};

TEST_P(EncodeRoundTrip, TextComesBackUnchanged) {
  KxSetRef in = parse(GetParam());
  ASSERT_TRUE(in);
  std::string want = text_of(in.get());
  KxSetRef out = decode(encode(in.get()));
  ASSERT_TRUE(out) << kxencode_error();
  EXPECT_EQ(text_of(out.get()), want);
  EXPECT_EQ(out->refcount(), 1) << "a decoded set is new";
  EXPECT_TRUE(notices.notices.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sets, EncodeRoundTrip,
    ::testing::Values("(a)", "()", "( :x (1) : (2))",
                      R"x((objects
	:netobj (
		: (gate
			:type (gateway)
			:comments ("main gate")
			:location (internal)
		)
		: (mail
			:location (internal)
			:alias (internal)
		)
		: (servers
			:type (group)
			: gate
			: mail
		)
	)
))x",
                      // quoted names, an empty attribute value name, deep-ish nesting
                      R"x(("a b" :"x y" ("(1)") :z ("") :w (a :b (b :c (c :d (d :e (e))))) :v ("tab	here")))x",
                      // names holding the reserved bytes inside longer text
                      "(\"a\1b\" :\"\2c\" (\"x\1\") :n (\"\1\2\"))"));

TEST_F(EncodeTest, SharedLeavesComeBackShared) {
  KxSetRef in = parse("(h :a (10.0.0.0) :b (10.0.0.0) :c (other))");
  KxSetRef out = decode(encode(in.get()));
  ASSERT_TRUE(out);
  EXPECT_EQ(out->get(KxAtom("a")), out->get(KxAtom("b")));
  EXPECT_NE(out->get(KxAtom("a")), out->get(KxAtom("c")));
}

TEST_F(EncodeTest, PrivateAttributesAreLeftOut) {
  KxSetRef in = parse("(h :a (1) :b (2))");
  in->append(KxAtom("_popup"), kxset::make(KxAtom("window")));
  KxSetRef out = decode(encode(in.get()));
  ASSERT_TRUE(out);
  EXPECT_EQ(out->getnattr(), 2);
  EXPECT_EQ(out->get(KxAtom("_popup")), nullptr);
}

TEST_F(EncodeTest, DictionaryMembersTravelAsReferences) {
  KxSetRef dict = parse(kDict);
  kxset *gate = dict->get(KxAtom("netobj"))->get(0);
  kxset *smtp = dict->get(KxAtom("services"))->get(0);
  KxSetRef rule = parse("(rule :src ( : gate : mail) :services ( : smtp))", dict.get());

  std::vector<uint8_t> buf = encode(rule.get(), dict.get());
  std::string bytes(buf.begin(), buf.end());
  EXPECT_EQ(bytes.find("gateway"), std::string::npos) << "members are not repeated";

  KxSetRef out = decode(buf, dict.get());
  ASSERT_TRUE(out);
  EXPECT_EQ(out->get(KxAtom("src"))->get(0), gate);
  EXPECT_EQ(out->get(KxAtom("services"))->get(0), smtp);
  EXPECT_EQ(text_of(out.get(), dict.get()), text_of(rule.get(), dict.get()));

  // Without the dictionary the references cannot be resolved.
  EXPECT_FALSE(decode(buf));
  EXPECT_EQ(kxencode_error(), "DecodeKxSet:scope error <::gate> unfound");
  ASSERT_EQ(notices.notices.size(), 1u);
  EXPECT_EQ(notices.notices[0], "DecodeKxSet:scope error <::gate> unfound");
}

TEST_F(EncodeTest, DictionaryMemberAloneIsOneReferenceToken) {
  KxSetRef dict = parse(kDict);
  kxset *mail = dict->get(KxAtom("netobj"))->get(1);
  std::vector<uint8_t> buf = encode(mail, dict.get());
  // One leaf whose code has no bits: the tree text and its 1, D = 1, and one
  // zero byte of data.
  EXPECT_EQ(buf, (std::vector<uint8_t>{'m', 'a', 'i', 'l', 1, 1, 0, 0, 0, 0}));
  KxSetRef out = decode(buf, dict.get());
  EXPECT_EQ(out.get(), mail);
}

TEST_F(EncodeTest, UnnamedEmptySetLayout) {
  KxSetRef in = parse("()");
  std::vector<uint8_t> buf = encode(in.get());
  // OPEN, the empty name and CLOSE: three leaves (all quoted), two inner
  // nodes, so T = 8 + 4 + 1; codes of one and two bits, 5 bits in all, plus
  // the closing 8 zero bits: D = 2.
  ASSERT_EQ(buf.size(), 13u + 4 + 2);
  std::string tree(buf.begin(), buf.begin() + 13);
  EXPECT_EQ(tree.back(), '\1');
  EXPECT_EQ(std::count(tree.begin(), tree.end(), '\2'), 3) << "two inner nodes and CLOSE";
  EXPECT_EQ(std::vector<uint8_t>(buf.begin() + 13, buf.begin() + 17),
            (std::vector<uint8_t>{2, 0, 0, 0}));
  EXPECT_EQ(buf[18], 0);
  KxSetRef out = decode(buf);
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->getnamea().is_null());
  EXPECT_EQ(out->getnattr(), 0);
}

TEST_F(EncodeTest, VerbosePrintsTheCounts) {
  KxSetRef in = parse("(a :b (c))");
  size_t len = 0;
  testing::internal::CaptureStdout();
  auto buf = EncodeKxset(in.get(), len, true);
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_TRUE(buf);
  // OPEN a b OPEN c CLOSE CLOSE
  EXPECT_EQ(out.substr(0, out.find("encoded")),
            "total tokens are : 7\ntotal unique tokens are : 5\n");
  EXPECT_NE(out.find("encoded tree len is "), std::string::npos);
}

TEST_F(EncodeTest, NamesShareAsInTheTextFormat) {
  // A different set under a name that is still defined travels as a
  // reference to the defined one; a double quote in a name comes back as an
  // apostrophe. Both as the text writer does.
  KxSetRef in(kxset::make(KxAtom("top")));
  in->append(KxAtom("a"), kxset::make(KxAtom("v"), {{KxAtom("k"), kxset::make(KxAtom("1"))}}));
  in->append(KxAtom("b"), kxset::make(KxAtom("v")));
  in->append(KxAtom("c"), kxset::make(KxAtom("say \"hi\"")));
  KxSetRef out = decode(encode(in.get()));
  ASSERT_TRUE(out);
  EXPECT_EQ(out->get(KxAtom("b")), out->get(KxAtom("a")));
  EXPECT_EQ(out->get(KxAtom("c"))->getnamea().str(), "say 'hi'");
  EXPECT_EQ(text_of(out.get()), text_of(in.get()));
}
