// kxc cisco and kxc wellfleet on the demo installation and on scratch ones.
#include "kxui/kxcisco/ios_grammar.h"
#include "kxui/kxcisco/policy_text.h"
#include "kxui/kxcisco/router_fixture.h"
#include "support/golden.h"
#include "support/run.h"
#include "support/tempdir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace kxtest;
using ::testing::HasSubstr;

namespace {

CommandResult kxc(const std::string &kxdir, const std::string &args) {
  return run_command("KXDIR='" + kxdir + "' '" KXC_PATH "' " + args);
}

const std::string kDemo = std::string(KX_SOURCE_DIR) + "/demo";

} // namespace

TEST(KxcRouters, DemoAccessListsAreValidCommands) {
  CommandResult o = kxc(kDemo, "cisco " + kDemo + "/conf/Standard.W");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_THAT(o.out, HasSubstr("! Router cisco-dmz\n"));
  EXPECT_THAT(o.out, HasSubstr("\nend\n"));
  EXPECT_THAT(ios_bad_lines(o.out), ::testing::IsEmpty());
}

TEST(KxcRouters, ExitStatus) {
  const std::string w = kDemo + "/conf/Standard.W";
  struct Case {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"cisco", 2, "usage: kxc cisco FILE.W [ROUTER...]"},
      {"wellfleet", 2, "usage: kxc wellfleet FILE.W [ROUTER...]"},
      {"cisco " + w + " nosuch", 1, "cannot find object 'nosuch'"},
      {"cisco " + kDemo + "/conf/missing.W", 1, "Failed to open"},
      // A router that is not a cisco one: nothing to generate.
      {"cisco " + w + " wf-lab", 1, "No routers specified"},
  };
  for (const Case &c : cases) {
    CommandResult o = kxc(kDemo, c.args);
    EXPECT_EQ(o.status, c.status) << c.args;
    EXPECT_THAT(o.err, HasSubstr(c.err)) << c.args;
    if (c.status != 0) {
      EXPECT_EQ(o.out, "") << c.args;
    }
  }
}

TEST(KxcRouters, VendorPropertiesInVendorInfo) {
  TempDir dir;
  RouterSetup r;
  r.version = r.alnum = r.rules_dir = r.spoof_dir = "";
  r.ifaces = {iface("le0", "ethernet", "0", "192.9.200.1", "255.255.255.0", "(x :access (this))"),
              " :vendor_info ( :alnum (120) :version (10.2) :rules_dir (inbound) )\n"};
  dir.write("lib/setup.C", kSetup);
  dir.write("conf/objects.C", objects(router(r), " : (smtp :type (tcp) :port (25))\n"));
  dir.write("p.W", rulebase({{.services = "smtp"}}));
  CommandResult o = kxc(dir.path(), "cisco " + dir.file("p.W") + " r1");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_THAT(o.out, HasSubstr("interface ethernet 0\nip access-group 120 in\n!\n! End"));
}
