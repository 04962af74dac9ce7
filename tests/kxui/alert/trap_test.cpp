// The trap mode against a real snmptrapd: enterprise, generic and specific
// numbers, agent address and the message binding; usage and option errors.
#include <gtest/gtest.h>

#include <filesystem>

#include "kxui/alert/trap.h"
#include "support/run.h"
#include "support/snmp_daemons.h"

namespace {

std::string kxui(const std::string &args) {
  return "KXDIR='" + std::string(KX_SOURCE_DIR) + "/demo' " KXUI_PATH " " + args;
}

class TrapMode : public ::testing::Test {
protected:
  kxtest::SnmpDaemon trapd{"/usr/sbin/snmptrapd",
                           "disableAuthorization yes\n"
                           "format1 TRAP %N|%w|%q|%A|%v\\n\n",
                           {"-On"}};
  std::string dest() const { return "127.0.0.1:" + std::to_string(trapd.port()); }
  void SetUp() override { ASSERT_TRUE(trapd.wait_for("NET-SNMP version")) << trapd.log(); }
};

TEST_F(TrapMode, TrapsArriveWithTheirNumbersAndMessage) {
  const std::string own = kx_own_address();
  struct Case {
    std::string args, input, expect;
  };
  const Case cases[] = {
      {"-g linkdown " + dest() + " 'link lost'", "",
       "TRAP .1.3.6.1.4.1.32473.1|2|0|" + own +
           "|.1.3.6.1.4.1.32473.3.1.0 = STRING: \"link lost\""},
      {"-s 42 " + dest(), "from the input\nsecond line\n",
       "TRAP .1.3.6.1.4.1.32473.1|6|.42|" + own +
           "|.1.3.6.1.4.1.32473.3.1.0 = STRING: \"from the input\""},
      {"-g 0 -v .1.3.6.1.4.1.32473.1.2.0 " + dest() + " cold", "",
       "TRAP .1.3.6.1.4.1.32473.1|0|0|" + own + "|.1.3.6.1.4.1.32473.1.2.0 = STRING: \"cold\""},
  };
  for (const Case &c : cases) {
    const auto r = kxtest::run_command("printf '" + c.input + "' | " + kxui("-snmp_trap " + c.args));
    EXPECT_EQ(r.status, 0) << c.args << r.err;
    EXPECT_TRUE(trapd.wait_for(c.expect)) << c.args << "\n" << trapd.log();
  }
}

TEST(TrapUsage, MessagesAndExitStatus) {
  struct Case {
    const char *args;
    int status;
    const char *err;
  };
  const Case cases[] = {
      {"-g", 1, ""},
      {"-x 1.2.3.4", 1, "error: kxui -snmp_trap: Unknown option -x\n"},
      {"-g nosuch 1.2.3.4", 1,
       "error: value of switch -g should be an integer or a valid string value\n"},
      {"-g 7 1.2.3.4", 1, "error: value of switch -g should be an integer or a valid string value\n"},
      {"-s x 1.2.3.4", 1, "error: value of switch -s should be an integer\n"},
      {"-s 3", 1, "error: kxui -snmp_trap: No host name to send trap to\n"},
      {"-v noSuchVariable.0 127.0.0.1:9 m", 1, "error: snmp_trap: can't create variable\n"},
  };
  for (const Case &c : cases) {
    const auto r = kxtest::run_command(kxui("-snmp_trap ") + c.args + " </dev/null");
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
  }
  const auto usage = kxtest::run_command(kxui("-snmp_trap"));
  EXPECT_EQ(usage.status, 0);
  EXPECT_EQ(usage.out.substr(0, 86),
            "Usage:  kxui -snmp_trap [-v var] [-g generic_trap] [-s specific_trap] host [message]\n\t");
  EXPECT_NE(usage.out.find("        5 egpNeighborLoss\n        6 enterpriseSpecific (default value)\n"
                           "     -s specific_trap: A unique number specifying the trap type.\n"
                           "\tValid only of generic trap value is enterpriseSpecific.\n"
                           " \t(Default value is 0)\n"),
            std::string::npos);
  EXPECT_EQ(kx_generic_trap("LINKUP"), 3);
  EXPECT_EQ(kx_generic_trap("6"), 6);
  EXPECT_EQ(kx_generic_trap("-1"), -1);
}

} // namespace
