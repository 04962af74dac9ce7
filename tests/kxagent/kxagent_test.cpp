// The module agent stand-in: the state file's values through snmpget,
// kxc status against it, a change of the file seen at the next request, and
// sets of the Wellfleet system texts with the write community only.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "kxagent/agent_state.h"
#include "kxui/status/kxst_answer.h"
#include "support/run.h"
#include "support/snmp_daemons.h"
#include "support/tempdir.h"

namespace {

const char *const installed = "state installed\nfilter Standard\ndate 11Dec126  0:20:00\n"
                              "accepted 100\nrejected 10\ndropped 5\nlogged 7\n"
                              "wf_name lab\nwf_filter JIIIIIIIStandard.wf\n";

class Agent : public ::testing::Test {
protected:
  kxtest::TempDir dir;
  int port = kxtest::free_udp_port();
  pid_t pid = -1;
  std::string state;

  void SetUp() override {
    state = dir.write("snmpstate", installed);
    pid = fork();
    if (pid == 0) {
      const std::string log = dir.file("agent.log");
      freopen(log.c_str(), "w", stdout);
      const std::string addr = "udp:127.0.0.1:" + std::to_string(port);
      execl(KXAGENT_PATH, "kxagent", "-f", state.c_str(), addr.c_str(), nullptr);
      _exit(127);
    }
    for (int i = 0; i < 200 && kxtest::slurp(dir.file("agent.log")).empty(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  void TearDown() override {
    kill(pid, SIGTERM);
    int st = 0;
    waitpid(pid, &st, 0);
  }
  kxtest::CommandResult snmp(const std::string &tool, const std::string &community,
                             const std::string &args) {
    return kxtest::run_command("MIBS= SNMPCONFPATH=" + dir.path() + " " + tool +
                               " -v2c -On -t 2 -c " + community + " 127.0.0.1:" +
                               std::to_string(port) + " " + args);
  }
  kxtest::CommandResult kxc_status(const std::string &args = "") {
    return kxtest::run_command("KXDIR='" + std::string(KX_SOURCE_DIR) + "/demo' " KXC_PATH
                               " status --address 127.0.0.1 --timeout 500 --port " +
                               std::to_string(port) + " " + args);
  }
};

TEST_F(Agent, ServesTheStateFileToSnmpgetAndKxcStatus) {
  auto r = snmp("snmpget", "public", ".1.3.6.1.4.1.32473.1.1.0 .1.3.6.1.4.1.32473.1.6.0");
  EXPECT_EQ(r.out, ".1.3.6.1.4.1.32473.1.1.0 = STRING: \"installed\"\n"
                   ".1.3.6.1.4.1.32473.1.6.0 = Counter32: 5\n") << r.err;
  r = kxc_status();
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string module =
      "state: installed; name: Standard; date: \"11Dec126  0:20:00\"; accepted: 100; "
      "rejected: 15; logged: 7\n";
  std::string wf_date, wf_name;
  kx_wf_filter_name("JIIIIIIIStandard.wf", wf_date, wf_name);
  EXPECT_EQ(r.out, "gw: " + module + "ns: " + module +
                       "wf-lab: state: installed; name: Standard; date: \"" + wf_date + "\"\n");

  dir.write("snmpstate", "state installed\nfilter\n");
  r = kxc_status("ns wf-lab");
  EXPECT_EQ(r.out.substr(0, 25), "ns: state: \"not installed");
  EXPECT_NE(r.out.find("wf-lab: state: \"not installed\""), std::string::npos) << r.out;
}

TEST_F(Agent, SetsNeedTheWriteCommunityAndAWritableText) {
  const std::string name = ".1.3.6.1.4.1.32473.2.1.2.0";
  EXPECT_NE(snmp("snmpset", "public", "" + name + " s x").status, 0);
  EXPECT_NE(snmp("snmpset", "private", ".1.3.6.1.4.1.32473.1.1.0 s x").status, 0);
  EXPECT_NE(snmp("snmpset", "private", "" + name + " i 3").status, 0);
  EXPECT_EQ(snmp("snmpset", "private", "" + name + " s lab2").status, 0);
  EXPECT_EQ(snmp("snmpget", "public", "" + name).out, name + " = STRING: \"lab2\"\n");
}

TEST(AgentState, ParseKeepsToItsLimits) {
  std::string text = "# comment\nstate  odd\naccepted 99999999999\nrejected x\n";
  for (int i = 0; i < 1200; ++i) text += "wf_filter f" + std::to_string(i) + "\n";
  const KxAgentTable t = kx_agent_parse(text + std::string(5000, 'z'));
  EXPECT_EQ(t.at({1, 3, 6, 1, 4, 1, 32473, 1, 1, 0}).text, " odd");
  EXPECT_EQ(t.at({1, 3, 6, 1, 4, 1, 32473, 1, 4, 0}).count, 0xffffffffu);
  EXPECT_EQ(t.at({1, 3, 6, 1, 4, 1, 32473, 1, 5, 0}).count, 0u);
  EXPECT_EQ(t.count({1, 3, 6, 1, 4, 1, 32473, 2, 2, 1, 1, 2, 1000}), 1u);
  EXPECT_EQ(t.count({1, 3, 6, 1, 4, 1, 32473, 2, 2, 1, 1, 2, 1001}), 0u);
  EXPECT_EQ(kx_agent_parse("").at({1, 3, 6, 1, 4, 1, 32473, 1, 1, 0}).text, "not installed");
}

} // namespace
