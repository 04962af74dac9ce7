// kxc import on a copy of the demo installation: the plan it prints, the
// chosen changes saved, and refusals that leave objects.C as it was.
#include "support/run.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class KxcImport : public ::testing::Test {
protected:
  void SetUp() override {
    fs::copy(fs::path(KX_SOURCE_DIR) / "demo", dir_.path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    hosts_ = dir_.write("tables/hosts", "192.168.10.2 mail\n192.168.20.99 www\n10.9.9.9 pc9\n10.9.9.10 smtp\n10.9.9.11 alice\n");
    netgroup_ = dir_.write("tables/netgroup", "team (pc9,,) (mail,,) (ghost,,)\n");
  }
  kxtest::CommandResult kxc(const std::string &args) {
    return kxtest::run_command("KXDIR='" + dir_.path() + "' KX_OBJECTS= '" KXC_PATH "' import --hosts '" + hosts_ +
                               "' --netgroup '" + netgroup_ + "' " + args);
  }
  std::string objects() const {
    std::ifstream in(dir_.file("conf/objects.C"));
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  kxtest::TempDir dir_;
  std::string hosts_, netgroup_;
};

TEST_F(KxcImport, PrintsThePlanAndChangesNothing) {
  const std::string before = objects();
  const kxtest::CommandResult r = kxc("");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Keep\tmail\thost mail is already there\n"
                   "Keep\twww\thost www is there with 192.168.20.10, not 192.168.20.99 [Keep Replace Merge Rename]\n"
                   "Add\tpc9\tnew host pc9 10.9.9.9\n"
                   "Keep\tsmtp\tthe name smtp is taken by tcp smtp [Keep Rename]\n"
                   "Keep\talice\tthe name alice is taken by user alice [Keep Rename]\n" // the user database
                   "Add\tteam\tnew netgroup team\n");
  EXPECT_EQ(objects(), before);
}

TEST_F(KxcImport, AppliesTheChoicesAndSaves) {
  const kxtest::CommandResult r = kxc("--choose www=replace --choose smtp=rename:smtp-pc --apply");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("imported: 2 added, 1 renamed, 1 replaced, 0 merged, 2 kept\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("kxc import: netgroup team: ghost is no network object, left out"), std::string::npos) << r.err;
  const std::string after = objects();
  for (const char *part : {": (pc9\n\t\t\t:type (host)\n\t\t\t:ipaddr (10.9.9.9)", ": (smtp-pc\n",
                           ": (team\n\t\t\t:type (group)", "\t\t\t: pc9\n\t\t\t: mail\n\t\t)",
                           ":ipaddr (192.168.20.99)"})
    EXPECT_NE(after.find(part), std::string::npos) << part;
  EXPECT_TRUE(fs::exists(dir_.file("conf/objects.C.bak")));
}

TEST_F(KxcImport, RefusalsAndUsage) {
  const std::string before = objects();
  struct Case {
    const char *args;
    int status;
    const char *err;
  } cases[] = {
      {"--choose smtp=rename:gw --apply", 1, "kxc import: smtp: gw is taken by gw\n"},
      {"--choose smtp=rename:dave --apply", 1, "kxc import: smtp: dave: Already exists (user)\n"},
      {"--choose mail=replace --apply", 1, "kxc import: mail: Replace is not offered for unchanged\n"},
      {"--choose nosuch=keep", 1, "kxc import: nosuch is no entry of the tables\n"},
      {"--choose www=bogus", 2, "usage: kxc import"},
      {"--choose www=rename", 2, "usage: kxc import"},
      {"--frobnicate", 2, "usage: kxc import"},
      {"--networks /nonexistent/networks", 1, "kxc import: /nonexistent/networks: cannot be read\n"},
  };
  for (const Case &c : cases) {
    const kxtest::CommandResult r = kxc(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << ": " << r.err;
    EXPECT_EQ(objects(), before) << c.args;
  }
}

} // namespace
