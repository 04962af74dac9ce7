// kxc users, groups and skey on scratch installations, and writers killed
// in the middle of their work.
#include "kxskey/skey.h"
#include "kxui/users/kxa.h"
#include "support/run.h"
#include "support/tempdir.h"

#include <csignal>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kxtest;
using ::testing::HasSubstr;

namespace {

class KxcUsers : public ::testing::Test {
protected:
  TempDir dir;
  void SetUp() override { mkdir(dir.file("conf").c_str(), 0755); }
  CommandResult kxc(const std::string &args, const std::string &input = "") {
    std::string cmd = "KXDIR='" + dir.path() + "' '" KXC_PATH "' " + args;
    if (!input.empty())
      cmd = "printf '%s\\n' '" + input + "' | " + cmd;
    return run_command(cmd);
  }
};

TEST_F(KxcUsers, AddListShowGroupsAndDelete) {
  ASSERT_EQ(kxc("users add std --template nosuch").status, 1);
  ASSERT_EQ(kxc("groups add sales").status, 0);
  ASSERT_EQ(kxc("users add alice --group sales --expires 29-Feb-96").status, 0);
  ASSERT_EQ(kxc("users add bob").status, 0);
  ASSERT_EQ(kxc("groups add sales bob").status, 0);
  EXPECT_EQ(kxc("users add carol --expires 29-Feb-97").status, 1);
  EXPECT_EQ(kxc("groups add ops nobody").status, 1);

  CommandResult list = kxc("users list");
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, "alice (user)\nbob (user)\n");
  EXPECT_THAT(kxc("users list --groups").out, HasSubstr("sales: alice bob\n"));

  CommandResult show = kxc("users show alice");
  ASSERT_EQ(show.status, 0);
  EXPECT_THAT(show.out, HasSubstr("29-Feb-1996"));
  EXPECT_THAT(show.out, HasSubstr("sales"));

  EXPECT_EQ(kxc("users check").status, 0);
  ASSERT_EQ(kxc("users del alice").status, 0);
  EXPECT_EQ(kxc("users del alice").status, 1);
  EXPECT_THAT(kxc("users list --groups").out, HasSubstr("sales: bob\n"));
  ASSERT_EQ(kxc("groups del sales").status, 0);
  EXPECT_THAT(kxc("users show bob").out, ::testing::Not(HasSubstr("sales")));
  EXPECT_EQ(kxc("users check").status, 0);

  EXPECT_EQ(kxc("users").status, 2);
  EXPECT_EQ(kxc("users add").status, 2);
  EXPECT_EQ(kxc("groups add").status, 2);
}

// A user made from a template takes its properties and groups but not its
// S/Key chain; options given beside the template win, in any order.
TEST_F(KxcUsers, AddFromATemplate) {
  ASSERT_EQ(kxc("groups add sales").status, 0);
  ASSERT_EQ(kxc("groups add eng").status, 0);
  ASSERT_EQ(kxc("users add std --type template --group sales --expires 31-Dec-30 --skey gw")
                .status,
            0);
  // The template is no member of the groups it names.
  EXPECT_THAT(kxc("users list --groups").out, HasSubstr("sales:\n"));
  EXPECT_EQ(kxc("users list").out, "std (template)\n");
  // A chain on the template (as the user manager may leave one).
  {
    ASSERT_EQ(kxa_db_init_named(dir.file("conf/kxauth")), 0);
    KxSetRef std_user(kxa_fetchuser("std"));
    kxa_put(std_user.get(), "SKEY_seed", "tmpl01");
    kxa_put(std_user.get(), "SKEY_passwd", "D1854218EBBB0B51");
    ASSERT_EQ(kxa_store(std_user.get()), 0);
    kxa_db_close();
  }

  ASSERT_EQ(kxc("users add ann --template std --group eng").status, 0);
  ASSERT_EQ(kxc("users add bo --expires 1-Jan-29 --template std").status, 0);
  CommandResult ann = kxc("users show ann"), bo = kxc("users show bo");
  ASSERT_EQ(ann.status, 0);
  EXPECT_THAT(ann.out, HasSubstr(":type (user)"));
  EXPECT_THAT(ann.out, HasSubstr(":expiration_date (31-Dec-2030)"));
  EXPECT_THAT(ann.out, HasSubstr(":SKEY_gateway (gw)"));
  EXPECT_THAT(ann.out, HasSubstr(":SKEY_seed (ann)"));
  EXPECT_THAT(ann.out, ::testing::Not(HasSubstr("SKEY_passwd")));
  EXPECT_THAT(bo.out, HasSubstr(":expiration_date (01-Jan-2029)"));
  CommandResult groups = kxc("users list --groups");
  EXPECT_THAT(groups.out, HasSubstr("sales: ann bo\n"));
  EXPECT_THAT(groups.out, HasSubstr("eng: ann\n"));
  EXPECT_EQ(kxc("users check").status, 0);
  ASSERT_EQ(kxc("skey chain ann --count 3").status, 0); // a chain of her own
  EXPECT_EQ(kxc("users add cy --template ann").status, 1); // not a template
  EXPECT_THAT(kxc("users show cy").err, HasSubstr("no user or group cy"));

  CommandResult again = kxc("users add ann");
  EXPECT_EQ(again.status, 1);
  EXPECT_THAT(again.err, HasSubstr("ann: Already exists (user)"));
  EXPECT_THAT(kxc("users show ann").out, HasSubstr("SKEY_passwd")); // untouched
  EXPECT_EQ(kxc("users add x --type admin").status, 2);
  EXPECT_EQ(kxc("users add x --template").status, 2);
}

TEST_F(KxcUsers, SkeyChainListingUserAndGatewayFile) {
  ASSERT_EQ(kxc("users add alice --skey gw").status, 0);
  CommandResult c = kxc("skey chain alice --count 5");
  ASSERT_EQ(c.status, 0) << c.err;
  // Five lines, from 5 down to 1, each "%3d %-33s %-16s".
  ASSERT_EQ(std::count(c.out.begin(), c.out.end(), '\n'), 5);
  EXPECT_EQ(c.out.substr(0, 4), "  5 ");
  std::string top_hex = c.out.substr(4 + 34, 16);
  SkeyKey k;
  ASSERT_TRUE(skey_parse_hex(top_hex, k));
  // The password below the top verifies against it.
  size_t second = c.out.find('\n') + 1;
  EXPECT_TRUE(skey_verify(c.out.substr(second + 4, 33), top_hex));

  std::string keys;
  {
    FILE *f = std::fopen(dir.file("conf/gw.skeykeys").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buf[256];
    while (std::fgets(buf, sizeof buf, f))
      keys += buf;
    std::fclose(f);
  }
  EXPECT_EQ(keys.substr(0, 45), "alice 0005 alice            " + top_hex + " ");
  EXPECT_THAT(kxc("users show alice").out, HasSubstr(skey_to_words(k)));

  EXPECT_EQ(kxc("users add bob").status, 0);
  EXPECT_EQ(kxc("skey chain bob").status, 1); // no gateway
}

TEST_F(KxcUsers, OtpPrintsWordsThenHex) {
  CommandResult r = kxc("skey otp 99 TeSt", "This is a test.");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "NOTE OUT IBIS SINK NAVE MODE\nC5E612776E6C237A\n");
  EXPECT_EQ(kxc("skey otp x TeSt", "s").status, 2);
}

TEST_F(KxcUsers, CheckRefusesADamagedFileAndNamesASoundBackup) {
  ASSERT_EQ(kxc("users add alice").status, 0);
  // Unlink a record from its bucket: its blocks are then on no chain.
  std::string file = dir.file("conf/kxauth.NDB");
  FILE *f = std::fopen(file.c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  std::vector<unsigned char> table(12288);
  ASSERT_EQ(std::fread(table.data(), 1, table.size(), f), table.size());
  for (size_t i = 0; i < table.size(); i += 3)
    if (table[i] || table[i + 1] || table[i + 2]) {
      std::fseek(f, long(i), SEEK_SET);
      std::fputc(0, f), std::fputc(0, f), std::fputc(0, f);
      break;
    }
  std::fclose(f);
  CommandResult r = kxc("users check");
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("is on no chain"));
  EXPECT_THAT(r.out, HasSubstr("its backup " + file + "BKP is sound"));
}

// Writers killed at random moments leave a file that checks, or a sound
// backup.
TEST_F(KxcUsers, KilledWritersLeaveASoundFileOrBackup) {
  ASSERT_EQ(kxc("groups add staff").status, 0);
  std::mt19937 rng(12);
  for (int round = 0; round < 30; ++round) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      setenv("KXDIR", dir.path().c_str(), 1);
      std::string name = "u" + std::to_string(round);
      execl(KXC_PATH, "kxc", "users", "add", name.c_str(), "--group", "staff", nullptr);
      _exit(127);
    }
    usleep(std::uniform_int_distribution<int>(0, 20000)(rng));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    CommandResult r = kxc("users check");
    if (r.status != 0) {
      EXPECT_THAT(r.out, HasSubstr("is sound")) << "round " << round << "\n" << r.out;
      // The administrator's way back: the backup replaces the file.
      ASSERT_EQ(std::rename(dir.file("conf/kxauth.NDBBKP").c_str(),
                            dir.file("conf/kxauth.NDB").c_str()),
                0);
      ASSERT_EQ(kxc("users check").status, 0);
    }
  }
}

} // namespace

namespace {

// The compiler asks the user database whether a rule's user group exists.
TEST(KxcUsersCompiler, UnknownUserGroupIsRefused) {
  const std::string demo = std::string(KX_SOURCE_DIR) + "/demo";
  TempDir dir;
  std::string text;
  {
    FILE *f = std::fopen((demo + "/conf/Standard.W").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
      text.append(buf, n);
    std::fclose(f);
  }
  std::string bad = text;
  bad.replace(bad.find("Staff@partner-net"), 5, "Nobody");
  std::string known = dir.write("known.W", text), unknown = dir.write("unknown.W", bad);
  auto verify = [&](const std::string &path) {
    return run_command("KXDIR='" + demo + "' '" KXC_PATH "' verify '" + path + "'");
  };
  EXPECT_EQ(verify(known).status, 0);
  CommandResult r = verify(unknown);
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out + r.err, HasSubstr("Nobody no longer exists"));
}

} // namespace
