#include "kxlog/logfile.h"

#include "kxlog/logbad.h"
#include "kxlog/logprint.h"
#include "kxu/kxdir.h"
#include "kxu/report.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

uint32_t my_address() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return 0;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo *res = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &res) != 0 || !res) return 0;
  const uint32_t a = ntohl(reinterpret_cast<sockaddr_in *>(res->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(res);
  return a;
}

struct LogState {
  LogReader reader;
  LogWriter writer;
  std::string path;
  long recnum = 0;
};

LogState &state() {
  static LogState s;
  return s;
}

} // namespace

uint32_t kxlog_my_addr = 0; // learnt when a log is first opened for appending
time_t log_id = 0;

std::string log_path(const char *name, const char *mode) {
  if (name && *name && mode && mode[0] == 'r' && access(name, F_OK) == 0) return name;
  return kx_filename(nullptr, name && *name ? name : nullptr, "log", "kx.log", "KXLOGDIR");
}

void log_close() {
  state().reader.close();
  state().writer.close();
}

int log_open(const char *name, const char *mode) {
  LogState &s = state();
  log_close();
  s.recnum = 0;
  s.path = log_path(name, mode);
  const bool reading = mode && mode[0] == 'r';
  if (reading) return s.reader.open(s.path) ? 0 : -1;
  if (!s.writer.open(s.path, mode && mode[0] == 'w')) return -1;
  if (!kxlog_my_addr) kxlog_my_addr = my_address();
  const uint32_t now = uint32_t(time(nullptr));
  s.writer.add_sync(now);
  kxlogrec h;
  h.format = LOG_FMT_SYSTEM;
  h.origin = kxlog_my_addr;
  h.time = now;
  s.writer.add(h, logsys_data(LOGSYS_SENDING, "localhost"));
  return 0;
}

void log_initfile() {
  if (log_open(nullptr, "a") < 0) error(1, -1, "Failed to open logfile");
  log_id = time(nullptr);
}

long log_add(const kxlogrec &header, const uint8_t *data, size_t length) {
  if (!state().writer.is_open()) return 0;
  return state().writer.add(header, data, length);
}

void log_add_sync() {
  if (state().writer.is_open()) state().writer.add_sync(uint32_t(time(nullptr)));
}

void log_flush() {} // records go straight to the file with one write each

int log_get_fp(kxlogrec &header, std::vector<uint8_t> &data, LogReader &reader) {
  return reader.get(header, data);
}

int log_get(kxlogrec &header, std::vector<uint8_t> &data) {
  return log_get_fp(header, data, state().reader);
}

long log_recnum() { return state().recnum; }
void log_set_recnum(long n) { state().recnum = n; }
uint64_t log_size() { return state().writer.size(); }

long log_readstream(LogReader &reader, LogStream &stream, long recnum) {
  kxlogrec h;
  std::vector<uint8_t> data;
  while (reader.get(h, data) >= 0) stream.feed(h, data.data(), data.size(), recnum++);
  return recnum;
}

void log_readfile(uint32_t origin, uint32_t from, uint32_t to) {
  LogStream *self = nullptr;
  LogStream stream([&self](const log_shown &s) { log_p(s, self->hosts()); });
  self = &stream;
  stream.set_filter(origin, from, to);
  stream.set_queueing(log_qdata != 0);
  state().recnum = log_readstream(state().reader, stream, state().recnum);
  stream.finish();
}

int log_again(LogReader &reader, const std::string &path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  if (reader.is_open() && st.st_ino == reader.inode()) return 0;
  if (!reader.open(path)) return -1;
  std::printf("%s log file switched\n", log_timestr(time(nullptr)).c_str());
  std::fflush(stdout);
  return 1;
}

int log_again() {
  LogState &s = state();
  if (s.path.empty()) s.path = log_path(nullptr, "r");
  const int r = log_again(s.reader, s.path);
  if (r == 1) s.recnum = 0;
  return r;
}
