// kxagent: the module's SNMP agent stand-in. Serves the module variables
// (enterprise 32473, lib/snmp/mib.txt) and the Wellfleet variables
// (lib/snmp/wellfleet.mib) from the state file the module daemon writes,
// re-read on every request, on the UDP addresses given (default the module
// port 260 on every address).
//
//   kxagent [-f statefile] [-c community] [-C write-community] [address...]
//
// An address is net-snmp's transport form, e.g. udp:127.0.0.1:10260.
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/agent/net-snmp-agent-includes.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kxagent/agent_handler.h"

// The access-control configuration tokens (rocommunity, rwcommunity) of the
// agent library's modules.
extern "C" void init_vacm_vars(void);
extern "C" void init_vacm_conf(void);

namespace {

volatile std::sig_atomic_t stop = 0;
void on_signal(int) { stop = 1; }

int usage() {
  std::fprintf(stderr, "usage: kxagent [-f statefile] [-c community] [-C write-community] "
                       "[address...]\n");
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  std::string state_file, community = "public", write_community = "private";
  std::vector<std::string> addresses;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "-f" || a == "-c" || a == "-C") && i + 1 < argc) {
      (a == "-f" ? state_file : a == "-c" ? community : write_community) = argv[++i];
    } else if (!a.empty() && a[0] == '-') {
      return usage();
    } else {
      addresses.push_back(a);
    }
  }
  if (state_file.empty()) {
    const char *dir = std::getenv("KXDIR");
    state_file = std::string(dir && *dir ? dir : "/etc/kx") + "/state/snmpstate";
  }
  std::string ports;
  for (const std::string &a : addresses) ports += (ports.empty() ? "" : ",") + a;
  if (ports.empty()) ports = "udp:260";

  // No configuration files, no persistent state, no MIB modules: everything
  // the agent needs is given here.
  setenv("MIBS", "", 0);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
  netsnmp_ds_set_string(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_PORTS, ports.c_str());
  netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_DONT_LOG_TCPWRAPPERS_CONNECTS,
                         1);
  snmp_enable_stderrlog();
  init_agent("kxagent");
  init_vacm_vars();
  init_vacm_conf();
  kx_agent_register(state_file);
  std::string ro = "rocommunity " + community;
  std::string rw = "rwcommunity " + write_community;
  netsnmp_config(ro.data());
  netsnmp_config(rw.data());
  init_snmp("kxagent");
  if (init_master_agent() != 0) {
    std::fprintf(stderr, "kxagent: cannot listen on %s\n", ports.c_str());
    return 1;
  }
  std::signal(SIGTERM, on_signal);
  std::signal(SIGINT, on_signal);
  std::printf("kxagent: serving %s on %s\n", state_file.c_str(), ports.c_str());
  std::fflush(stdout);
  while (!stop) agent_check_and_process(1);
  snmp_shutdown("kxagent");
  return 0;
}
