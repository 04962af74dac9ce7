#include "kxu/netaddr.h"
#include "kxu/sym.h"

#include "support/tempdir.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace {

uint32_t quad(const char *text) { return ntohl(inet_addr(text)); }

class SymTest : public ::testing::Test {
protected:
  void SetUp() override { sym_reset(); }
  void TearDown() override {
    sym_reset();
    netmasks_path = "/etc/netmasks";
  }
};

TEST(NetAddr, ClassfulMask) {
  struct Case {
    const char *addr, *mask;
  } cases[] = {
      {"10.1.2.3", "255.0.0.0"},       {"127.0.0.1", "255.0.0.0"},
      {"172.16.0.1", "255.255.0.0"},   {"128.0.0.1", "255.255.0.0"},
      {"192.168.1.1", "255.255.255.0"}, {"223.255.255.1", "255.255.255.0"},
      {"224.0.0.5", "224.0.0.5"},      {"240.1.2.3", "240.1.2.3"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(netmask(quad(c.addr)), quad(c.mask)) << c.addr;
}

TEST(NetAddr, NormaliseNetworkNumbers) {
  struct Case {
    uint32_t in, want;
  } cases[] = {{0, 0}, {10, 0x0a000000}, {0xac10, 0xac100000}, {0xc0a801, 0xc0a80100},
               {0x0a000000, 0x0a000000}, {0x01020304, 0x01020304}};
  for (const Case &c : cases)
    EXPECT_EQ(net_normalize(c.in), c.want) << c.in;
}

TEST(NetAddr, DottedText) {
  EXPECT_EQ(ipaddr(htonl(0x7f000001)), "127.0.0.1");
  EXPECT_EQ(ipaddr(0), "0.0.0.0");
  EXPECT_EQ(hostaddr("10.1.2.3"), htonl(0x0a010203));
  EXPECT_EQ(hostaddr(""), 0u);
  EXPECT_EQ(hostaddr(nullptr), 0u);
}

TEST_F(SymTest, HostComparisonAndMembership) {
  sym_add(SYM_HOSTS, "gw", htonl(0x0a000001));
  sym_add(SYM_HOSTS, "gw-alias", htonl(0x0a000001));
  EXPECT_EQ(hostcmp("gw", "gw-alias"), 0);
  EXPECT_EQ(hostcmp("gw", "10.0.0.1"), 0);
  EXPECT_EQ(hostcmp("gw", "10.0.0.2"), 1);
  EXPECT_EQ(hostcmp("x", nullptr), 1);
  EXPECT_EQ(hostcmp(nullptr, nullptr), 1);

  using L = std::vector<std::string>;
  struct Case {
    const char *name;
    L list;
    int want;
  } cases[] = {
      {"all", L{}, 1},           {"all", L{"10.9.9.9"}, 1}, {nullptr, L{}, 1},
      {"gw", L{}, 0},            {"gw", L{"all"}, 1},       {"gw", L{"10.9.9.9", "gw-alias"}, 1},
      {"gw", L{"10.0.0.1"}, 1},  {"gw", L{"10.0.0.2"}, 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(host_in(c.name, c.list), c.want) << (c.name ? c.name : "(null)");
  EXPECT_EQ(host_in("gw", static_cast<const char *const *>(nullptr)), 1);
}

TEST_F(SymTest, SharedNamesAndNumbersMeetTheFirstAdded) {
  sym_add(SYM_NETWORKS, "campus", 10);
  sym_add(SYM_NETWORKS, "lab", 10);
  sym_add(SYM_NETWORKS, "campus", 11);
  long n = 0;
  ASSERT_EQ(getsym("campus", SYM_NETWORKS, &n), 0);
  EXPECT_EQ(n, 10);
  EXPECT_EQ(getname(10, SYM_NETWORKS), "campus");
  EXPECT_EQ(getname(11, SYM_NETWORKS), "campus");
  // The same pair under another type is a different symbol.
  EXPECT_EQ(getsym("campus", SYM_NETMASKS, &n), -1);
  sym_reset();
  EXPECT_FALSE(sym_name(10, SYM_NETMASKS));
}

TEST_F(SymTest, LoadersFillTheCacheFromSystemTables) {
  long n = 0;
  ASSERT_EQ(getsym("tcp", SYM_PROTO, &n), 0);
  EXPECT_EQ(n, 6);
  EXPECT_EQ(get_protocol(256 + 6), "tcp");
  EXPECT_EQ(get_service(65536 + 23), "telnet");
  ASSERT_EQ(getsym("telnet", SYM_TCP, &n), 0);
  EXPECT_EQ(n, 23);
  ASSERT_EQ(getsym("portmapper", SYM_RPC, &n), 0);
  EXPECT_EQ(n, 100000);
  EXPECT_EQ(getname(99999999, SYM_RPC), "99999999");
  EXPECT_EQ(getsym("no-such-protocol", SYM_PROTO, &n), -1);
}

TEST_F(SymTest, NetmasksFileIsReadLazily) {
  kxtest::TempDir dir;
  netmasks_path = dir.write("netmasks", "# network  mask\n"
                                        "10 255.255.0.0\n"
                                        "172.16.0.0\t255.255.255.0   # lab\n"
                                        "\n"
                                        "garbage\n"
                                        "192.168.1 0xffffff80\n"
                                        "bad.net.x 255.0.0.0\n");
  long m = 0;
  ASSERT_EQ(getsym("10.0.0.0", SYM_NETMASKS, &m), 0);
  EXPECT_EQ(static_cast<uint32_t>(m), 0xffff0000u);
  ASSERT_EQ(getsym("192.168.1.0", SYM_NETMASKS, &m), 0);
  EXPECT_EQ(static_cast<uint32_t>(m), 0xffffff80u);

  sym_reset();
  EXPECT_EQ(init_netmasks(netmasks_path.c_str()), 3);
  ASSERT_EQ(getsym("172.16.0.0", SYM_NETMASKS, &m), 0);
  EXPECT_EQ(static_cast<uint32_t>(m), 0xffffff00u);
  EXPECT_EQ(init_netmasks(dir.file("missing").c_str()), -1);
}

TEST_F(SymTest, LocalHostNames) {
  EXPECT_EQ(hostaddr("localhost"), htonl(0x7f000001));
  // Whether this machine's name resolves depends on the host; either way the
  // answer is an address that stays, or a report.
  testing::internal::CaptureStderr();
  uint32_t mine = getmyipaddr();
  std::string err = testing::internal::GetCapturedStderr();
  if (mine != 0) {
    EXPECT_EQ(err, "");
    EXPECT_EQ(getmyipaddr(), mine);
  } else {
    EXPECT_EQ(err, "error: getmyipaddr: gethostbyname failed\n");
  }
}

} // namespace
