// Object property windows: every attribute of the demo objects survives a
// fill and Apply unchanged; defaults of new objects; choices stored in lower
// case; look-ups; refusals.
#include "demo_site.h"

#include "kxui/editor/objforms.h"
#include "kxui/editor/scramble.h"
#include "kxu/sym.h"

namespace kxtest {
namespace {

TEST_F(DemoTest, EveryDemoObjectRoundTripsUnchanged) {
  int checked = 0;
  for (kxset *table : {kx_netobj, kx_services}) {
    for (int i = 0; i < table->getnattr(); ++i) {
      kxset *obj = table->get(i);
      const auto kind = obj_kind(obj);
      if (!kind) continue;
      const std::string before = text(obj);
      const Form &form = obj_form(*kind);
      const FormValues shown = form_read(form, obj);
      // Write back without the defaults: what the window shows comes back as it was.
      form_write(form, obj, shown);
      EXPECT_EQ(text(obj), before) << kxobj_name(obj);
      ++checked;
    }
  }
  EXPECT_GT(checked, 20);
  // The router setups too.
  for (auto [name, kind] : {std::pair{"cisco-dmz", ObjKind::cisco}, std::pair{"wf-lab", ObjKind::wellfleet}}) {
    kxset *r = net(name);
    ASSERT_TRUE(r) << name;
    const std::string before = text(r);
    kxset *target = obj_form_target(kind, r, false);
    form_write(obj_form(kind), target, form_read(obj_form(kind), target));
    EXPECT_EQ(text(r), before) << name;
  }
}

TEST_F(DemoTest, NewObjectsGetTheirDefaults) {
  KxSetRef host(kxobj_create(nullptr, "pc1", "host"));
  FormValues v = form_read(obj_form(ObjKind::host), host.get());
  v[form_field(obj_form(ObjKind::host), "ipaddr")] = "192.168.10.7";
  ASSERT_FALSE(obj_apply(ObjKind::host, host.get(), v));
  EXPECT_STREQ(kxobj_get(host.get(), "read_community"), "public");
  EXPECT_STREQ(kxobj_get(host.get(), "write_community"), "private");
  EXPECT_STREQ(kxobj_get(host.get(), "show_in_menus"), "true");
  EXPECT_STREQ(kxobj_get(host.get(), "type"), "host");

  const struct {
    const char *vendor;
    const char *alnum, *version;
  } routers[] = {{"Cisco", "101", "9.x"}, {"", "101", "9.x"}, {"Wellfleet", "", ""}};
  for (const auto &c : routers) {
    KxSetRef r(kxobj_create(nullptr, "rt", "router"));
    FormValues rv = form_read(obj_form(ObjKind::router), r.get());
    rv[form_field(obj_form(ObjKind::router), "vendor")] = c.vendor;
    ASSERT_FALSE(obj_apply(ObjKind::router, r.get(), rv));
    EXPECT_STREQ(kxobj_get(r.get(), "read_community"), "public") << c.vendor;
    EXPECT_STREQ(kxobj_get(r.get(), "write_community"), "public") << c.vendor;
    EXPECT_STREQ(kxobj_get(r.get(), "alnum"), c.alnum) << c.vendor;
    EXPECT_STREQ(kxobj_get(r.get(), "version"), c.version) << c.vendor;
  }
}

TEST_F(DemoTest, ChoicesAreShownByLabelAndStoredInLowerCase) {
  kxset *gw = net("gw");
  const Form &f = obj_form(ObjKind::host);
  kxobj_put(gw, "location", "EXTERNAL");
  FormValues v = form_read(f, gw);
  EXPECT_EQ(v[form_field(f, "location")], "External");
  v[form_field(f, "firewall")] = "Not Installed";
  v[form_field(f, "location")] = "Internal";
  ASSERT_FALSE(obj_apply(ObjKind::host, gw, v));
  EXPECT_STREQ(kxobj_get(gw, "firewall"), "not installed");
  EXPECT_STREQ(kxobj_get(gw, "location"), "internal");
  EXPECT_STREQ(kxobj_get(gw, "color"), "Firebrick"); // colours keep their label
}

TEST_F(DemoTest, RefusedApplyWritesNothing) {
  kxset *gw = net("gw");
  const std::string before = text(gw);
  const Form &f = obj_form(ObjKind::host);
  const struct {
    const char *attr, *value, *message;
  } bad[] = {{"ipaddr", "192.168.10", "not a dotted address"},
             {"ipaddr", "300.1.1.1", "not a dotted address"},
             {"", "", "Must specify name"},
             {"", "9lives", "Name must start with a letter"}};
  for (const auto &c : bad) {
    FormValues v = form_read(f, gw);
    v[form_field(f, "comments")] = "changed";
    v[form_field(f, c.attr)] = c.value;
    auto refused = obj_apply(ObjKind::host, gw, v);
    ASSERT_TRUE(refused) << c.value;
    EXPECT_NE(refused->find(c.message), std::string::npos) << *refused;
    EXPECT_EQ(text(gw), before);
  }
  FormValues v = form_read(f, gw);
  v[form_field(f, "")] = "mail";
  auto taken = obj_apply(ObjKind::host, gw, v, [](const std::string &n, const kxset *) {
    return std::optional<std::string>(n + ": Already exists (host)");
  });
  ASSERT_TRUE(taken);
  EXPECT_EQ(text(gw), before);
}

TEST_F(DemoTest, CiscoSetupScramblesPasswordsAndKeepsVendorInfoInStep) {
  kxset *r = net("cisco-dmz");
  const Form &f = obj_form(ObjKind::cisco);
  FormValues v = form_read(f, r);
  v[form_field(f, "passwd")] = "s3cret";
  v[form_field(f, "alnum")] = "120";
  ASSERT_FALSE(obj_apply(ObjKind::cisco, r, v));
  EXPECT_STRNE(kxobj_get(r, "passwd"), "s3cret");
  EXPECT_EQ(kxushowstr(kxobj_get(r, "passwd")).value_or(""), "s3cret");
  EXPECT_EQ(form_read(f, r)[form_field(f, "passwd")], "s3cret");
  EXPECT_STREQ(kxobj_get(r, "alnum"), "120");
  EXPECT_STREQ(kxobj_get(kxobj_getobj(r, "vendor_info", 0), "alnum"), "120");
  EXPECT_FALSE(kxushowstr("1:zz"));
  EXPECT_FALSE(kxushowstr("plain"));
}

TEST(ObjLookup, NameDatabasesAndTheirMessages) {
  sym_add(SYM_TCP, "kxtest-tcp", 4711);
  sym_add(SYM_RPC, "kxtest-rpc", 100777);
  std::string err;
  EXPECT_EQ(obj_lookup(ObjKind::tcp, "kxtest-tcp", &err)->at("port"), "4711");
  EXPECT_EQ(obj_lookup(ObjKind::rpc, "kxtest-rpc", &err)->at("prognum"), "100777");
  EXPECT_FALSE(obj_lookup(ObjKind::udp, "kxtest-none", &err));
  EXPECT_EQ(err, "UDP Service 'kxtest-none' not found");
  EXPECT_FALSE(obj_lookup(ObjKind::network, "kxtest-none", &err));
  EXPECT_EQ(err, "Net 'kxtest-none' not found");
  EXPECT_FALSE(obj_lookup(ObjKind::host, "kxtest-none.invalid", &err));
  EXPECT_EQ(err, "Cannot find address of 'kxtest-none.invalid'");
}

} // namespace
} // namespace kxtest
