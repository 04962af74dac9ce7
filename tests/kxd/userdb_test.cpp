// Database download into a module: kx dbload sends the station's objects
// and user database; kxd builds its user database file and the chain file of
// the users it checks from it, and a download that fails leaves the previous
// files in force.
#include "daemons.h"

#include "kxset/kxencode.h"
#include "kxsys/conn.h"
#include "kxsys/kxrif.h"
#include "kxsys/kxstate.h"
#include "kxui/users/kxa.h"
#include "support/run.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

using namespace kxsys;

namespace {
KxSetRef user(const char *name, std::initializer_list<const char *> groups) {
  KxSetRef u(kxset::make(KxAtom(name)));
  kxa_put(u.get(), "type", "user");
  kxset *g = kxset::make();
  for (const char *n : groups)
    g->append(KxAtom::null(), kxset::make(KxAtom(n)));
  u->set(KxAtom("groups"), g);
  return u;
}

std::vector<std::string> module_users(const std::string &dbdir) {
  std::vector<std::string> out;
  if (kxa_db_init_named(dbdir + "/kxauth") != 0)
    return out;
  KxSetRef all(kxa_fetch_all());
  const kxset *users = all->get(KxAtom("users"));
  for (int i = 0; users && i < users->getnattr(); ++i)
    out.push_back(users->get(i)->getname());
  kxa_db_close();
  std::sort(out.begin(), out.end());
  return out;
}

std::string slurp(const std::string &path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
} // namespace

TEST(UserDatabase, DbloadInstallsItAndAFailedDownloadKeepsThePrevious) {
  kxtest::Daemons mods(1, "*: none/*\n", "", 31);
  ASSERT_TRUE(mods.ok());
  kxtest::TempDir station;
  station.write("conf/objects.C", slurp(std::string(KX_SOURCE_DIR) + "/demo/conf/objects.C"));
  for (const char *d : {"state", "tmp", "database"})
    mkdir(station.file(d).c_str(), 0755);
  // The station's user database: two users, one in a group.
  ASSERT_EQ(kxa_db_init_named(station.file("conf/kxauth")), 0);
  ASSERT_EQ(kxa_store(user("alice", {"Staff"}).get()), 0);
  ASSERT_EQ(kxa_store(user("bob", {}).get()), 0);
  // One whose S/Key passwords the module checks: it goes into the module's
  // chain file.
  KxSetRef erin = user("erin", {});
  kxa_put(erin.get(), "SKEY_gateway", mods[0].address);
  kxa_put(erin.get(), "SKEY_seed", "er01");
  kxa_put(erin.get(), "SKEY_number", "5");
  kxa_put(erin.get(), "SKEY_passwd", "d1854218ebbb0b51");
  ASSERT_EQ(kxa_store(erin.get()), 0);
  kxa_db_close();

  std::string kx = "KXDIR=" + station.path() + " KX_PORT=" + std::to_string(mods.port()) + " " + KX_PATH;
  auto load = kxtest::run_command(kx + " dbload " + mods[0].address);
  ASSERT_EQ(load.status, 0) << load.err;
  std::string dbdir = mods[0].dir->file("database");
  EXPECT_EQ(module_users(dbdir), (std::vector<std::string>{"alice", "bob", "erin"}));
  std::string chains = slurp(dbdir + "/kxauth.skey");
  EXPECT_EQ(chains.substr(0, 43), "erin 0005 er01             D1854218EBBB0B51") << chains;
  ASSERT_EQ(kxa_db_init_named(dbdir + "/kxauth"), 0);
  KxSetRef staff(kxa_fetchgroup("Staff"));
  EXPECT_EQ(kxa_members_of(staff.get()), (std::vector<std::string>{"alice"}));
  kxa_db_close();
  struct stat st{};
  EXPECT_EQ(stat((dbdir + "/objects.C").c_str(), &st), 0);
  EXPECT_NE(stat((dbdir + "/kxauthtmp.NDB").c_str(), &st), 0);

  // A download whose group lists a user without a record fails the check,
  // and so does one with a record of no known type: the previous database
  // stays, and no temporary is left.
  kx_mgmt_port = mods.port();
  auto bad_set = [](bool ghost) {
    KxSetRef all(kxset::make());
    kxset *users = kxset::make(), *groups = kxset::make();
    all->set(KxAtom("users"), users);
    all->set(KxAtom("groups"), groups);
    kxset *carol = kxsetcopy(user("carol", {}).get(), -1);
    if (!ghost)
      kxa_put(carol, "type", "printer");
    users->append(KxAtom::null(), carol);
    kxset *g = kxset::make(KxAtom("Ghosts"));
    kxa_put(g, "type", "usrgroup");
    if (ghost)
      g->append(KxAtom::null(), kxset::make(KxAtom("casper")));
    groups->append(KxAtom::null(), g);
    size_t len = 0;
    auto buf = EncodeKxset(all.get(), len);
    return Bytes(buf.get(), buf.get() + len);
  };
  for (bool ghost : {true, false}) {
    EXPECT_EQ(kx_rdbdownload(mods[0].address, {bad_set(ghost), {}}), 1);
    EXPECT_EQ(module_users(dbdir), (std::vector<std::string>{"alice", "bob", "erin"}));
    EXPECT_EQ(slurp(dbdir + "/kxauth.skey"), chains);
    EXPECT_NE(stat((dbdir + "/kxauthtmp.NDB").c_str(), &st), 0);
  }
  kx_mgmt_port = KX_PORT_MGMT;
}
