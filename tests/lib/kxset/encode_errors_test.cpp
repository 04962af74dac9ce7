// Refused input: every message of the encoder and the decoder, and buffers
// damaged in every position.
#include "encode_support.h"

using namespace enctest;

namespace {

// A tree of three leaves: OPEN = 0, x = 10, CLOSE = 11.
const std::string kTree = std::string("\2" "\"\1\"" "\1" "\2" "x" "\1" "\"\2\"" "\1");

struct BadBuffer {
  const char *what;
  std::vector<uint8_t> bytes;
  const char *message;
};

std::vector<uint8_t> bytes(const std::string &s) { return {s.begin(), s.end()}; }

std::string nested(int depth) {
  std::string bits;
  for (int i = 0; i < depth; ++i) bits += "0 10 10 "; // OPEN x :x (value ...
  return bits;
}

} // namespace

class DecodeRefuses : public EncodeTest, public ::testing::WithParamInterface<BadBuffer> {};

TEST_P(DecodeRefuses, WithItsMessage) {
  const BadBuffer &b = GetParam();
  EXPECT_EQ(DecodeKxset(b.bytes.data(), b.bytes.size()), nullptr);
  EXPECT_EQ(kxencode_error(), b.message);
  EXPECT_EQ(notices.notices.size(), 1u);
}

const char *const kLength = "DecodeKxSet : buffer length checksum failed";
const char *const kTreeBad = "DecodeKxSet : bad code tree";
const char *const kIllegal = "Illegal token in stream\n";
const char *const kEnd = "DecodeKxSet : unexpected end of data";

INSTANTIATE_TEST_SUITE_P(
    Buffers, DecodeRefuses,
    ::testing::Values(
        BadBuffer{"empty", {}, kLength},
        BadBuffer{"tree without its end", bytes(std::string("\2a\1b", 4)), kLength},
        BadBuffer{"unterminated quote", bytes("\"abc"), kLength},
        BadBuffer{"leaf followed by 2", bytes(std::string("\2a\2b\1\1", 6)), kTreeBad},
        BadBuffer{"quoted leaf followed by text", bytes(std::string("\"a\"b\1", 5)), kTreeBad},
        BadBuffer{"no length", bytes(std::string("a\1\1\0", 4)), kLength},
        BadBuffer{"data shorter than D", bytes(std::string("a\1\2\0\0\0\0", 7)), kLength},
        BadBuffer{"huge D", bytes(std::string("a\1\xff\xff\xff\xff\0", 7)), kLength},
        BadBuffer{"CLOSE as a value", pack(kTree, "11", 1), kIllegal},
        BadBuffer{"OPEN as a set name", pack(kTree, "0 0", 1), kIllegal},
        BadBuffer{"OPEN as attribute name", pack(kTree, "0 10 0", 1), kIllegal},
        BadBuffer{"unknown reference at the top", pack(kTree, "10", 1),
                  "DecodeKxSet:scope error <::x> unfound"},
        BadBuffer{"a set refers to itself", pack(kTree, "0 10 10 10", 1),
                  "DecodeKxSet:scope error <x::x> unfound"},
        BadBuffer{"data ends inside a set", pack(kTree, "0 10 10 0 10"), kEnd},
        BadBuffer{"sixty-four nested sets", pack(kTree, nested(64), 1),
                  "DecodeKxSet : sets nested too deeply"}),
    [](const auto &info) {
      std::string n = info.param.what;
      for (char &c : n)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return n;
    });

TEST_F(EncodeTest, SixtyThreeNestedSetsDecode) {
  std::string bits = nested(62) + "0 10 11"; // the innermost (x)
  for (int i = 0; i < 62; ++i) bits += " 11";
  std::vector<uint8_t> buf = pack(kTree, bits, 1);
  KxSetRef s(DecodeKxset(buf.data(), buf.size()));
  ASSERT_TRUE(s) << kxencode_error();
  EXPECT_EQ(s->getname(), std::string("x"));
}

TEST_F(EncodeTest, EncoderRefusals) {
  // A name that is a reserved token would decode as structure.
  KxSetRef reserved(kxset::make(KxAtom("h"), {{KxAtom(std::string_view("\1", 1)), kxset::make(KxAtom("v"))}}));
  // Nesting beyond the scope's levels.
  KxSetRef deep(kxset::make(KxAtom("d0")));
  kxset *at = deep.get();
  for (int i = 1; i < 64; ++i) {
    kxset *next = kxset::make(KxAtom("d" + std::to_string(i)));
    at->append(KxAtom("n"), next);
    at = next;
  }
  struct {
    const kxset *set;
    const char *message;
  } cases[] = {
      {reserved.get(), "EncodeKxset: the name of the single byte 1 is reserved"},
      {deep.get(), "EncodeKxset: sets nested too deeply"},
      {nullptr, "EncodeKxset: no set to encode"},
  };
  for (const auto &c : cases) {
    size_t len = 99;
    EXPECT_EQ(EncodeKxset(c.set, len), nullptr);
    EXPECT_EQ(len, 0u);
    EXPECT_EQ(kxencode_error(), c.message);
  }
  EXPECT_EQ(notices.notices.size(), 3u);
}

TEST_F(EncodeTest, ShortenedByOneByte) {
  KxSetRef in = parse("(h :a (1) :b (2))");
  std::vector<uint8_t> buf = encode(in.get());
  buf.pop_back();
  EXPECT_EQ(DecodeKxset(buf.data(), buf.size()), nullptr);
  EXPECT_EQ(kxencode_error(), kLength);
}

// Every prefix and every single-byte change of a real buffer either decodes
// or fails with a message; under the sanitizers this also shows that no
// read leaves the buffer and nothing leaks.
TEST_F(EncodeTest, DamagedBuffersFailCleanly) {
  KxSetRef in = parse(R"x((objects :netobj ( : (gate :type (gateway) :ip (10.0.0.1)) : (grp : gate)) :x ("a b")))x");
  std::vector<uint8_t> buf = encode(in.get());
  for (size_t n = 0; n < buf.size(); ++n) {
    // A prefix (kept in its own allocation so that overreads show).
    std::vector<uint8_t> prefix(buf.begin(), buf.begin() + static_cast<long>(n));
    KxSetRef s(DecodeKxset(prefix.data(), prefix.size()));
    EXPECT_FALSE(s) << "prefix of " << n;
    EXPECT_FALSE(kxencode_error().empty());
    for (uint8_t flip : {0x01, 0x80, 0xff}) {
      std::vector<uint8_t> bad = buf;
      bad[n] ^= flip;
      KxSetRef t(DecodeKxset(bad.data(), bad.size()));
      EXPECT_EQ(!t, !kxencode_error().empty());
    }
  }
}
