// The object managers' naming and grouping rules, as tables of typed names
// and what each gives.
#include "demo_site.h"

#include "kxui/editor/naming.h"
#include "kxu/sym.h"

#include <map>

namespace kxtest {
namespace {

class NamingTest : public DemoTest {
protected:
  void SetUp() override {
    DemoTest::SetUp();
    user_ = KxSetRef(kxobj_create(nullptr, "alice", "user"));
    template_ = KxSetRef(kxobj_create(nullptr, "default_tmpl", "template"));
    users_.find = [this](const std::string &n) -> kxset * {
      if (n == "alice") return user_.get();
      if (n == "default_tmpl") return template_.get();
      return nullptr;
    };
    users_.is_template = [this](const kxset *o) { return o == template_.get(); };
  }
  KxSetRef user_, template_;
  UserNames users_;
};

TEST_F(NamingTest, CreateOrOpenByName) {
  sym_add(SYM_NETWORKS, "kxtest-lan", 0x0a0b0000);
  sym_add(SYM_HOSTS, "kxtest-pc", 0x0100000a);
  sym_add(SYM_TCP, "kxtest-svc", 4711);
  const struct {
    const char *name, *requested;
    ObjList list;
    EditCreate::Kind kind;
    const char *result; // the new type, the opened object, or the refusal
  } cases[] = {
      {"gw-cisco", "default", ObjList::netobj, EditCreate::create, "router"},
      {"wellrouter", "default", ObjList::netobj, EditCreate::create, "router"},
      {"Admins", "default", ObjList::netobj, EditCreate::create, "group"},
      {".sales", "default", ObjList::netobj, EditCreate::create, "domain"},
      {"sales", "domain", ObjList::netobj, EditCreate::create, "domain"},
      {"kxtest-lan", "default", ObjList::netobj, EditCreate::create, "network"},
      {"kxtest-pc", "default", ObjList::netobj, EditCreate::create, "host"},
      {"backnet", "default", ObjList::netobj, EditCreate::create, "network"},
      {"printer", "default", ObjList::netobj, EditCreate::refuse, "printer: Must specify type"},
      {"printer", "host", ObjList::netobj, EditCreate::create, "host"},
      {"gw", "default", ObjList::netobj, EditCreate::open, "gw"},
      {"GW", "default", ObjList::netobj, EditCreate::open, "gw"},
      {"gw", "network", ObjList::netobj, EditCreate::refuse, "gw: Already exists"},
      {"smtp", "default", ObjList::netobj, EditCreate::refuse, "smtp: Already exists (tcp)"},
      {"alice", "default", ObjList::netobj, EditCreate::refuse, "alice: Already exists (user)"},
      {"gw", "default", ObjList::services, EditCreate::refuse, "gw: Already exists (gateway)"},
      {"", "default", ObjList::netobj, EditCreate::refuse, "Must specify name"},
      {"9lives", "default", ObjList::netobj, EditCreate::refuse, "Name must start with a letter"},
      {"All Users", "default", ObjList::users, EditCreate::refuse, "All Users Can't be modified"},
      {"kxtest-svc", "default", ObjList::services, EditCreate::create, "tcp"},
      {"my-tcp-thing", "default", ObjList::services, EditCreate::create, "tcp"},
      {"my-udp-thing", "default", ObjList::services, EditCreate::create, "udp"},
      {"thing", "default", ObjList::services, EditCreate::refuse, "thing: Must specify type"},
      {"smtp", "default", ObjList::services, EditCreate::open, "smtp"},
      {"alice", "default", ObjList::users, EditCreate::open, "alice"},
      {"bob", "default", ObjList::users, EditCreate::create, "user"},
      {"Staff2", "default", ObjList::users, EditCreate::create, "usrgroup"},
      {"mail", "default", ObjList::users, EditCreate::refuse, "mail: Already exists (host)"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.name) + " as " + c.requested);
    const EditCreate r = kxobj_editcreate(c.name, c.requested, c.list, users_);
    KxSetRef held(r.kind == EditCreate::create ? r.obj : nullptr);
    ASSERT_EQ(r.kind, c.kind) << r.message;
    switch (r.kind) {
    case EditCreate::create:
      EXPECT_STREQ(kxobj_type(r.obj), c.result);
      if (std::string(c.result) == "domain") {
        EXPECT_EQ(kxobj_name(r.obj)[0], '.');
      }
      if (c.list == ObjList::users) {
        EXPECT_STREQ(kxobj_get(r.obj, "class"), "SDBM");
      }
      break;
    case EditCreate::open:
      EXPECT_STREQ(kxobj_name(r.obj), c.result);
      break;
    case EditCreate::refuse:
      EXPECT_EQ(r.message, c.result);
      break;
    }
  }
  // No table changed on the way.
  EXPECT_FALSE(kxobj_member(kx_netobj, "gw-cisco"));
}

TEST_F(NamingTest, GroupingRules) {
  kxset *a = kxobj_create(kx_netobj, "GroupA", "group");
  kxset *b = kxobj_create(kx_netobj, "GroupB", "group");
  kxset *gw = net("gw");
  ASSERT_FALSE(notify_add_objects(b, {gw}, ObjList::netobj));
  ASSERT_FALSE(notify_add_objects(a, {b}, ObjList::netobj)); // A holds B
  EXPECT_EQ(kxobj_nmember(a), 1);
  EXPECT_EQ(notify_add_objects(b, {a}, ObjList::netobj).value_or(""),
            "Membership loop: Group GroupB contained in group GroupA");
  EXPECT_EQ(notify_add_objects(a, {a}, ObjList::netobj).value_or(""),
            "Membership loop: Group GroupA contained in group GroupA");
  // Adding a member twice keeps one.
  ASSERT_FALSE(notify_add_objects(b, {gw}, ObjList::netobj));
  EXPECT_EQ(kxobj_nmember(b), 1);
  EXPECT_EQ(check_add_objects(user_.get(), {template_.get()}, ObjList::users, users_).value_or(""),
            "User Templates may not be added to groups");
  EXPECT_EQ(name_in_use("SMTP", nullptr, users_).value_or(""), "SMTP: Already exists (tcp)");
  EXPECT_FALSE(name_in_use("gw", gw, users_));
}

} // namespace
} // namespace kxtest
