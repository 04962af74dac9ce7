// User groups over a real user database: the rules for members (a table),
// the group window's "Apply" (names, members, renames that keep every
// membership, nothing written when refused or unchanged), the users
// manager's commands, and changes taken back and done again exactly.
#include "kxui/users/group_props.h"
#include "kxui/users/kxa.h"
#include "kxui/users/kxa_change.h"
#include "kxu/report.h"
#include "support/reports.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

namespace {

using V = std::vector<std::string>;

void store_user(const char *name, V groups, const char *type = "user") {
  KxSetRef u(kxset::make(KxAtom(name)));
  kxa_put(u.get(), "type", type);
  kxa_put(u.get(), "class", "SDBM");
  kxset *g = kxset::make();
  for (const std::string &n : groups)
    g->append(KxAtom::null(), kxset::make(KxAtom(n)));
  u->set(KxAtom("groups"), g);
  ASSERT_EQ(kxa_store(u.get()), 0);
}

void store_group(const char *name, V members) {
  KxSetRef g(kxset::make(KxAtom(name)));
  kxa_put(g.get(), "type", "usrgroup");
  for (const std::string &m : members)
    g->append(KxAtom::null(), kxset::make(KxAtom(m)));
  ASSERT_EQ(kxa_store_group(g.get()), 0);
}

V members(const char *group) {
  KxSetRef g(kxa_fetchgroup(group));
  return kxa_members_of(g.get());
}

V groups_of(const char *name, int type = KXA_USER) {
  KxSetRef r(type == KXA_USER ? kxa_fetchuser(name) : kxa_fetchgroup(name));
  return kxa_groups_of(r.get());
}

// Every record of the database, in file order.
std::string dump() {
  std::string out;
  ndb_iter *it = ndb_iter_create(kxa_db(), -1);
  ndb_datum d;
  while (const char *key = ndb_iter_next(it, &d))
    out += std::string(key) + " => " + std::string(d.dptr, d.dsize) + "\n";
  ndb_iter_free(it);
  return out;
}

// Staff holds alice and Admins, Admins holds bob and Ops, Ops holds carol.
class Groups : public ::testing::Test {
protected:
  kxtest::TempDir dir;
  kxtest::CollectReports reports;
  kxu::ScopedFrontEnd scope{&reports};
  GroupHooks hooks;

  void SetUp() override {
    ASSERT_EQ(kxa_db_init_named(dir.file("kxauth")), 0);
    store_user("alice", {});
    store_user("bob", {});
    store_user("carol", {});
    store_user("dave", {});
    store_user("tmpl", {}, "template");
    store_group("Ops", {"carol"});
    store_group("Admins", {"bob", "Ops"});
    store_group("Staff", {"alice", "Admins"});
    ASSERT_EQ(kxa_check(), "");
    hooks.name_taken = [](const std::string &n) -> std::optional<std::string> {
      if (n == "gw")
        return n + ": Already exists (gateway)";
      return std::nullopt;
    };
  }
  void TearDown() override { kxa_db_close(); }

  std::string last() const { return reports.notices.empty() ? "" : reports.notices.back(); }
};

TEST_F(Groups, MemberRules) {
  const struct {
    const char *group, *member, *refusal; // null: may join
  } cases[] = {
      {"Staff", "dave", nullptr},
      {"Ops", "bob", nullptr},
      {"Staff", "alice", nullptr}, // already a member: no harm
      {"Ops", "Staff2", "Staff2: no such user or group"},
      {"Staff", "Staff", "Membership loop: Group Staff contained in group Staff"},
      {"Admins", "Staff", "Membership loop: Group Admins contained in group Staff"},
      {"Ops", "Staff", "Membership loop: Group Ops contained in group Staff"}, // through Admins
      {"Ops", "Admins", "Membership loop: Group Ops contained in group Admins"},
      {"Staff", "Ops", nullptr}, // held twice is no loop
      {"Staff", "tmpl", "User Templates may not be added to groups"},
      {"Staff", "All Users", "All Users is kept by the database itself"},
      {"Staff", "ALL_TEMPLATES", "ALL_TEMPLATES is kept by the database itself"},
      {"All Users", "dave", "All Users Can't be modified"},
      {"Staff", "", "Must specify name"},
  };
  for (const auto &c : cases) {
    auto why = group_member_refusal(c.group, c.member);
    EXPECT_EQ(why.value_or("may join"), c.refusal ? c.refusal : "may join") << c.group << " <- " << c.member;
  }
  EXPECT_EQ(group_member_choices("Admins"), (V{"alice", "bob", "carol", "dave", "Ops"}));
  EXPECT_EQ(group_member_choices(""), (V{"alice", "bob", "carol", "dave", "Ops", "Admins", "Staff"}));
}

TEST_F(Groups, RefusedNamesAndMembersWriteNothing) {
  KxSetRef admins(kxa_fetchgroup("Admins"));
  GroupWindow w(admins.get(), false);
  const std::string before = dump();
  const struct {
    const char *name;
    V members;
    const char *refusal;
  } cases[] = {
      {"", {"bob"}, "Must specify name"},
      {"9ers", {"bob"}, "Name must start with a letter"},
      {"ALL_GROUPS", {"bob"}, "ALL_GROUPS Can't be modified"},
      {"gw", {"bob"}, "gw: Already exists (gateway)"},
      {"Admins", {"bob", "Staff"}, "Membership loop: Group Admins contained in group Staff"},
      {"Bosses", {"Bosses"}, "Membership loop: Group Bosses contained in group Bosses"},
      {"Admins", {"bob", "Admins"}, "Membership loop: Group Admins contained in group Admins"},
      {"Admins", {"tmpl"}, "User Templates may not be added to groups"},
      {"Admins", {"zed"}, "zed: no such user or group"},
  };
  for (const auto &c : cases) {
    GroupValues v = w.shown();
    v.name = c.name;
    v.members = c.members;
    EXPECT_EQ(w.apply(v, hooks), GroupWindow::Outcome::refused) << c.name;
    EXPECT_EQ(last(), c.refusal);
    EXPECT_EQ(dump(), before) << c.name;
  }
  // Renamed to the name of another group: refused by the database layer.
  GroupValues v = w.shown();
  v.name = "Staff";
  EXPECT_EQ(w.apply(v, hooks), GroupWindow::Outcome::refused);
  EXPECT_EQ(last(), "Staff: Already exists (usrgroup)");
  EXPECT_EQ(dump(), before);
  // Unchanged: nothing written, no change to undo.
  EXPECT_EQ(w.apply(w.shown(), hooks), GroupWindow::Outcome::applied);
  EXPECT_TRUE(w.change().empty());
  EXPECT_EQ(dump(), before);
}

TEST_F(Groups, RenameKeepsEveryMembershipAndUndoesExactly) {
  KxSetRef admins(kxa_fetchgroup("Admins"));
  GroupWindow w(admins.get(), false);
  store_user("bob", {"Ops", "Admins"}); // bob also in Ops: the reference keeps its place
  const std::string before = dump();
  GroupValues v = w.shown();
  v.name = "Managers";
  v.comments = "who signs";
  ASSERT_EQ(w.apply(v, hooks), GroupWindow::Outcome::applied) << reports.joined();
  EXPECT_EQ(kxa_fetchgroup("Admins"), nullptr);
  EXPECT_EQ(members("Managers"), (V{"bob", "Ops"}));
  EXPECT_EQ(groups_of("bob"), (V{"Ops", "Managers"}));
  EXPECT_EQ(groups_of("Ops", KXA_GROUP), (V{"Managers"}));
  EXPECT_EQ(members("Staff"), (V{"alice", "Managers"}));
  EXPECT_EQ(groups_of("Managers", KXA_GROUP), (V{"Staff"}));
  EXPECT_EQ(members(KXA_ALL_GROUPS), (V{"Ops", "Managers", "Staff"}));
  KxSetRef managers(kxa_fetchgroup("Managers"));
  EXPECT_EQ(kxa_text(managers.get(), "comments"), "who signs");
  EXPECT_EQ(kxa_check(), "");
  EXPECT_EQ(w.shown().name, "Managers");

  const std::string after = dump();
  ASSERT_EQ(kxa_change_put(w.change(), false), 0);
  EXPECT_EQ(dump(), before);
  ASSERT_EQ(kxa_change_put(w.change(), true), 0);
  EXPECT_EQ(dump(), after);
  // The reopened file holds the change.
  kxa_db_close();
  ASSERT_EQ(kxa_db_init_named(dir.file("kxauth")), 0);
  EXPECT_EQ(dump(), after);
}

TEST_F(Groups, MembersJoinAndLeaveWithTheirRecords) {
  KxSetRef admins(kxa_fetchgroup("Admins"));
  GroupWindow w(admins.get(), false);
  GroupValues v = w.shown();
  v.members = {"Ops", "dave", "alice", "dave"}; // bob leaves; a name twice counts once
  v.color = "blue";
  ASSERT_EQ(w.apply(v, hooks), GroupWindow::Outcome::applied) << reports.joined();
  EXPECT_EQ(members("Admins"), (V{"Ops", "dave", "alice"}));
  EXPECT_EQ(groups_of("bob"), V{});
  EXPECT_EQ(groups_of("dave"), (V{"Admins"}));
  EXPECT_EQ(groups_of("alice"), (V{"Staff", "Admins"}));
  EXPECT_EQ(kxa_check(), "");
  // Only what changed was written: carol and Staff's other records stay.
  for (const KxaChange::Record &r : w.change().records)
    EXPECT_TRUE(r.key != "carol" && r.key != "Ops") << r.key;

  // A new group, stored on its first "Apply".
  KxSetRef fresh(kxset::make(KxAtom("Night")));
  kxa_put(fresh.get(), "type", "usrgroup");
  kxa_put(fresh.get(), "class", "SDBM");
  const std::string before = dump();
  GroupWindow n(fresh.get(), true);
  GroupValues nv = n.shown();
  nv.members = {"carol", "Admins"};
  ASSERT_EQ(n.apply(nv, hooks), GroupWindow::Outcome::applied) << reports.joined();
  EXPECT_FALSE(n.is_new());
  EXPECT_EQ(members("Night"), (V{"carol", "Admins"}));
  EXPECT_EQ(groups_of("Admins", KXA_GROUP), (V{"Staff", "Night"}));
  EXPECT_EQ(members(KXA_ALL_GROUPS), (V{"Ops", "Admins", "Staff", "Night"}));
  EXPECT_EQ(kxa_check(), "");
  ASSERT_EQ(kxa_change_put(n.change(), false), 0);
  EXPECT_EQ(dump(), before);
}

TEST_F(Groups, ManagerAddAndRemove) {
  const std::string before = dump();
  auto added = usrgroup_add_members("Ops", {"dave", "carol"});
  ASSERT_TRUE(added) << reports.joined();
  EXPECT_EQ(members("Ops"), (V{"carol", "dave"}));
  EXPECT_EQ(groups_of("dave"), (V{"Ops"}));
  const std::string with_dave = dump();
  for (const V &refused : {V{"dave", "Staff"}, V{"tmpl"}, V{"nobody"}}) {
    EXPECT_FALSE(usrgroup_add_members("Ops", refused));
    EXPECT_EQ(dump(), with_dave);
  }
  EXPECT_EQ(last(), "nobody: no such user or group");
  EXPECT_FALSE(usrgroup_add_members("All Users", {"dave"}));

  auto out = usrgroup_remove_members("Ops", {"carol"});
  ASSERT_TRUE(out);
  EXPECT_EQ(members("Ops"), (V{"dave"}));
  EXPECT_EQ(groups_of("carol"), V{});
  EXPECT_TRUE(KxSetRef(kxa_fetchuser("carol")));

  // A removed user leaves its groups; a removed group's members stay.
  auto bob = users_remove("bob");
  ASSERT_TRUE(bob);
  EXPECT_EQ(kxa_fetchuser("bob"), nullptr);
  EXPECT_EQ(members("Admins"), (V{"Ops"}));
  auto gone = users_remove("Admins");
  ASSERT_TRUE(gone);
  EXPECT_EQ(members("Staff"), (V{"alice"}));
  EXPECT_EQ(groups_of("Ops", KXA_GROUP), V{});
  EXPECT_EQ(kxa_check(), "");
  EXPECT_FALSE(users_remove("All Users"));
  EXPECT_FALSE(users_remove("nobody"));

  // Taken back in reverse order, the database is as it was.
  for (const auto *c : {&*gone, &*bob, &*out, &*added})
    ASSERT_EQ(kxa_change_put(*c, false), 0);
  EXPECT_EQ(dump(), before);
}

TEST_F(Groups, AChangeThatFailsHalfWayIsTakenBack) {
  const std::string before = dump();
  auto done = kxa_record([] {
    KxSetRef admins(kxa_fetchgroup("Admins"));
    KxSetRef to(kxsetcopy(admins.get(), -1, KxAtom("Managers")));
    if (kxa_replace_group(admins.get(), to.get()) != 0)
      return 0;
    return -1; // as if the next write had failed
  });
  EXPECT_FALSE(done);
  EXPECT_EQ(dump(), before);
  // A member deleted after the window was opened: refused, nothing written.
  KxSetRef ops(kxa_fetchgroup("Ops"));
  GroupWindow w(ops.get(), false);
  ASSERT_TRUE(users_remove("dave"));
  const std::string without_dave = dump();
  GroupValues v = w.shown();
  v.members.push_back("dave");
  EXPECT_EQ(w.apply(v, hooks), GroupWindow::Outcome::refused);
  EXPECT_EQ(last(), "dave: no such user or group");
  EXPECT_EQ(dump(), without_dave);
}

} // namespace
