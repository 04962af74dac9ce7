// kx stat, fetch, tab and logdom.
#include "kx_commands.h"

#include "kxsys/conn.h"
#include "kxsys/errors.h"
#include "kxsys/hostid.h"
#include "kxsys/kxdbdownload.h"
#include "kxsys/kxrif.h"
#include "kxsys/kxstate.h"

#include <cstdio>
#include <unistd.h>
#include <ctime>

namespace kx {

using namespace kxsys;

int cmd_stat(const std::string &host) {
  std::vector<kxinfo_t> infos;
  int n = kx_rstat(infos, host, 200);
  if (n < 0) {
    rerror(0, -1, "cannot get the status of %s", host.c_str());
    return 1;
  }
  printf("%-16s %-4s %-31s %-18s %9s %9s %9s %9s %9s\n", "interface", "dir", "filter", "loaded", "packets",
         "accepted", "rejected", "dropped", "logged");
  for (const auto &i : infos) {
    std::string when = "-";
    if (i.loadtime != 0) {
      time_t t = i.loadtime;
      char buf[64];
      strftime(buf, sizeof buf, "%d%b%y %H:%M:%S", localtime(&t));
      when = buf;
    }
    std::string filter = i.filter_str();
    printf("%-16s %-4s %-31s %-18s %9u %9u %9u %9u %9u\n", i.ifname_str().c_str(), i.direction ? "out" : "in",
           filter.empty() ? "-" : filter.c_str(), when.c_str(), uint32_t(i.npacket), uint32_t(i.naccept),
           uint32_t(i.nreject), uint32_t(i.ndrop), uint32_t(i.nlog));
  }
  // Packet counters, where the module counts (an enforcing module does).
  int64_t accepted = 0, rejected = 0, dropped = 0, logged = 0;
  for (const auto &i : infos) {
    accepted += i.naccept;
    rejected += i.nreject;
    dropped += i.ndrop;
    logged += i.nlog;
  }
  if (accepted || rejected || dropped || logged)
    printf("accepted %lld rejected %lld dropped %lld logged %lld\n", (long long)accepted, (long long)rejected,
           (long long)dropped, (long long)logged);
  return 0;
}

int cmd_fetch(const Dirs &dirs, const std::string &host) {
  std::optional<kxloadx_t> files;
  if (kx_rfetchx(host, kx_local_addresses(), files) < 0 || !files) {
    rerror(0, -1, "Failed to fetch filter from %s", host.c_str());
    return 1;
  }
  // Keep the received family in "tmp" until it is complete and its
  // database installed; only then does it replace the saved state.
  kx_filter filter;
  kxloaddb_t database;
  std::vector<std::string> targets;
  std::string why;
  bool ok = kxstate_savefiles(dirs.tmp, *files);
  if (ok && kxstate_getfilter(dirs.tmp, filter, database, targets, &why) < 0) {
    fprintf(stderr, "%s\n", why.c_str());
    ok = false;
  }
  if (ok && (!database.objects.empty() || !database.userdb.empty())) {
    std::string message;
    // The users' S/Key chains are checked under this machine's name.
    char self[256] = "";
    gethostname(self, sizeof self - 1);
    if (kx_dbdownload(dirs.database, database, self, message) != 0) {
      fprintf(stderr, "Failed to download database: %s\n", message.c_str());
      ok = false;
    }
    ok = kx_dbdownload_verify(dirs.database, !ok) == 0 && ok;
  }
  kxstate_move(dirs.tmp, dirs.state, ok);
  if (!ok) {
    fprintf(stderr, "Failed to download filter\n");
    return 1;
  }
  printf("fetched %s from %s\n", filter.id.name_str().c_str(), host.c_str());
  return 0;
}

int cmd_state(const Dirs &dirs, const std::string &module) {
  kx_filter filter;
  kxloaddb_t database;
  std::vector<std::string> targets;
  std::string why;
  if (kx_getstate(dirs.state, module, filter, database, targets, &why) < 0) {
    fprintf(stderr, "kx: %s\n", why.c_str());
    return 1;
  }
  printf("rule base %s filter id %08x\n", filter.id.name_str().c_str(), uint32_t(filter.id.filterid));
  for (const auto &t : targets)
    printf("target %s\n", t.c_str());
  for (const auto &e : filter.files.entries)
    printf("file %s %zu bytes\n", e.name.c_str(), e.contents.size());
  if (!database.objects.empty())
    printf("objects %zu bytes\n", database.objects.size());
  if (!database.userdb.empty())
    printf("users %zu bytes\n", database.userdb.size());
  return 0;
}

int cmd_tab(const std::string &host, const std::string &table) {
  if (table.empty()) {
    std::vector<std::string> names;
    if (kx_rget_tab_name(host, names) < 0) {
      rerror(0, -1, "cannot get the tables of %s", host.c_str());
      return 1;
    }
    for (const auto &n : names)
      printf("%s\n", n.c_str());
    return 0;
  }
  kxtab_t t;
  t.nentries = 65536;
  int n = kx_rstat_tab(host, table, t);
  if (n < 0) {
    rerror(0, -1, "cannot get table %s of %s", table.c_str(), host.c_str());
    return 1;
  }
  printf("%s (%s): %d entries\n", t.name_str().c_str(), fixed_str(t.format).c_str(), n);
  for (int32_t v : t.entries)
    printf("\t%s\n", kx_dotted(uint32_t(v)).c_str());
  return 0;
}

int cmd_logdom(const std::string &host) {
  auto d = kx_rget_logdom(host);
  if (!d) {
    rerror(0, -1, "cannot get the log formats of %s", host.c_str());
    return 1;
  }
  printf("filter %s host id %08x filter id %08x\n", d->id.name_str().c_str(), uint32_t(d->id.hostid),
         uint32_t(d->id.filterid));
  fputs(d->logformat.c_str(), stdout);
  fputs(d->domains.c_str(), stdout);
  return 0;
}

} // namespace kx
