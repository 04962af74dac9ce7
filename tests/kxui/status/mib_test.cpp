// The MIB files of the demo installation: net-snmp's parser takes them
// without a warning and resolves the names the station and the modules use.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run.h"
#include "support/tempdir.h"

namespace {

TEST(MibFiles, SnmptranslateAcceptsThemWithoutWarnings) {
  const std::string dir = std::string(KX_SOURCE_DIR) + "/demo/lib/snmp";
  // The tool's own state and configuration stay in a scratch directory.
  kxtest::TempDir state;
  std::filesystem::create_directories(state.file("cert_indexes"));
  const std::string env = "SNMP_PERSISTENT_DIR='" + state.path() + "' SNMPCONFPATH='" +
                          state.path() + "' ";
  struct Case {
    const char *name, *oid;
  };
  const Case cases[] = {
      {"KX-MIB::kxModuleState.0", ".1.3.6.1.4.1.32473.1.1.0"},
      {"KX-MIB::kxLogged.0", ".1.3.6.1.4.1.32473.1.7.0"},
      {"KX-MIB::kxEvent.0", ".1.3.6.1.4.1.32473.3.1.0"},
      {"KX-MIB::sysLocation.0", ".1.3.6.1.2.1.1.6.0"},
      {"KX-MIB::ipAdEntNetMask", ".1.3.6.1.2.1.4.20.1.3"},
      {"KX-MIB::ifDescr", ".1.3.6.1.2.1.2.2.1.2"},
      {"KX-WELLFLEET-MIB::wfSysContact.0", ".1.3.6.1.4.1.32473.2.1.3.0"},
      {"KX-WELLFLEET-MIB::wfIpTrafficFilterName", ".1.3.6.1.4.1.32473.2.2.1.1.2"},
  };
  for (const Case &c : cases) {
    const auto r = kxtest::run_command(env + "snmptranslate -M '" +
                                       dir + "' -m ALL -Pw -On " + c.name);
    EXPECT_EQ(r.status, 0) << c.name << r.err;
    EXPECT_EQ(r.out, std::string(c.oid) + "\n") << c.name;
    EXPECT_EQ(r.err, "") << c.name;
  }
}

} // namespace
