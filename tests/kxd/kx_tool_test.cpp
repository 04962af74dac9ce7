// The kx tool against real daemons, as the install dialog runs it.
#include "daemons.h"

#include "support/run.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {
const char *const kScript = "// Filter Generated for the test\n"
                            "#define\tLOG_MAIL\t <\"![mail]\">\n"
                            "// Filter Code Start\n"
                            "ADDR_host(mail, 192.168.10.2)\n"
                            "ADDR_host(ns, 192.168.10.3)\n"
                            "host_list1 = { mail, ns };\n"
                            "inbound\tall@gw\n"
                            "\taccept\t(tcp, smtp),\n"
                            "\t\t(ip_dst = mail),\n"
                            "\t\tLOG(short,LOG_MAIL,1);\n"
                            "inbound\tall@gw\n"
                            "\tdrop\tLOG(long,LOG_NOALERT,2);\n"
                            "// Filter Code End\n";

ino_t inode(const std::string &path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}
} // namespace

TEST(KxTool, LoadStatAndUnloadTwoModules) {
  kxtest::Daemons mods(2, "*: silly/*\n", "", 11);
  ASSERT_TRUE(mods.ok());
  kxtest::TempDir kxdir;
  kxdir.write("conf/Std.pf", kScript);
  for (const char *d : {"state", "tmp", "database"})
    mkdir(kxdir.file(d).c_str(), 0755);
  std::string env = "KXDIR=" + kxdir.path() + " KX_PORT=" + std::to_string(mods.port()) + " ";
  std::string kx = env + KX_PATH;

  auto load = kxtest::run_command(kx + " load Std " + mods[0].address + " le1@" + mods[1].address);
  EXPECT_EQ(load.status, 0) << load.err;
  EXPECT_EQ(load.out, "\nLoading Std on all@" + mods[0].address + "\nStd loaded on " + mods[0].address +
                          "\n\nLoading Std on le1@" + mods[1].address + "\nStd loaded on " + mods[1].address + "\n");
  EXPECT_EQ(inode(kxdir.file("state/" + mods[0].address + ".fc")), inode(kxdir.file("state/" + mods[1].address + ".fc")));

  // What the station saved for the second module.
  auto saved = kxtest::run_command(kx + " state " + mods[1].address);
  EXPECT_EQ(saved.status, 0) << saved.err;
  EXPECT_EQ(saved.out.rfind("rule base Std filter id ", 0), 0u) << saved.out;
  EXPECT_NE(saved.out.find("\ntarget le1\nfile fc "), std::string::npos) << saved.out;
  auto unsaved = kxtest::run_command(kx + " state 127.0.1.250");
  EXPECT_EQ(unsaved.status, 1);
  EXPECT_NE(unsaved.err.find("cannot access <"), std::string::npos) << unsaved.err;

  auto stat = kxtest::run_command(kx + " stat " + mods[1].address);
  EXPECT_EQ(stat.status, 0);
  EXPECT_NE(stat.out.find("le0              in   -"), std::string::npos) << stat.out;
  EXPECT_NE(stat.out.find("le1              out  Std"), std::string::npos) << stat.out;

  auto tab = kxtest::run_command(kx + " tab " + mods[0].address + " host_list1");
  EXPECT_EQ(tab.out, "host_list1 (hosts): 2 entries\n\t192.168.10.2\n\t192.168.10.3\n");
  auto logdom = kxtest::run_command(kx + " logdom " + mods[0].address);
  EXPECT_NE(logdom.out.find("%%format: short 1\nsrc ipaddr\n"), std::string::npos) << logdom.out;
  EXPECT_NE(logdom.out.find("%%action: ![mail] 10\n"), std::string::npos) << logdom.out;

  auto unload = kxtest::run_command(kx + " unload " + mods[1].address);
  EXPECT_EQ(unload.status, 0);
  stat = kxtest::run_command(kx + " stat " + mods[1].address);
  EXPECT_EQ(stat.out.find("Std"), std::string::npos) << stat.out;

  // A module that answers nowhere, among modules loaded at the same time:
  // they are loaded, and the lines keep the order of the modules.
  auto down = kxtest::run_command(kx + " load Std " + mods[0].address + " 127.0.1.250 le0@" + mods[1].address);
  EXPECT_EQ(down.status, 1);
  EXPECT_EQ(down.out, "\nLoading Std on all@" + mods[0].address + "\nStd loaded on " + mods[0].address +
                          "\n\nLoading Std on all@127.0.1.250\n\nLoading Std on le0@" + mods[1].address +
                          "\nStd loaded on " + mods[1].address + "\n");
  EXPECT_NE(down.err.find("cannot connect to 127.0.1.250"), std::string::npos) << down.err;
  EXPECT_NE(down.err.find("failed to load Std on 127.0.1.250"), std::string::npos) << down.err;
  // A missing filter, a bad word.
  EXPECT_EQ(kxtest::run_command(kx + " load Nosuch " + mods[0].address).status, 1);
  EXPECT_EQ(kxtest::run_command(kx + " frobnicate").status, 2);
}

TEST(KxTool, FetchInstallsTheStateOfThisMachine) {
  kxtest::Daemons mods(1, "*: none/*\n", "", 21);
  ASSERT_TRUE(mods.ok());
  kxtest::TempDir station, module;
  station.write("conf/Std.pf", kScript);
  for (const char *d : {"state", "tmp", "database"}) {
    mkdir(station.file(d).c_str(), 0755);
    mkdir(module.file(d).c_str(), 0755);
  }
  // The management daemon keeps the state of 127.0.0.1 (this machine seen
  // from the module): save it there as the station would.
  std::string port = std::to_string(mods.port());
  auto load = kxtest::run_command("KXDIR=" + station.path() + " KX_PORT=" + port + " " + KX_PATH + " load Std " +
                                  mods[0].address);
  ASSERT_EQ(load.status, 0) << load.err;
  kxtest::run_command("cp " + station.file("state/*") + " " + mods[0].dir->file("state/"));
  kxtest::run_command("printf '(links\\n\\t:here (\\n\\t\\t:7f000001 ()\\n\\t)\\n)\\n' > " + mods[0].dir->file("state/links.C") +
                      " && for f in " + mods[0].dir->file("state/") + mods[0].address + ".*; do cp $f " +
                      mods[0].dir->file("state/") + "here.${f##*.}; done");
  auto fetch = kxtest::run_command("KXDIR=" + module.path() + " KX_PORT=" + port + " " + KX_PATH + " fetch " +
                                   mods[0].address);
  EXPECT_EQ(fetch.status, 0) << fetch.err;
  EXPECT_EQ(fetch.out, "fetched Std from " + mods[0].address + "\n");
  struct stat st{};
  EXPECT_EQ(stat(module.file("state/local.fc").c_str(), &st), 0);
  EXPECT_NE(stat(module.file("tmp/local.fc").c_str(), &st), 0);
}
