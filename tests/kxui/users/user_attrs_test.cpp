#include "kxui/users/kxa.h"
#include "kxui/users/user_attrs.h"
#include "kxskey/skeyfile.h"
#include "kxu/report.h"
#include "support/tempdir.h"
#include "support/reports.h"

#include <gtest/gtest.h>

namespace {

using Notices = kxtest::CollectReports;

TEST(UserAttrs, DatesAndTimes) {
  Notices n;
  kxu::ScopedFrontEnd scope(&n);
  struct Case {
    const char *in, *out; // null out: refused
  } dates[] = {{"29-Feb-96", "29-Feb-1996"}, {"29-Feb-97", nullptr}, {"5/jan/70", "05-Jan-1970"},
               {"1-Jan-2070", nullptr},      {"", "31-Dec-99"},      {"  31-dec-2069", "31-Dec-2069"},
               {"0-Jan-99", nullptr},        {"31-Apr-99", nullptr}, {"1-Foo-99", nullptr},
               {"1-Jan-9", nullptr},         {"1-Jan-1969", nullptr}, {"12-March-05", "12-Mar-2005"}};
  for (auto &c : dates) {
    auto got = check_date(c.in);
    if (c.out) {
      ASSERT_TRUE(got) << c.in;
      EXPECT_EQ(*got, c.out);
    } else {
      EXPECT_FALSE(got) << c.in;
      EXPECT_EQ(n.notices.back(), std::string("Illegal Date Format: '") + c.in +
                                   "'\nDate Format is: 'dd-mmm-yy'");
    }
  }
  Case times[] = {{"24:00", "24:00"}, {"24:01", nullptr}, {"9:5", nullptr},
                  {"9:05", "09:05"},  {" 0:00", "00:00"}, {"25:00", nullptr},
                  {"10:60", nullptr}, {"", nullptr},      {"10:05x", nullptr}};
  for (auto &c : times) {
    auto got = check_time(c.in);
    EXPECT_EQ(got.has_value(), c.out != nullptr) << c.in;
    if (got && c.out) {
      EXPECT_EQ(*got, c.out);
    }
  }
}

TEST(UserAttrs, ChainListingAndRandomSecret) {
  auto chain = skey_chain("TeSt", "This is a test.", 2);
  ASSERT_EQ(chain.size(), 2u);
  EXPECT_EQ(chain[0].hex, "63473EF01CD0B444");
  std::string listing = skey_chain_listing(chain);
  std::string line1 = "  1 CARD SAD MINI RYE COL KIN" + std::string(33 - 25, ' ') + " 63473EF01CD0B444\n";
  EXPECT_EQ(listing.substr(0, 4), "  2 ");
  EXPECT_EQ(listing.substr(listing.size() - line1.size()), line1);
  EXPECT_EQ(skey_chain_length(0), 100);
  EXPECT_EQ(skey_chain_length(300), 256);
  EXPECT_EQ(skey_chain_length(7), 7);
  std::string s = skey_random_secret();
  EXPECT_GE(s.size(), 7u);
  EXPECT_EQ(s.find(' '), std::string::npos);
}

TEST(UserAttrs, CheckSkeyUpdatesTouchesOrRefuses) {
  kxtest::TempDir dir;
  Notices n;
  kxu::ScopedFrontEnd scope(&n);
  SkeyFile file;
  ASSERT_EQ(file.Open("gw.keys", dir.path()), 0);
  KxSetRef user(kxset::make(KxAtom("alice")));
  kxa_put(user.get(), "SKEY_gateway", "gw");
  kxa_put(user.get(), "SKEY_seed", "seed1");
  kxa_put(user.get(), "SKEY_number", "42");
  kxa_put(user.get(), "SKEY_passwd", "rome mug fred scan live lace");
  ASSERT_EQ(check_skey(user.get(), nullptr, "gw", file), 0);
  std::string key;
  int number = 0;
  ASSERT_EQ(file.Get("alice", key, number), 0);
  EXPECT_EQ(key, "D1854218EBBB0B51");
  EXPECT_EQ(number, 42);

  EXPECT_EQ(check_skey(user.get(), nullptr, "other-gw", file), 0); // not this host's
  kxa_put(user.get(), "SKEY_passwd", "nonsense");
  EXPECT_EQ(check_skey(user.get(), nullptr, "gw", file), -1);
  EXPECT_EQ(n.notices.back(), "Illegal S/Key password <nonsense> (user alice)");
  file.clean();
}

} // namespace
