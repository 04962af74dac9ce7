#include "logcollect_main.h"

#include "kxdom.h"
#include "logcollect.h"
#include "logtrap.h"

#include "kxlog/logfile.h"
#include "kxsys/conn.h"
#include "kxu/report.h"

#include <csignal>
#include <cstdio>
#include <sstream>
#include <unistd.h>

namespace kxlogd {

namespace {
LogCollector *running = nullptr;
void on_stop(int) {
  if (running) running->stop();
}
void on_hangup(int) {
  if (running) running->reopen();
}
} // namespace

int collect_main(const std::string &moduledir, const std::string &servers, int port, int retry,
                 const std::string &origin) {
  CollectorOptions o;
  o.moduledir = moduledir;
  std::istringstream list(servers);
  for (std::string s; std::getline(list, s, ',');)
    if (!s.empty()) o.servers.push_back(s);
  o.port = port;
  o.retry = retry;
  o.min_retry = retry < 5 ? retry : 5;
  if (!origin.empty() && !kxsys::kx_resolve(origin, o.origin)) {
    fprintf(stderr, "kxlogd: cannot resolve %s\n", origin.c_str());
    return 1;
  }
  if (!o.origin) {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    kxsys::kx_resolve(host, o.origin);
  }
  kxlog_my_addr = o.origin;
  LogCollector collector(o);
  // Names are looked up by a resolver child; what it finds goes to the
  // packet filter's tables (here: a file of table updates).
  DomainResolver resolver(default_lookups(moduledir + "/log/filter-tables"));
  LogTraps traps(&resolver);
  collector.on_domain_request = [&](uint32_t address) { resolver.kx_checkdom(address); };
  collector.on_domain_tables = [&](const std::string &text) { resolver.set_tables(text); };
  collector.on_trap = [&](const kxlogrec &, const uint32_t *words, size_t n) {
    traps.log_trap(words, n);
  };
  collector.extra_fd = [&] { return resolver.fd(); };
  collector.on_extra = [&] { resolver.kxd_hostname_reply(); };
  std::string err;
  if (!collector.start(err)) {
    fprintf(stderr, "kxlogd: %s\n", err.c_str());
    return 1;
  }
  running = &collector;
  struct sigaction sa {};
  sa.sa_handler = on_stop;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sa.sa_handler = on_hangup;
  sigaction(SIGHUP, &sa, nullptr);
  printf("kxlogd: collecting for %s as %s\n", moduledir.c_str(), kxsys::kx_dotted(o.origin).c_str());
  fflush(stdout);
  const int rc = collector.run();
  running = nullptr;
  kx_message("Exiting.");
  return rc;
}

} // namespace kxlogd
