// The client operations of the library against real kxd daemons.
#include "daemons.h"

#include "kxsys/conn.h"
#include "kxsys/errors.h"
#include "kxsys/kxrif.h"
#include "kxsys/kxstate.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kxsys;

namespace {
struct Client : ::testing::Test {
  void SetUp() override { kx_io_wait_ms = kx_io_wait_ret_ms = 5000; }
  void TearDown() override {
    kx_mgmt_port = KX_PORT_MGMT;
    kx_io_wait_ms = 25000, kx_io_wait_ret_ms = 12000;
  }
  // Compiled files of a small filter and a state directory for them.
  void compiled(kxtest::TempDir &d) {
    d.write("tmp/Std.fc", "inbound all@gw accept;\n");
    d.write("tmp/Std.ft", "servers hosts 10.0.0.1 10.0.0.2\nnets nets 10.1.0.0\n");
    d.write("tmp/Std.lg", "# log formats of Std\n%%format: long 1\nsrc ipaddr\n");
    mkdir(d.file("state").c_str(), 0755);
  }
};
} // namespace

TEST_F(Client, LoadStatTablesAndUnloadOnThreeModules) {
  kxtest::Daemons mods(3, "*: none/*\n");
  ASSERT_TRUE(mods.ok());
  kx_mgmt_port = mods.port();
  kxtest::TempDir d;
  compiled(d);

  // Nothing loaded yet: every (interface, direction) with an empty name.
  std::vector<kxinfo_t> infos;
  ASSERT_EQ(kx_rstat(infos, mods[0].address, 200), 4);
  ASSERT_EQ(infos.size(), 4u);
  EXPECT_EQ(infos[1].ifname_str(), "le0");
  EXPECT_EQ(infos[1].direction, 1);
  EXPECT_EQ(infos[1].filter_str(), "");
  EXPECT_EQ(kx_rstat(infos, mods[0].address, 1), 4);
  EXPECT_EQ(infos.size(), 1u);
  std::vector<std::string> names;
  EXPECT_EQ(kx_rget_tab_name(mods[0].address, names), -1);
  EXPECT_EQ(kxd_errno, KXD_ENOTAB);

  std::string linkbase, error;
  for (size_t i = 0; i < mods.size(); ++i) {
    std::vector<std::string> targets = {i == 2 ? "le1" : "all"};
    ASSERT_TRUE(kxstate_savefilter(d.file("state"), d.file("tmp/Std"), mods[i].address, targets, linkbase, false,
                                   nullptr, &error)) << error;
    testing::internal::CaptureStdout();
    EXPECT_EQ(kx_rdownloadx("Std", mods[i].address, targets, d.file("state")), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\nLoading Std on " + targets[0] + "@" + mods[i].address + "\n");
  }
  ASSERT_EQ(kx_rstat(infos, mods[2].address, 200), 4);
  EXPECT_EQ(infos[0].filter_str(), "");
  EXPECT_EQ(infos[2].filter_str(), "Std");
  EXPECT_NE(infos[2].loadtime, 0);

  ASSERT_EQ(kx_rget_tab_name(mods[1].address, names), 2);
  EXPECT_EQ(names, (std::vector<std::string>{"servers", "nets"}));
  kxtab_t tab;
  tab.nentries = 1; // room for one entry: the count says how many there are
  ASSERT_EQ(kx_rstat_tab(mods[1].address, "servers", tab), 2);
  EXPECT_EQ(tab.entries, (std::vector<int32_t>{0x0a000001}));
  EXPECT_EQ(kx_rstat_tab(mods[1].address, "nosuch", tab), -1);

  auto logdom = kx_rget_logdom(mods[1].address);
  ASSERT_TRUE(logdom);
  EXPECT_EQ(logdom->id.name_str(), "Std");
  EXPECT_EQ(logdom->logformat, "# log formats of Std\n%%format: long 1\nsrc ipaddr\n");

  testing::internal::CaptureStdout();
  EXPECT_EQ(kx_runloadx(mods[0].address, {"le0", "le1"}), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nUnloading from { le0, le1 }@" + mods[0].address + "\n");
  ASSERT_EQ(kx_rstat(infos, mods[0].address, 200), 4);
  for (const auto &i : infos)
    EXPECT_EQ(i.filter_str(), "");
  EXPECT_EQ(kx_runloadx(mods[0].address, {"qe9"}), 1);
  EXPECT_EQ(kxd_errno, KXD_EBADSCOPE);
}

TEST_F(Client, FetchAnswersFromTheDaemonsState) {
  kxtest::Daemons mods(1, "*: none/*\n");
  ASSERT_TRUE(mods.ok());
  kx_mgmt_port = mods.port();
  kxtest::TempDir d;
  compiled(d);
  std::string linkbase, error;
  // The daemon's own state directory holds a family for module 10.9.9.9.
  ASSERT_TRUE(kxstate_savefilter(mods[0].dir->file("state"), d.file("tmp/Std"), "10.9.9.9", {"all"}, linkbase,
                                 false, nullptr, &error)) << error;
  std::optional<kxloadx_t> files;
  ASSERT_EQ(kx_rfetchx(mods[0].address, {0x0a090909}, files), 0);
  ASSERT_TRUE(files);
  EXPECT_EQ(files->entries.size(), 4u);
  EXPECT_EQ(kx_rfetchx(mods[0].address, {0x0a090908}, files), -1);
  EXPECT_EQ(kxd_errno, KXD_ENOSTATE);
}

TEST_F(Client, NoCommandRunsForAPeerThatIsNotGranted) {
  struct Case {
    const char *control_map, *masters;
  };
  const Case refusing[] = {
      {"*: deny/*\n", ""},
      {"*: bogus/*\n", ""},
      {"10.20.30.40: none/*\n", ""},
      {"masters: none/*\n", "127.0.0.2\n127.0.0.3\n"},
      {"*: none/escape\n", ""},
  };
  for (const auto &c : refusing) {
    kxtest::Daemons mods(1, c.control_map, c.masters);
    ASSERT_TRUE(mods.ok()) << c.control_map;
    kx_mgmt_port = mods.port();
    const std::string &host = mods[0].address;
    std::vector<kxinfo_t> infos;
    std::vector<std::string> names;
    kxtab_t tab;
    std::optional<kxloadx_t> files;
    testing::internal::CaptureStderr();
    EXPECT_EQ(kx_rstat(infos, host, 10), -1);
    EXPECT_EQ(kxd_errno, KXD_EUNAUTH) << c.control_map;
    EXPECT_EQ(kx_rstat_tab(host, "x", tab), -1);
    EXPECT_EQ(kx_rget_tab_name(host, names), -1);
    EXPECT_FALSE(kx_rget_logdom(host));
    EXPECT_EQ(kx_rdbdownload(host, {Bytes{1}, Bytes{2}}), 1);
    EXPECT_EQ(kx_runloadx(host, {"all"}), 1);
    EXPECT_EQ(kx_rfetchx(host, {1}, files), -1);
    EXPECT_EQ(kxd_errno, KXD_EUNAUTH);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Authentication for cmnd 2 failed"), std::string::npos);
  }
  // The same masters file with this host in it grants everything.
  kxtest::Daemons mods(1, "masters: silly/*\n", "127.0.0.1\n");
  ASSERT_TRUE(mods.ok());
  kx_mgmt_port = mods.port();
  std::vector<kxinfo_t> infos;
  EXPECT_EQ(kx_rstat(infos, mods[0].address, 10), 4);
}

TEST_F(Client, UnreachableModuleFailsWithAMessage) {
  kx_mgmt_port = kxtest::free_port();
  std::vector<kxinfo_t> infos;
  testing::internal::CaptureStderr();
  EXPECT_EQ(kx_rstat(infos, "127.0.1.1", 10), -1);
  EXPECT_EQ(kx_rstat(infos, "255.255.255.255", 10), -1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("cannot connect to 127.0.1.1." + std::to_string(kx_mgmt_port)), std::string::npos);
  EXPECT_NE(err.find("cannot connect to 255.255.255.255"), std::string::npos);
}
