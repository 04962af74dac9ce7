// kx: the management command-line tool.
//
//   kx [-p PORT] [-D] load FILTER TARGET...
//   kx [-p PORT] [-D] unload TARGET...
//   kx [-p PORT] [-D] dbload TARGET...
//   kx [-p PORT] [-D] stat HOST | fetch HOST | tab HOST [TABLE] | logdom HOST
//   kx [-n] state MODULE
//   kx keyinit MODULE SEED [LENGTH]
//
// -n (or KX_NOLOOPBACK=1) sets noloopback: no module is taken for this
// machine, so even "localhost" gets a family of its own in the state store.
// A TARGET is a module (address or host name), optionally preceded by the
// interface it concerns: "le0@gw". Without one the whole module is meant.
#include "kx_commands.h"
#include "userdb_install.h"

#include "kxsys/errors.h"
#include "kxsys/hostid.h"
#include "kxsys/kxrif.h"
#include "kxsys/serverkeys.h"
#include "kxsys/skeyauth.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
int usage() {
  fputs("Usage: kx [-n] [-p port] [-D] load FILTER TARGET...\n"
        "       kx [-p port] [-D] unload TARGET...\n"
        "       kx [-n] [-p port] [-D] dbload TARGET...\n"
        "       kx [-p port] [-D] stat HOST | fetch HOST | tab HOST [TABLE] | logdom HOST\n"
        "       kx [-n] state MODULE\n"
        "       kx keyinit MODULE SEED [LENGTH]\n",
        stderr);
  return 2;
}
} // namespace

int main(int argc, char **argv) {
  using namespace kxsys;
  kx_set_progname("kx");
  if (const char *p = getenv("KX_PORT"))
    kx_mgmt_port = atoi(p);
  if (const char *n = getenv("KX_NOLOOPBACK"); n && *n && strcmp(n, "0") != 0)
    kx_noloopback = true;
  int c;
  while ((c = getopt(argc, argv, "+p:Dn")) != -1) {
    switch (c) {
    case 'p': kx_mgmt_port = atoi(optarg); break;
    case 'n': kx_noloopback = true; break;
    case 'D': dodebugprt = true; break;
    default: return usage();
    }
  }
  if (optind >= argc)
    return usage();
  std::string word = argv[optind];
  std::vector<std::string> args(argv + optind + 1, argv + argc);
  kx::Dirs dirs = kx::find_dirs(argv[0]);
  kxd::install_userdb_installer();
  kxkey_set_dir(dirs.conf);
  kx_skey_install(dirs.conf);
  if (word == "keyinit" && (args.size() == 2 || args.size() == 3)) {
    // A new chain for the "skey" method: the secret goes to "serverkeys",
    // the line printed goes to the module's key file "skeykeys".
    int length = args.size() == 3 ? atoi(args[2].c_str()) : kxchainlen;
    std::string line = length > 0 ? kx_skey_newchain(args[0], args[1], length) : "";
    if (line.empty()) {
      fprintf(stderr, "kx: cannot store a new secret for %s\n", args[0].c_str());
      return 1;
    }
    printf("%s\n", line.c_str());
    return 0;
  }
  if (word == "load" && args.size() >= 2) {
    int status = kx::cmd_load(dirs, args[0], {args.begin() + 1, args.end()});
    // What the load kept goes back to the system with the process, without
    // its destructors.
    fflush(stdout);
    fflush(stderr);
    _exit(status);
  }
  if (word == "unload" && !args.empty())
    return kx::cmd_unload(args);
  if (word == "dbload" && !args.empty())
    return kx::cmd_dbload(dirs, args);
  if (word == "stat" && args.size() == 1)
    return kx::cmd_stat(args[0]);
  if (word == "fetch" && args.size() == 1)
    return kx::cmd_fetch(dirs, args[0]);
  if (word == "tab" && (args.size() == 1 || args.size() == 2))
    return kx::cmd_tab(args[0], args.size() == 2 ? args[1] : "");
  if (word == "state" && args.size() == 1)
    return kx::cmd_state(dirs, args[0]);
  if (word == "logdom" && args.size() == 1)
    return kx::cmd_logdom(args[0]);
  return usage();
}
