#include "kxskey/skey.h"
#include "kxskey/skeyfile.h"
#include "kxu/report.h"
#include "support/tempdir.h"
#include "support/reports.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace {

using Notices = kxtest::CollectReports;

std::string slurp(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class SkeyFileTest : public ::testing::Test {
protected:
  kxtest::TempDir dir;
  Notices notices;
  kxu::ScopedFrontEnd scope{&notices};
  SkeyFile file;
};

TEST_F(SkeyFileTest, MissingFileOpensEmptyAndNewUsersAreAppendedInTheFixedLayout) {
  ASSERT_EQ(file.Open("gw.keys", dir.path()), 0);
  EXPECT_EQ(file.Open("gw.keys", dir.path()), -1);
  EXPECT_EQ(notices.notices.back(), "SkeyFile : already opened");
  ASSERT_EQ(file.Update("alice", "gw1", "D1854218EBBB0B51", 99), 0);
  std::string key;
  int n = 0;
  ASSERT_EQ(file.Get("alice", key, n), 0);
  EXPECT_EQ(key, "D1854218EBBB0B51");
  EXPECT_EQ(n, 99);
  ASSERT_EQ(file.SaveAndClose(false), 0);
  EXPECT_FALSE(file.is_open());

  std::string text = slurp(dir.file("gw.keys"));
  // "%s %04d %-16s %-16s %-21s" with the update time as date.
  ASSERT_EQ(text.size(), std::string("alice 0099 ").size() + 17 + 17 + 21 + 1);
  EXPECT_EQ(text.substr(0, 45), "alice 0099 gw1              D1854218EBBB0B51 ");
  EXPECT_NE(text.find(','), std::string::npos); // "%b %d,%Y %T"
  struct stat st {};
  ASSERT_EQ(stat(dir.file("gw.keys").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(SkeyFileTest, UpdateKeepsTheSeedAndMarkedOnlyDropsUnmarkedLines) {
  dir.write("gw.keys", "# chain file\n"
                       "alice 0010 oldseed          1111111111111111 Jun 01,1995 14:03:07 \n"
                       "bob 0020 bobseed          2222222222222222 Dummy                \n"
                       "carol 0030 cs               3333333333333333 Dummy                \n"
                       "short 0005\n");
  ASSERT_EQ(file.Open(dir.file("gw.keys"), "unused"), 0);
  std::string key;
  int n;
  EXPECT_EQ(file.Get("short", key, n), -1); // fewer than four fields
  EXPECT_EQ(file.Get("nobody", key, n), -1);
  ASSERT_EQ(file.Update("alice", "newseed", "AAAAAAAAAAAAAAAA", 7), 0);
  ASSERT_EQ(file.Touch("bob"), 0);
  EXPECT_EQ(file.Touch("nobody"), -1);
  ASSERT_EQ(file.SaveAndClose(true), 0);

  std::string text = slurp(dir.file("gw.keys"));
  EXPECT_EQ(text.find("# chain file"), std::string::npos);
  EXPECT_EQ(text.find("carol"), std::string::npos);
  EXPECT_EQ(text.find("short"), std::string::npos);
  EXPECT_EQ(text.rfind("alice 0007 oldseed          AAAAAAAAAAAAAAAA ", 0), 0u);
  EXPECT_EQ(text.find("Jun 01,1995"), std::string::npos); // redated
  EXPECT_NE(text.find("bob 0020 bobseed          2222222222222222 Dummy                \n"),
            std::string::npos);
}

TEST_F(SkeyFileTest, SaveWithoutMarkedOnlyKeepsEverythingInOrder) {
  std::string original = "# c\nbob 0020 s 2222222222222222 Dummy\n\nzed 0001 s k\n";
  dir.write("gw.keys", original);
  ASSERT_EQ(file.Open("gw.keys", dir.path()), 0);
  ASSERT_EQ(file.SaveAndClose(false), 0);
  EXPECT_EQ(slurp(dir.file("gw.keys")), original);

  ASSERT_EQ(file.Open("gw.keys", dir.path()), 0);
  EXPECT_EQ(file.Delete("bob"), 0);
  EXPECT_EQ(file.Delete("bob"), -1);
  EXPECT_EQ(notices.notices.back(), "SkeyFile : attempt to delete nonexistent user bob\n");
  ASSERT_EQ(file.SaveAndClose(false), 0);
  EXPECT_EQ(slurp(dir.file("gw.keys")), "# c\n\nzed 0001 s k\n");
}

TEST_F(SkeyFileTest, VerifyWalksTheChainDownOnePasswordAtATime) {
  ASSERT_EQ(file.Open("gw.keys", dir.path()), 0);
  ASSERT_EQ(file.Update("10.0.0.1", "10.0.0.2", skey_make_passwd("s3cret", "10.0.0.2", 3), 3),
            0);
  EXPECT_EQ(file.Verify("10.0.0.1", skey_make_passwd("s3cret", "10.0.0.2", 3)), -1); // replay
  EXPECT_EQ(file.Verify("10.0.0.1", skey_make_passwd("s3cret", "10.0.0.2", 1)), -1); // skip
  EXPECT_EQ(file.Verify("nobody", skey_make_passwd("s3cret", "10.0.0.2", 2)), -1);
  for (int i = 2; i >= 0; --i)
    EXPECT_EQ(file.Verify("10.0.0.1", skey_make_passwd("s3cret", "10.0.0.2", i)), 0) << i;
  std::string key;
  int n = -1;
  ASSERT_EQ(file.Get("10.0.0.1", key, n), 0);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(key, skey_make_passwd("s3cret", "10.0.0.2", 0));
  file.clean();
}

TEST_F(SkeyFileTest, UnreadableOrUnwritableFilesAreReported) {
  ASSERT_EQ(file.Open("sub", dir.path() + "/nodir"), 0); // missing: empty
  file.Update("a", "s", "k", 1);
  EXPECT_EQ(file.SaveAndClose(false), -1);
  EXPECT_EQ(notices.notices.back(),
            "SkeyFile: unable to write updated database for " + dir.path() + "/nodir/sub");
  EXPECT_FALSE(file.is_open());

  mkdir(dir.file("adir").c_str(), 0700);
  EXPECT_EQ(file.Open("adir", dir.path()), -1);
  EXPECT_EQ(notices.notices.back(), "SkeyFile: unable to read database for " + dir.file("adir"));
}

TEST_F(SkeyFileTest, CWrappersShareOneFile) {
  std::string path = dir.file("c.keys");
  ASSERT_EQ(SkeyFile_Open(path.c_str(), nullptr), 0);
  ASSERT_EQ(SkeyFile_Update("u", "seed", "0123456789ABCDEF", 5), 0);
  char key[17];
  int n = 0;
  ASSERT_EQ(SkeyFile_Get("u", key, &n), 0);
  EXPECT_STREQ(key, "0123456789ABCDEF");
  EXPECT_EQ(n, 5);
  ASSERT_EQ(SkeyFile_SaveAndClose(1), 0);
  ASSERT_EQ(SkeyFile_Open(path.c_str(), nullptr), 0);
  EXPECT_EQ(SkeyFile_Get("u", key, &n), 0);
  SkeyFile_clean();
}

} // namespace
