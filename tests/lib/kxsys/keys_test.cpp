// Scrambling, the key store and filter identities.
#include "kxsys/makeid.h"
#include "kxsys/md4.h"
#include "kxsys/serverkeys.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kxsys;

TEST(Keys, ScramblingIsItsOwnInverseAndHidesTheText) {
  std::string hidden = kxhidestr("abc_1234", 32);
  EXPECT_EQ(hidden.size(), 8u);
  EXPECT_NE(hidden, "abc_1234");
  EXPECT_EQ(kxshowstr(hidden, 32), "abc_1234");
  EXPECT_EQ(kxhidestr("abcdef", 3).size(), 3u);
}

TEST(Keys, StoreReplacesSecretsThroughANewFile) {
  kxtest::TempDir d;
  kxkey_set_dir(d.path());
  EXPECT_FALSE(kxkey_get("10.0.0.1"));
  EXPECT_NE(kxkey_put("secret01", "10.0.0.1", false), 0); // no store, not asked to create
  ASSERT_EQ(kxkey_put("secret01", "10.0.0.1", true), 0);
  ASSERT_EQ(kxkey_put("other_02", "10.0.0.2", false), 0);
  ASSERT_EQ(kxkey_put("secret03", "10.0.0.1", false), 0);
  EXPECT_EQ(kxkey_get("10.0.0.1"), "secret03");
  EXPECT_EQ(kxkey_get("10.0.0.2"), "other_02");
  EXPECT_TRUE(kxkey_init(false));
  kxkey_set_dir(".");
}

TEST(MakeId, Md4KnownAnswers) {
  auto hex = [](const std::string &s) {
    auto h = md4_state(reinterpret_cast<const uint8_t *>(s.data()), s.size());
    std::string out;
    char b[3];
    for (uint32_t w : h)
      for (int i = 0; i < 4; ++i) {
        snprintf(b, sizeof b, "%02x", (w >> (8 * i)) & 255);
        out += b;
      }
    return out;
  };
  EXPECT_EQ(hex(""), "31d6cfe0d16ae931b73c59d7e0c089c0");
  EXPECT_EQ(hex("abc"), "a448017aaf21d8525fc10ae87aa6729d");
  EXPECT_EQ(hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "e33b4ddc9c38f2199c3e7b164fcc0536");
}

TEST(MakeId, FilterIdComesFromTheLogFormatsAfterTheFirstLine) {
  kxid_t a = kx_makeid_text("Standard", std::string("# one\n% format: x 1\n"), -1);
  kxid_t b = kx_makeid_text("Standard", std::string("# two\n% format: x 1\n"), -1);
  EXPECT_EQ(a.filterid, b.filterid);
  EXPECT_EQ(a.name_str(), "Standard");
  EXPECT_NE(a.check, 0);
  kxid_t c = kx_makeid_text(std::string(40, 'n'), std::nullopt, 1234);
  EXPECT_EQ(c.filterid, 1234);
  EXPECT_EQ(c.name_str().size(), 31u);
  uint8_t packed[kKxidSize];
  kxid_pack(c, packed);
  uint8_t x = 0;
  for (int i = 40; i < 48; ++i)
    x ^= packed[i];
  EXPECT_EQ(c.check, x ? x : 1);
}
