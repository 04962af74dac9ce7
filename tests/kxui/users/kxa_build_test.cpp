// Building a module's user database from a downloaded set: the built file
// holds what the station's did, this gateway's S/Key chains follow, and a
// build that fails leaves the database and the chain file as they were.
#include "kxskey/skeyfile.h"
#include "kxui/users/kxa.h"
#include "kxui/users/user_attrs.h"
#include "kxset/sio.h"
#include "kxu/report.h"
#include "support/tempdir.h"
#include "support/reports.h"

#include <algorithm>
#include <functional>
#include <map>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {

using Quiet = kxtest::CollectReports;

using V = std::vector<std::string>;

std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

KxSetRef user(const char *name, V groups, std::initializer_list<std::pair<const char *, std::string>> attrs = {},
              const char *type = "user") {
  KxSetRef u(kxset::make(KxAtom(name)));
  kxa_put(u.get(), "type", type);
  for (auto &[k, v] : attrs)
    kxa_put(u.get(), k, v);
  kxset *g = kxset::make();
  for (auto &n : groups)
    g->append(KxAtom::null(), kxset::make(KxAtom(n)));
  u->set(KxAtom("groups"), g);
  return u;
}

KxSetRef group(const char *name, V members) {
  KxSetRef g(kxset::make(KxAtom(name)));
  kxa_put(g.get(), "type", "usrgroup");
  kxa_put(g.get(), "comments", std::string("the ") + name);
  for (auto &m : members)
    g->append(KxAtom::null(), kxset::make(KxAtom(m)));
  return g;
}

// Users with their record text, groups with their sorted members: what a
// database holds, independent of the order in which it was built.
std::map<std::string, std::string> contents() {
  std::map<std::string, std::string> out;
  KxSetRef all(kxa_fetch_all());
  const kxset *users = all->get(KxAtom("users")), *groups = all->get(KxAtom("groups"));
  for (int i = 0; i < users->getnattr(); ++i) {
    std::string text;
    sio_swrite(text, users->get(i));
    out[std::string("user ") + users->get(i)->getname()] = text;
  }
  for (int i = 0; i < groups->getnattr(); ++i) {
    V members = kxa_members_of(groups->get(i));
    std::sort(members.begin(), members.end());
    std::string line = kxa_text(groups->get(i), "comments") + ":";
    for (auto &m : members)
      line += " " + m;
    out[std::string("group ") + groups->get(i)->getname()] = line;
  }
  return out;
}

class KxaBuild : public ::testing::Test {
protected:
  kxtest::TempDir dir;
  Quiet quiet;
  kxu::ScopedFrontEnd scope{&quiet};
  std::string chains = dir.file("gw.skeykeys");
  std::vector<SkeyPassword> alice_chain = skey_chain("al01", "alice's secret", 10);

  void SetUp() override {
    // The module's database before the download, and its chain file.
    ASSERT_EQ(kxa_db_init_named(dir.file("kxauth")), 0);
    ASSERT_EQ(kxa_store(user("olduser", {"old"}).get()), 0);
    std::ofstream(chains) << "# chains of gw\nolduser 0010 old01            "
                             "D1854218EBBB0B51 Dummy                \n";
  }
  void TearDown() override { kxa_db_close(); }

  // The station's database, made in a file of its own and fetched whole.
  KxSetRef station(const std::string &alice_passwd) {
    kxa_db_close();
    EXPECT_EQ(kxa_db_init_named(dir.file("station")), 0);
    kxa_store(user("alice", {"Staff"},
                   {{"auth_method", "S/Key"}, {"SKEY_gateway", "gw"}, {"SKEY_seed", "al01"},
                    {"SKEY_number", "10"}, {"SKEY_passwd", alice_passwd}})
                  .get());
    kxa_store(user("bob", {"Staff", "Admins"},
                   {{"SKEY_gateway", "other-gw"}, {"SKEY_passwd", "not checked here"}})
                  .get());
    kxa_store(user("carol", {},
                   {{"SKEY_gateway", "gw"}, {"SKEY_seed", "ca01"}, {"SKEY_number", "5"},
                    {"SKEY_passwd", "d1854218ebbb0b51"}})
                  .get());
    kxa_store(user("dave", {}, {{"SKEY_gateway", "gw"}}).get()); // no chain yet
    kxa_store(user("std", {"Staff"}, {{"expiration_date", "31-Dec-2030"}}, "template").get());
    kxa_store_group(group("Staff", {}).get());
    kxa_store_group(group("Admins", {"Staff", "carol"}).get());
    KxSetRef all(kxa_fetch_all());
    station_contents = contents();
    kxa_db_close();
    EXPECT_EQ(kxa_db_init_named(dir.file("kxauth")), 0);
    // A host the modules look up by address comes in a list of its own.
    kxset *nodes = kxset::make();
    kxset *www = kxset::make(KxAtom("www"));
    kxa_put(www, "type", "host");
    kxa_put(www, "ipaddr", "10.0.0.80");
    nodes->append(KxAtom::null(), www);
    all->set(KxAtom("nodes"), nodes);
    return all;
  }
  std::map<std::string, std::string> station_contents;

  std::string chain_line(const std::string &user) {
    std::istringstream in(slurp(chains));
    for (std::string line; std::getline(in, line);)
      if (line.compare(0, user.size() + 1, user + " ") == 0)
        return line;
    return "";
  }
  bool exists(const std::string &path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
  }
};

TEST_F(KxaBuild, ReplacesTheDatabaseAndBringsThisGatewaysChains) {
  KxSetRef download = station(alice_chain.back().words);
  ASSERT_EQ(kxa_build_db(download.get(), "gw", chains), 0) << quiet.notices.back();
  EXPECT_EQ(contents(), station_contents);
  EXPECT_EQ(kxa_check(), "");
  EXPECT_FALSE(KxSetRef(kxa_fetchuser("olduser")));
  KxSetRef index(kxdb_fetch(kxa_db(), KXA_ADDR, "10.0.0.80"));
  ASSERT_TRUE(index);
  EXPECT_EQ(kxa_text(index.get(), "name"), "www");
  EXPECT_FALSE(exists(dir.file("kxauthtmp.NDB")));
  // The backup is the new database's, not the replaced one's.
  std::string backup = slurp(dir.file("kxauth.NDBBKP"));
  EXPECT_NE(backup.find("alice"), std::string::npos);
  EXPECT_EQ(backup.find("olduser"), std::string::npos);
  EXPECT_EQ(contents().size(), 9u); // 6 users and templates, 3 groups

  // alice and carol are checked on gw, in hexadecimal; bob is not, dave has
  // no chain yet; olduser and the comment are gone.
  EXPECT_EQ(chain_line("alice").substr(0, 44), "alice 0010 al01             " + alice_chain.back().hex);
  EXPECT_EQ(chain_line("carol").substr(0, 44), "carol 0005 ca01             D1854218EBBB0B51");
  EXPECT_EQ(chain_line("bob"), "");
  EXPECT_EQ(chain_line("dave"), "");
  EXPECT_EQ(chain_line("olduser"), "");
  EXPECT_EQ(slurp(chains).find('#'), std::string::npos);
}

// The gateway moves down a chain as passwords are used; a download that
// brings the same chain must not put it back up, a new chain must.
TEST_F(KxaBuild, AnUnchangedChainIsOnlyTouched) {
  KxSetRef download = station(alice_chain.back().words);
  ASSERT_EQ(kxa_build_db(download.get(), "gw", chains), 0);
  {
    SkeyFile f;
    ASSERT_EQ(f.Open(chains, ""), 0);
    ASSERT_EQ(f.Verify("alice", alice_chain[8].hex), 0);
    ASSERT_EQ(f.SaveAndClose(false), 0);
  }
  std::string used = chain_line("alice");
  ASSERT_EQ(used.substr(0, 44), "alice 0009 al01             " + alice_chain[8].hex);
  ASSERT_EQ(kxa_build_db(station(alice_chain.back().words).get(), "gw", chains), 0);
  EXPECT_EQ(chain_line("alice"), used);

  auto renewed = skey_chain("al01", "a new secret", 10);
  ASSERT_EQ(kxa_build_db(station(renewed.back().hex).get(), "gw", chains), 0);
  EXPECT_EQ(chain_line("alice").substr(0, 44), "alice 0010 al01             " + renewed.back().hex);
}

TEST_F(KxaBuild, AFailedBuildLeavesDatabaseAndChainsAsTheyWere) {
  struct Case {
    const char *what, *passwd, *message;
    std::function<void(kxset *)> spoil;
  } cases[] = {
      {"an illegal S/Key password", "no such words",
       "Illegal S/Key password <no such words> (user alice)", [](kxset *) {}},
      {"an object of no user database type", "", "kxa_store_delete:'service' is not a valid type",
       [](kxset *all) {
         kxset *s = kxset::make(KxAtom("http"));
         kxa_put(s, "type", "service");
         all->get(KxAtom("nodes"))->append(KxAtom::null(), s);
       }},
      {"a host without an address", "", "kxa_store_delete: type 'host' has no ipaddr",
       [](kxset *all) { all->get(KxAtom("nodes"))->get(0)->remove(KxAtom("ipaddr")); }},
  };
  std::string db_before = slurp(dir.file("kxauth.NDB")), chains_before = slurp(chains);
  for (auto &c : cases) {
    KxSetRef download = station(*c.passwd ? c.passwd : alice_chain.back().hex);
    c.spoil(download.get());
    quiet.notices.clear();
    EXPECT_EQ(kxa_build_db(download.get(), "gw", chains), -1) << c.what;
    EXPECT_NE(std::find(quiet.notices.begin(), quiet.notices.end(), c.message), quiet.notices.end())
        << c.what;
    EXPECT_EQ(quiet.notices.back().rfind("Database build failed: 1 objects refused", 0), 0u) << c.what;
    EXPECT_TRUE(KxSetRef(kxa_fetchuser("olduser"))) << c.what;
    EXPECT_FALSE(KxSetRef(kxa_fetchuser("alice"))) << c.what;
    EXPECT_EQ(slurp(chains), chains_before) << c.what;
    EXPECT_FALSE(exists(dir.file("kxauthtmp.NDB"))) << c.what;
  }
  EXPECT_EQ(kxa_build_db(nullptr, "gw", chains), -1);
  KxSetRef download = station(alice_chain.back().hex);
  kxa_db_close();
  EXPECT_EQ(slurp(dir.file("kxauth.NDB")), db_before);
  EXPECT_EQ(kxa_build_db(download.get(), "gw", chains), -1); // no database open
}

} // namespace
