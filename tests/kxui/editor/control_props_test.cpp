// The "Control Properties" pages: the encodings the compiler reads, stored
// values outside a choice, page-wise Apply and refusals that write nothing.
#include "demo_site.h"

#include "kxui/editor/control_props.h"

namespace kxtest {
namespace {

const Form &page(const char *title) {
  for (const Form &f : control_pages())
    if (f.title == title) return f;
  throw std::runtime_error(title);
}

TEST(FormEncodings, FlagsPositionsAndChoices) {
  const struct {
    const char *stored;
    bool flag;
  } flags[] = {{"true", true}, {"t", true}, {"yes", false}, {"TRUE", false}, {"", false}, {"false", false}};
  for (const auto &c : flags) EXPECT_EQ(flag_value(c.stored), c.flag) << c.stored;

  const auto &pos = position_labels();
  EXPECT_EQ(choice_index(pos, "before last"), 2);
  EXPECT_EQ(choice_index(pos, "Before-Last  "), 2);
  EXPECT_EQ(choice_index(pos, "middle"), -1);
  EXPECT_EQ(choice_store("Before Last"), "before last");
  EXPECT_EQ(choice_store("SYS (Current System Settings)"), "sys (current system settings)");
}

TEST_F(DemoTest, PagesShowTheStoredValues) {
  kxset *props = control_props_set();
  ASSERT_TRUE(props);
  const Form &sec = page("Security Policy");
  kxobj_put(props, "rip_p", "Before Last");
  kxobj_put(props, "icmpenable_p", "middle");
  kxobj_remove(props, "ftpdata_p");
  kxobj_put(props, "gatewaydir", "EITHERBOUND");
  const FormValues v = form_read(sec, props);
  EXPECT_EQ(v[form_field(sec, "rip_p")], "Before Last");
  EXPECT_EQ(v[form_field(sec, "icmpenable_p")], "middle"); // shown as an extra item, not lost
  EXPECT_EQ(v[form_field(sec, "ftpdata_p")], "First");
  EXPECT_EQ(v[form_field(sec, "gatewaydir")], "Eitherbound");
  EXPECT_EQ(v[form_field(sec, "kx1enable")], "true");

  const Form &names = page("Names Resolving");
  EXPECT_EQ(form_read(names, props)[form_field(names, "resolver_1")], "SYS (Current System Settings)");
  const Form &log = page("Logging and Alerting");
  kxobj_remove(props, "mailcmd");
  EXPECT_EQ(form_read(log, props)[form_field(log, "mailcmd")], "Mail -s 'Brenmark Alert'  root");
}

TEST_F(DemoTest, ApplyWritesOnePageInTheCompilersEncoding) {
  kxset *props = control_props_set();
  const std::string before = text(props);
  // Applying every page unchanged changes nothing of the demo's properties.
  for (const Form &p : control_pages()) ASSERT_FALSE(control_page_apply(p, props, form_read(p, props)));
  EXPECT_EQ(text(props), before);

  const Form &routers = page("Routers");
  FormValues v = form_read(routers, props);
  v[form_field(routers, "rip_router")] = "false";
  v[form_field(routers, "rip_router_p")] = "Before Last";
  const std::string rip = kxobj_get(props, "rip"), rip_p = kxobj_get(props, "rip_p");
  ASSERT_FALSE(control_page_apply(routers, props, v));
  EXPECT_STREQ(kxobj_get(props, "rip_router"), "false");
  EXPECT_STREQ(kxobj_get(props, "rip_router_p"), "before last");
  EXPECT_EQ(kxobj_get(props, "rip"), rip); // another page's property stays
  EXPECT_EQ(kxobj_get(props, "rip_p"), rip_p);
  EXPECT_EQ(obj_modified, 1);
}

TEST_F(DemoTest, RefusedValueLeavesThePageUnwritten) {
  kxset *props = control_props_set();
  const std::string before = text(props);
  const Form &sec = page("Security Policy");
  FormValues v = form_read(sec, props);
  v[form_field(sec, "rip")] = "false";        // a good change ...
  v[form_field(sec, "udptimeout")] = "forty"; // ... and a bad one
  auto refused = control_page_apply(sec, props, v);
  ASSERT_TRUE(refused);
  EXPECT_NE(refused->find("Reply Timeout"), std::string::npos) << *refused;
  EXPECT_EQ(text(props), before);

  const Form &auth = page("User Authentication");
  v = form_read(auth, props);
  v[form_field(auth, "default_track")] = "NoSuchTrack";
  EXPECT_TRUE(control_page_apply(auth, props, v));
  v[form_field(auth, "default_track")] = "Short";
  EXPECT_FALSE(control_page_apply(auth, props, v));
  EXPECT_STREQ(kxobj_get(props, "default_track"), "Short");
}

} // namespace
} // namespace kxtest
