#include "kxui/users/kxa.h"
#include "kxset/sio.h"
#include "kxu/report.h"
#include "support/tempdir.h"
#include "support/reports.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using Quiet = kxtest::CollectReports;

KxSetRef user(const char *name, std::initializer_list<const char *> groups, const char *type = "user") {
  KxSetRef u(kxset::make(KxAtom(name)));
  kxa_put(u.get(), "type", type);
  kxa_put(u.get(), "color", "red");
  kxset *g = kxset::make();
  for (const char *n : groups)
    g->append(KxAtom::null(), kxset::make(KxAtom(n)));
  u->set(KxAtom("groups"), g);
  return u;
}

std::vector<std::string> members(const char *group) {
  KxSetRef g(kxa_fetchgroup(group));
  return kxa_members_of(g.get());
}

using V = std::vector<std::string>;

class Kxa : public ::testing::Test {
protected:
  kxtest::TempDir dir;
  Quiet quiet;
  kxu::ScopedFrontEnd scope{&quiet};
  void SetUp() override { ASSERT_EQ(kxa_db_init_named(dir.file("kxauth")), 0); }
  void TearDown() override { kxa_db_close(); }
};

TEST_F(Kxa, StoreKeepsGroupsAndMaintainedGroupsInStep) {
  ASSERT_EQ(kxa_store(user("alice", {"sales", "eng"}).get()), 0);
  ASSERT_EQ(kxa_store(user("bob", {"sales"}).get()), 0);
  ASSERT_EQ(kxa_store(user("std", {}, "template").get()), 0);
  EXPECT_EQ(members("sales"), (V{"alice", "bob"}));
  EXPECT_EQ(members("eng"), (V{"alice"}));
  EXPECT_EQ(members(KXA_ALL_TEMPLATES), (V{"std"}));
  EXPECT_EQ(members(KXA_ALL_GROUPS), (V{"sales", "eng"}));
  EXPECT_EQ(members(KXA_ALL_USERS), (V{"alice", "sales", "eng", "bob", "std"}));
  EXPECT_EQ(kxa_check(), "");

  // Moving alice out of sales, then deleting bob.
  ASSERT_EQ(kxa_store(user("alice", {"eng"}).get()), 0);
  EXPECT_EQ(members("sales"), (V{"bob"}));
  ASSERT_EQ(kxa_delete(user("bob", {}).get()), 0);
  EXPECT_EQ(members("sales"), V{});
  EXPECT_EQ(kxa_fetchuser("bob"), nullptr);
  EXPECT_EQ(kxa_check(), "");

  // A user and a group of the same name are two records.
  ASSERT_EQ(kxa_store(user("eng", {}).get()), 0);
  KxSetRef g(kxa_fetchgroup("eng")), u(kxa_fetchuser("eng"));
  ASSERT_TRUE(g && u);
  EXPECT_EQ(kxa_text(g.get(), "type"), "usrgroup");
  EXPECT_EQ(kxa_text(u.get(), "type"), "user");
}

TEST_F(Kxa, GroupStoreAddsAndDeletesMembersAndDeleteGroupCleansUp) {
  ASSERT_EQ(kxa_store(user("alice", {}).get()), 0);
  ASSERT_EQ(kxa_store(user("bob", {}).get()), 0);
  KxSetRef ops(kxset::make(KxAtom("ops")));
  kxa_put(ops.get(), "comments", "operators");
  ops->append(KxAtom::null(), kxset::make(KxAtom("alice")));
  ops->append(KxAtom::null(), kxset::make(KxAtom("bob")));
  ASSERT_EQ(kxa_store_group(ops.get()), 0);
  EXPECT_EQ(members("ops"), (V{"alice", "bob"}));
  KxSetRef a(kxa_fetchuser("alice"));
  EXPECT_EQ(kxa_groups_of(a.get()), V{"ops"});
  EXPECT_EQ(kxa_check(), "");

  KxSetRef change(kxset::make(KxAtom("ops")));
  kxset *deleted = kxset::make();
  deleted->append(KxAtom::null(), kxset::make(KxAtom("bob")));
  change->set(KxAtom("deleted"), deleted);
  ASSERT_EQ(kxa_store_group(change.get()), 0);
  EXPECT_EQ(members("ops"), (V{"alice"}));
  KxSetRef b(kxa_fetchuser("bob"));
  EXPECT_EQ(kxa_groups_of(b.get()), V{});
  EXPECT_EQ(kxa_check(), "");

  KxSetRef unnamed(kxset::make());
  EXPECT_EQ(kxa_store_group(unnamed.get()), -1);
  EXPECT_EQ(quiet.notices.back(), "kxa_store_delete: kxset type group has no name");

  ASSERT_EQ(kxa_delete_group(ops.get()), 0);
  EXPECT_EQ(kxa_fetchgroup("ops"), nullptr);
  a = KxSetRef(kxa_fetchuser("alice"));
  EXPECT_EQ(kxa_groups_of(a.get()), V{});
  EXPECT_EQ(members(KXA_ALL_GROUPS), V{});
  EXPECT_EQ(kxa_check(), "");

  KxSetRef all(kxa_fetch_all());
  EXPECT_EQ(kxa_members_of(all->get(KxAtom("users"))), (V{"alice", "bob"}));
  EXPECT_EQ(kxa_members_of(all->get(KxAtom("groups"))), (V{KXA_ALL_USERS, KXA_ALL_GROUPS}));
}

TEST_F(Kxa, CheckFindsAMemberWhoseRecordDoesNotListTheGroup) {
  ASSERT_EQ(kxa_store(user("alice", {"sales"}).get()), 0);
  KxSetRef a(kxa_fetchuser("alice"));
  a->remove(KxAtom("groups"));
  ASSERT_EQ(kxdb_store(kxa_db(), KXA_USER, a.get()), 0);
  EXPECT_NE(kxa_check().find("group sales lists alice, whose record does not list the group"),
            std::string::npos);
}

TEST_F(Kxa, NodesNeedAnAddressAndGetAnIndexEntry) {
  KxSetRef host(kxset::make(KxAtom("gw")));
  kxa_put(host.get(), "type", "gateway");
  EXPECT_EQ(kxa_store(host.get()), -1);
  EXPECT_EQ(quiet.notices.back(), "kxa_store_delete: type 'gateway' has no ipaddr");
  kxa_put(host.get(), "ipaddr", "10.0.0.1");
  ASSERT_EQ(kxa_store(host.get()), 0);
  KxSetRef idx(kxdb_fetch(kxa_db(), KXA_ADDR, "10.0.0.1"));
  ASSERT_TRUE(idx);
  EXPECT_EQ(kxa_text(idx.get(), "name"), "gw");
  KxSetRef odd(kxset::make(KxAtom("x")));
  kxa_put(odd.get(), "type", "service");
  EXPECT_EQ(kxa_store(odd.get()), -1);
  EXPECT_EQ(quiet.notices.back(), "kxa_store_delete:'service' is not a valid type");
}

TEST_F(Kxa, TemporaryDatabaseReplacesOrIsDropped) {
  ASSERT_EQ(kxa_store(user("old", {}).get()), 0);
  ASSERT_EQ(kxa_db_new(), 1);
  ASSERT_EQ(kxa_store(user("new", {}).get()), 0);
  ASSERT_EQ(kxa_db_restore(), 0);
  EXPECT_TRUE(KxSetRef(kxa_fetchuser("old")));
  EXPECT_FALSE(KxSetRef(kxa_fetchuser("new")));
  struct stat st {};
  EXPECT_NE(stat(dir.file("kxauthtmp.NDB").c_str(), &st), 0);

  ASSERT_EQ(kxa_db_new(), 1);
  ASSERT_EQ(kxa_store(user("new", {}).get()), 0);
  ASSERT_EQ(kxa_db_replace(), 0);
  EXPECT_FALSE(KxSetRef(kxa_fetchuser("old")));
  EXPECT_TRUE(KxSetRef(kxa_fetchuser("new")));
}

} // namespace
