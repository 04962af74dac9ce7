#include "kxskey/skey.h"

#include <gtest/gtest.h>

namespace {

struct Vector {
  const char *secret, *seed;
  int count;
  const char *hex, *words;
};

// The MD4 test vectors of RFC 2289, appendix C.
const Vector rfc2289_md4[] = {
    {"This is a test.", "TeSt", 0, "D1854218EBBB0B51", "ROME MUG FRED SCAN LIVE LACE"},
    {"This is a test.", "TeSt", 1, "63473EF01CD0B444", "CARD SAD MINI RYE COL KIN"},
    {"This is a test.", "TeSt", 99, "C5E612776E6C237A", "NOTE OUT IBIS SINK NAVE MODE"},
    {"AbCdEfGhIjK", "alpha1", 0, "50076F47EB1ADE4E", "AWAY SEN ROOK SALT LICE MAP"},
    {"AbCdEfGhIjK", "alpha1", 1, "65D20D1949B5F7AB", "CHEW GRIM WU HANG BUCK SAID"},
    {"AbCdEfGhIjK", "alpha1", 99, "D150C82CCE6F62D1", "ROIL FREE COG HUNK WAIT COCA"},
    {"OTP's are good", "correct", 0, "849C79D4F6F55388", "FOOL STEM DONE TOOL BECK NILE"},
    {"OTP's are good", "correct", 1, "8C0992FB250847B1", "GIST AMOS MOOT AIDS FOOD SEEM"},
    {"OTP's are good", "correct", 99, "3F3BF4B4145FD74B", "TAG SLOW NOV MIN WOOL KENO"},
};

TEST(Skey, Rfc2289Md4VectorsInBothForms) {
  for (const auto &v : rfc2289_md4) {
    SCOPED_TRACE(std::string(v.seed) + " " + std::to_string(v.count));
    SkeyKey key = skey_steps(skey_keycrunch(v.seed, v.secret), v.count);
    EXPECT_EQ(skey_to_hex(key), v.hex);
    EXPECT_EQ(skey_to_words(key), v.words);
    EXPECT_EQ(skey_make_passwd(v.secret, v.seed, v.count), v.hex);

    SkeyKey from_words{}, from_hex{};
    ASSERT_TRUE(skey_parse_words(v.words, from_words));
    ASSERT_TRUE(skey_parse(v.hex, from_hex));
    EXPECT_EQ(from_words, key);
    EXPECT_EQ(from_hex, key);
  }
}

TEST(Skey, ParsingAcceptsCaseAndBlanksRefusesTheRest) {
  SkeyKey key{};
  EXPECT_TRUE(skey_parse("d185 4218 ebbb 0b51", key));
  EXPECT_EQ(skey_to_hex(key), "D1854218EBBB0B51");
  EXPECT_TRUE(skey_parse("rome mug fred scan live lace", key));
  EXPECT_EQ(skey_to_hex(key), "D1854218EBBB0B51");

  const char *bad[] = {"",
                       "D1854218EBBB0B5",                   // 15 digits
                       "D1854218EBBB0B511",                 // 17 digits
                       "D1854218EBBB0B5G",                  // not hexadecimal
                       "ROME MUG FRED SCAN LIVE",           // five words
                       "ROME MUG FRED SCAN LIVE LACE LACE", // seven words
                       "ROME MUG FRED SCAN LIVE LIE",       // wrong checksum
                       "ROME MUG FRED SCAN LIVE XYZZY",     // not in the dictionary
                       "ROME MUG FRED SCAN LIVE LACE1"};
  for (const char *text : bad) {
    SkeyKey untouched{};
    EXPECT_FALSE(skey_parse(text, untouched)) << text;
  }
  std::string huge(10000, 'A');
  EXPECT_FALSE(skey_parse(huge, key));
}

TEST(Skey, VerifierAcceptsOnlyThePreviousPassword) {
  std::string stored = skey_make_passwd("secret", "127.0.0.1", 10);
  EXPECT_TRUE(skey_verify(skey_make_passwd("secret", "127.0.0.1", 9), stored));
  SkeyKey k;
  ASSERT_TRUE(skey_parse(skey_make_passwd("secret", "127.0.0.1", 9), k));
  EXPECT_TRUE(skey_verify(skey_to_words(k), stored));
  EXPECT_FALSE(skey_verify(skey_make_passwd("secret", "127.0.0.1", 8), stored));
  EXPECT_FALSE(skey_verify(skey_make_passwd("secret", "127.0.0.1", 10), stored));
  EXPECT_FALSE(skey_verify(skey_make_passwd("other", "127.0.0.1", 9), stored));
  EXPECT_FALSE(skey_verify("garbage", stored));
}

TEST(Skey, RandomSecretsArePrintableAndDiffer) {
  std::string a = skey_make_key(), b = skey_make_key();
  EXPECT_EQ(a.size(), 16u);
  EXPECT_NE(a, b);
  for (char c : a)
    EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)));
}

} // namespace
