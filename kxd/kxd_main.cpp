// kxd: the management daemon of a firewall module.
//
//   kxd [-a ADDRESS] [-p PORT] [-d DIR] [-k MS] [-n [-N]] [-D]
//
// Serves the management commands on TCP port 256 (or PORT; 0 takes a free
// one) of ADDRESS (default any), from the module directory DIR (default .).
// Prints "kxd: listening on ADDRESS port N" once it accepts connections.
// A command that works longer than MS milliseconds (default 5000) sends its
// peer keep-alives every MS. The SNMP agent's "state/snmpstate" is kept
// current: after every load and unload, and every second for the counters.
// With -n the loaded filter is enforced: its ruleset goes into nftables and
// its tracked packets into the module's log. That is refused in the initial
// network namespace (the station's own) unless -N says so.
#include "kxd_enforce.h"
#include "kxd_module.h"
#include "kxd_keepalive.h"
#include "kxd_server.h"
#include "userdb_install.h"

#include "kxsys/conn.h"
#include "kxsys/errors.h"
#include "kxsys/serverkeys.h"
#include "kxsys/skeyauth.h"
#include "kxsys/tevent.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
int stop_pipe[2] = {-1, -1};

void on_signal(int) {
  char c = 0;
  (void)!write(stop_pipe[1], &c, 1);
}

void on_stop(int, void *) { kxsys::T_event_stop(); }

// The counters change while nothing is loaded or unloaded.
void on_snmp_refresh(void *module) { static_cast<kxd::Module *>(module)->update_snmpstate(); }
constexpr double kSnmpRefreshMs = 1000;

int usage() {
  fputs("Usage: kxd [-a address] [-p port] [-d dir] [-k ms] [-n [-N]] [-D]\n", stderr);
  return 2;
}
} // namespace

int main(int argc, char **argv) {
  using namespace kxsys;
  kx_set_progname("kxd");
  std::string address, dir = ".";
  int port = KX_PORT_MGMT;
  bool enforce = false, initial_ok = false;
  int c;
  while ((c = getopt(argc, argv, "a:p:d:k:nND")) != -1) {
    switch (c) {
    case 'k': kxd::keepalive_ms = std::max(1, atoi(optarg)); break;
    case 'n': enforce = true; break;
    case 'N': initial_ok = true; break;
    case 'a': address = optarg; break;
    case 'p': port = atoi(optarg); break;
    case 'd': dir = optarg; break;
    case 'D': dodebugprt = true; break;
    default: return usage();
    }
  }
  if (optind != argc || port < 0 || port > 65535)
    return usage();
  uint32_t addr = 0;
  if (!address.empty() && !kx_resolve(address, addr)) {
    fprintf(stderr, "kxd: cannot resolve %s\n", address.c_str());
    return 1;
  }
  signal(SIGPIPE, SIG_IGN);
  std::shared_ptr<kxd::Enforcer> enforcer;
  if (enforce) {
    if (kxnft::in_initial_netns() && !initial_ok) {
      fputs("kxd: refusing to filter in the initial network namespace (the station's own); "
            "run in a module's namespace, or give -N\n",
            stderr);
      return 1;
    }
    enforcer = std::make_shared<kxd::Enforcer>(dir);
  }
  kxd::Module module(dir, enforcer);
  if (enforcer)
    module.set_counter_provider(enforcer);
  for (const auto &m : module.messages())
    fprintf(stderr, "kxd: %s\n", m.c_str());
  if (!module.error().empty()) {
    fprintf(stderr, "kxd: %s\n", module.error().c_str());
    return 1;
  }
  kxkey_set_dir(dir);
  kx_skey_install(dir);
  kxd::install_userdb_installer();
  module.update_snmpstate();
  T_event_periodic_sched(kSnmpRefreshMs, on_snmp_refresh, &module);
  int bound = 0;
  int listener = kx_establish(addr, port, 4, &bound);
  if (listener < 0) {
    perror(("kxd: cannot listen on " + kx_dotted(addr) + " port " + std::to_string(port)).c_str());
    return 1;
  }
  if (pipe(stop_pipe) != 0)
    return 1;
  signal(SIGTERM, on_signal);
  signal(SIGINT, on_signal);
  T_event_set_socket(stop_pipe[0], on_stop, nullptr);
  kxd::start_listener(module, listener);
  printf("kxd: listening on %s port %d\n", kx_dotted(addr).c_str(), bound);
  fflush(stdout);
  int rc = T_event_mainloop();
  close(listener);
  // Let connections being served finish (they are bounded by the I/O waits).
  for (int i = 0; i < 100 && kxd::active_connections() > 0; ++i)
    usleep(20000);
  // Threads still serving a stalled peer must not outlive the module.
  if (kxd::active_connections() > 0)
    _exit(rc < 0 ? 1 : 0);
  return rc < 0 ? 1 : 0;
}
