#include "kxsys/kxrif.h"

#include "kxsys/auth.h"
#include "kxsys/conn.h"
#include "kxsys/errors.h"
#include "kxsys/kxstate.h"
#include "kxsys/hostid.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace kxsys {

int kx_mgmt_port = KX_PORT_MGMT;

namespace {
struct Socket {
  int fd = -1;
  ~Socket() {
    if (fd >= 0)
      close(fd);
  }
};

template <class T> const T *get_as(const AlValues &v, size_t i) {
  return i < v.size() ? std::get_if<T>(&v[i]) : nullptr;
}
} // namespace

int al_call(int fd, uint32_t word, const AlValues &in) {
  uint32_t cmd = word & 0xff;
  WriteInt(fd, int32_t(word));
  if (ReadInt(fd) < 0) {
    fprintf(stderr, "Remote daemon can't accept cmnd %u\n", cmd);
    kxd_errno = KXD_EUNKNOWN;
    return -1;
  }
  if (kx_auth_identify(fd) != 1) {
    fprintf(stderr, "Authentication for cmnd %u failed\n", cmd);
    kxd_errno = KXD_EUNAUTH;
    return -1;
  }
  al_putin(fd, word, in);
  return 0;
}

std::optional<AlValues> kx_exchange(const std::string &host, uint32_t word, const AlValues &in, const char *abort) {
  signal(SIGPIPE, SIG_IGN);
  Socket s;
  try {
    s.fd = kx_callsocket(host, kx_mgmt_port, KX_CONNECT_SECONDS);
    if (s.fd < 0) {
      fprintf(stderr, "cannot connect to %s.%d: %s\n", host.c_str(), kx_mgmt_port, strerror(errno));
      return std::nullopt;
    }
    // The exchange in few system calls; the end word goes out when `io`
    // ends, before the socket closes.
    kx_buffered_io io(s.fd);
    if (al_call(s.fd, word, in) < 0)
      return std::nullopt;
    AlValues out = al_getout(s.fd, word);
    int saved = errno;
    WriteInt(s.fd, 0);
    io.flush();
    errno = saved;
    return out;
  } catch (const kx_unwind &) {
    fprintf(stderr, abort, host.c_str());
    fputc('\n', stderr);
    return std::nullopt;
  }
}

namespace {
// The return code of a reply (first AlRc), or -1.
int reply_rc(const std::optional<AlValues> &out) {
  if (!out)
    return -1;
  for (const auto &v : *out)
    if (auto *rc = std::get_if<AlRc>(&v))
      return rc->rc;
  return -1;
}
} // namespace

int kx_rstat(std::vector<kxinfo_t> &out, const std::string &host, int count) {
  auto r = kx_exchange(host, KXW_STAT, {AlStrings{{host}}, AlInt{count}}, "aborting the stat command on %s");
  int rc = reply_rc(r);
  if (rc < 0)
    return -1;
  if (auto *a = get_as<AlInfoArray>(*r, 1)) {
    out = a->v;
    if (out.size() > size_t(count))
      out.resize(size_t(count));
  }
  return rc;
}

int kx_resc(const std::array<uint8_t, 20> &block, const std::string &host) {
  auto r = kx_exchange(host, KXW_ESCAPE, {AlStrings{{host}}, AlFixed{block}}, "aborting the escape command on %s");
  int rc = reply_rc(r);
  return rc < 0 ? -1 : rc;
}

int kx_rstat_tab(const std::string &host, const std::string &table_name, kxtab_t &table) {
  auto r = kx_exchange(host, KXW_TAB_STAT, {AlInt{table.nentries}, AlString{table_name}}, "aborting the kxt command on %s");
  int rc = reply_rc(r);
  if (rc < 0)
    return -1;
  if (auto *t = get_as<AlTab>(*r, 1))
    table = t->v;
  return rc;
}

int kx_rget_tab_name(const std::string &host, std::vector<std::string> &names) {
  auto r = kx_exchange(host, KXW_GET_TAB_NAME, {AlStrings{{host}}}, "aborting the kxt command on %s");
  int rc = reply_rc(r);
  if (rc < 0)
    return -1;
  if (auto *s = get_as<AlStrings>(*r, 1))
    names = s->v;
  return rc;
}

std::optional<kxlogdom_t> kx_rget_logdom(const std::string &host) {
  auto r = kx_exchange(host, KXW_GET_LOGDOM, {}, "aborting the kx_get_logdom command on %s");
  if (reply_rc(r) < 0)
    return std::nullopt;
  auto *b = get_as<AlBuffer>(*r, 1);
  if (!b || !b->v)
    return std::nullopt;
  return kxlogdom_unpack(*b->v);
}

int kx_rdbdownload(const std::string &host, const kxloaddb_t &database) {
  auto r = kx_exchange(host, KXW_DB_DOWNLOAD, {AlString{host}, AlLoaddb{database}},
                       "aborting the database download command on %s");
  return reply_rc(r) < 0 ? 1 : 0;
}

std::string kx_console_line(const std::string &words, const std::string &host,
                            const std::vector<std::string> &targets) {
  std::string line = "\n" + words;
  if (targets.size() == 1) {
    line += " " + targets[0];
  } else {
    line += " {";
    for (size_t i = 0; i < targets.size(); ++i)
      line += (i ? ", " : " ") + targets[i];
    line += " }";
  }
  return line + "@" + host + "\n";
}

int kx_rdownload_files(const std::string &host, kxloadx_t files) {
  auto r = kx_exchange(host, KXW_LOAD, {AlStrings{{host}}, AlLoadx{std::move(files)}},
                       "aborting the download command on %s");
  return reply_rc(r) < 0 ? 1 : 0;
}

int kx_rdownloadx(const std::string &filter, const std::string &host, const std::vector<std::string> &targets,
                  const std::string &statedir) {
  fputs(kx_console_line("Loading " + filter + " on", host, targets).c_str(), stdout);
  fflush(stdout);
  // This machine's own family is "local" and has no entry in the links file.
  auto files = kx_is_local(host) ? kx_readfiles("local", statedir) : kxstate_getfiles(statedir, kxhostaddrs(host));
  if (!files) {
    fprintf(stderr, "failed to get files for %s\n", host.c_str());
    return 1;
  }
  return kx_rdownload_files(host, std::move(*files));
}

int kx_runloadx(const std::string &host, const std::vector<std::string> &targets) {
  fputs(kx_console_line("Unloading from", host, targets).c_str(), stdout);
  fflush(stdout);
  auto r = kx_exchange(host, KXW_UNLOAD, {AlStrings{{host}}, AlStrings{targets}}, "aborting the unload command on %s");
  return reply_rc(r) < 0 ? 1 : 0;
}

int kx_rfetchx(const std::string &host, const std::vector<uint32_t> &addresses, std::optional<kxloadx_t> &files) {
  std::vector<int32_t> ints(addresses.begin(), addresses.end());
  if (ints.size() > 20)
    ints.resize(20);
  auto r = kx_exchange(host, KXW_FETCH, {AlIntArray{ints}}, "aborting the fetchx command on %s");
  int rc = reply_rc(r);
  if (rc < 0)
    return -1;
  if (auto *x = get_as<AlLoadx>(*r, 1))
    files = x->v;
  return rc;
}

} // namespace kxsys
