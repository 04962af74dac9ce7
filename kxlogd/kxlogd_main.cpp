// kxlogd: the log service, in the role of a station's log server or of a
// module's log collector.
//
//   kxlogd -s [-a ADDRESS] [-p PORT] [-f LOGFILE] [-c CONFDIR] [-A [-M N]] [-D]
//       Log server: accepts the record streams of collectors on TCP port 257
//       (or PORT; 0 takes a free one), authenticates each for "log" with
//       CONFDIR/control.map (default: the installation's "conf"), and appends
//       their records to LOGFILE (default: kx.log in the installation's
//       "log"). The hang-up signal reopens the file; TERM and INT end it.
//       -A runs the alert commands of the global properties (CONFDIR/objects.C)
//       for records whose action name begins with "!", at most N at a time
//       (default 1).
//
//   kxlogd -l MODULEDIR [-r SERVER[,SERVER...]] [-p PORT] [-R SECONDS] [-o ORIGIN] [-D]
//       Log collector of the module in MODULEDIR (see logcollect.h): reads the
//       messages of MODULEDIR/log/kxlog.sock and the batches of
//       MODULEDIR/log/kxlog.batch and sends them to the first
//       reachable SERVER (TCP port 257 or PORT), or keeps them in
//       MODULEDIR/log/kx.log, retrying every SECONDS (default 15). ORIGIN is
//       the module's address (default: this host's).
#include "logcollect_main.h"
#include "lognet.h"

#include "kxlog/logfile.h"
#include "kxsys/conn.h"
#include "kxsys/errors.h"
#include "kxsys/serverkeys.h"
#include "kxsys/skeyauth.h"
#include "kxu/kxdir.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

kxlogd::LogServer *running_server = nullptr;

void on_stop(int) {
  if (running_server) running_server->stop();
}
void on_hangup(int) {
  if (running_server) running_server->reopen();
}

int usage() {
  fputs("Usage: kxlogd -s [-a address] [-p port] [-f logfile] [-c confdir] [-A [-M n]] [-D]\n"
        "       kxlogd -l moduledir [-r server[,server...]] [-p port] [-R seconds] [-o origin] [-D]\n",
        stderr);
  return 2;
}

int serve(const std::string &address, int port, std::string logfile, std::string confdir,
          bool alerts, int maxproc) {
  kxlogd::LogServerOptions o;
  if (!address.empty() && !kxsys::kx_resolve(address, o.address)) {
    fprintf(stderr, "kxlogd: cannot resolve %s\n", address.c_str());
    return 1;
  }
  o.port = port;
  o.logfile = logfile.empty() ? log_path(nullptr, "a") : logfile;
  o.confdir = confdir.empty() ? kx_filename(nullptr, nullptr, "conf", nullptr, nullptr) : confdir;
  while (o.confdir.size() > 1 && o.confdir.back() == '/') o.confdir.pop_back();
  if (alerts) o.alerts_objects = o.confdir + "/objects.C";
  o.act_maxproc = maxproc;
  kxsys::kxkey_set_dir(o.confdir);
  kxsys::kx_skey_install(o.confdir);
  kxlogd::LogServer server;
  std::string err;
  if (!server.start(o, err)) {
    fprintf(stderr, "kxlogd: %s\n", err.c_str());
    return 1;
  }
  running_server = &server;
  struct sigaction sa {};
  sa.sa_handler = on_stop;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sa.sa_handler = on_hangup;
  sigaction(SIGHUP, &sa, nullptr);
  printf("kxlogd: listening on %s port %d, log %s\n", kxsys::kx_dotted(o.address).c_str(),
         server.port(), o.logfile.c_str());
  fflush(stdout);
  const int rc = server.run();
  running_server = nullptr;
  fprintf(stderr, "kxlogd: Exiting.\n");
  return rc;
}

} // namespace

int main(int argc, char **argv) {
  kxsys::kx_set_progname("kxlogd");
  signal(SIGPIPE, SIG_IGN);
  bool server = false;
  std::string address, logfile, confdir, moduledir, servers, origin;
  bool alerts = false;
  int port = kxlogd::LOG_PORT, retry = 15, maxproc = 1;
  int c;
  while ((c = getopt(argc, argv, "sa:p:f:c:l:r:R:o:AM:D")) != -1) {
    switch (c) {
    case 's': server = true; break;
    case 'a': address = optarg; break;
    case 'p': port = atoi(optarg); break;
    case 'f': logfile = optarg; break;
    case 'c': confdir = optarg; break;
    case 'l': moduledir = optarg; break;
    case 'r': servers = optarg; break;
    case 'R': retry = atoi(optarg); break;
    case 'o': origin = optarg; break;
    case 'A': alerts = true; break;
    case 'M': maxproc = atoi(optarg); break;
    case 'D': kxsys::dodebugprt = true; break;
    default: return usage();
    }
  }
  if (optind != argc || port < 0 || port > 65535 || server == !moduledir.empty() || retry < 1 ||
      maxproc < 1)
    return usage();
  if (server) return serve(address, port, logfile, confdir, alerts, maxproc);
  return kxlogd::collect_main(moduledir, servers, port, retry, origin);
}
