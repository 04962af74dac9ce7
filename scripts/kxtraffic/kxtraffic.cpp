// kxtraffic MODULEDIR [--rate N] [--count N] [--seed S] [--fid F] [--seq 1]
//
// Plays a demo module's packet filter: once the module has a filter installed
// (its "local" family in MODULEDIR/state), sends log messages in the layout
// the filter's log formats define (data words, then the trailer {format,
// action and interface, direction, fid}) to the module's batch socket
// MODULEDIR/log/kxlog.batch, N per second (default 20) until COUNT messages
// (default: no end); the messages due at one moment go as one batch. Connections come from and go to the demo site's
// networks and servers, mostly accepted, some dropped or rejected, a few
// raising the filter's alerts. A rate of 0 sends as fast as the collector
// takes them, in batches of up to 64 KB. With --seq 1 the "rule" word counts the messages from 0 (and
// alerts are left out), so that a reader can check that none was lost or
// reordered.
#include "kxlog/logbatch.h"
#include "kxlog/logformat.h"
#include "kxlog/logrec.h"
#include "kxlog/logtypes.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

volatile sig_atomic_t stopping = 0;
void on_stop(int) { stopping = 1; }

// A small, fast generator (xorshift64*, its state spread from the seed by
// splitmix64): the flow needs variety, not statistical quality, and a
// generator running flat out spends most of its time here.
class Random {
public:
  explicit Random(uint64_t seed) {
    uint64_t z = seed + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    state_ = (z ^ (z >> 31)) | 1;
  }
  uint32_t operator()() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return uint32_t((state_ * 0x2545F4914F6CDD1Dull) >> 32);
  }

private:
  uint64_t state_;
};

struct Site {
  Random rng;
  uint32_t next() { return rng(); }
  uint32_t pick(std::initializer_list<uint32_t> list) {
    return *(list.begin() + next() % list.size());
  }
  uint32_t inside() { return pick({0xC0A80A02, 0xC0A80A03, 0xC0A8140A, 0xC0A80A00 + 10 + next() % 90}); }
  uint32_t outside() { return pick({0xC6336400 + next() % 250, 0xCB007100 + next() % 250, 0xCB007107}); }
};

struct Conn {
  uint32_t src, dst, service, proto, sport, len, rule;
};

std::string read_text(const std::string &path) {
  std::ifstream f(path);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// What a format's fields are filled with.
enum Field { kSrc, kDst, kService, kProto, kSport, kLen, kRule, kZero };
Field field_of(const std::string &label) {
  static const std::pair<const char *, Field> known[] = {
      {"src", kSrc},      {"dst", kDst}, {"service", kService}, {"proto", kProto},
      {"s_port", kSport}, {"len", kLen}, {"rule", kRule}};
  for (const auto &[name, f] : known)
    if (label == name) return f;
  return kZero;
}

// Sends the batch as one datagram, connecting first when needed (the
// collector may not be up yet, or may have been restarted).
bool send_batch(int &fd, const sockaddr_un &sa, const std::vector<uint8_t> &batch) {
  if (fd < 0) {
    fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const int sndbuf = 1 << 20;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
    if (connect(fd, reinterpret_cast<const sockaddr *>(&sa), sizeof sa) != 0) {
      close(fd);
      fd = -1;
      return false;
    }
  }
  for (;;) {
    if (send(fd, batch.data(), batch.size(), MSG_NOSIGNAL) == ssize_t(batch.size())) return true;
    if (errno == EINTR && !stopping) continue;
    close(fd);
    fd = -1;
    return false;
  }
}

int usage() {
  fputs("usage: kxtraffic MODULEDIR [--rate N] [--count N] [--seed S] [--fid F] [--seq 1]\n",
        stderr);
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) return usage();
  const std::string dir = argv[1];
  double rate = 20;
  long count = -1;
  unsigned seed = unsigned(getpid());
  int fid = 1;
  bool seq = false;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--rate") rate = atof(argv[i + 1]);
    else if (a == "--count") count = atol(argv[i + 1]);
    else if (a == "--seed") seed = unsigned(atol(argv[i + 1]));
    else if (a == "--fid") fid = atoi(argv[i + 1]);
    else if (a == "--seq") seq = atoi(argv[i + 1]) != 0;
    else return usage();
  }
  if (argc % 2 || rate < 0 || fid < 0 || fid > 255) return usage();
  signal(SIGTERM, on_stop);
  signal(SIGINT, on_stop);

  // Waits for the module's filter: its log formats say what to send.
  std::string lg;
  while (!stopping && (lg = read_text(dir + "/state/local.lg")).empty()) sleep(1);
  log_format_table table;
  log_parseformat(lg.data(), &table, lg.size());
  std::vector<int> formats;
  for (int f = 0; f < 252; ++f)
    if (table.get(f)) formats.push_back(f);
  std::vector<std::pair<uint32_t, int>> actions; // action number, header action code
  std::vector<uint32_t> alerts;
  for (const auto &[num, name] : table.actions) {
    if (!name.empty() && name[0] == '!') alerts.push_back(num);
    else {
      const int code = ifactioncode(name.c_str());
      actions.push_back({num, code >= 0 && code <= 2 ? code : int(LOG_ACT_DROP)});
    }
  }
  std::vector<std::vector<Field>> fields(252);
  for (int f : formats)
    for (const auto &field : table.get(f)->fields) fields[size_t(f)].push_back(field_of(field.label));
  if (formats.empty()) {
    fprintf(stderr, "kxtraffic: the filter of %s logs no formats\n", dir.c_str());
    return 1;
  }

  int fd = -1;
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  const std::string path = dir + "/log/kxlog.batch";
  if (path.size() >= sizeof sa.sun_path) return usage();
  std::strcpy(sa.sun_path, path.c_str());

  Site site{Random(seed)};
  std::vector<uint8_t> batch;
  batch.reserve(LOG_BATCH_MAX);
  long in_batch = 0;
  const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(rate > 0 ? 1.0 / rate : 0));
  auto next = std::chrono::steady_clock::now();
  for (long sent = 0; !stopping && (count < 0 || sent < count);) {
    const int format = formats[site.next() % formats.size()];
    const bool inbound = site.next() % 3 != 0;
    static const uint32_t services[][2] = {{80, 6}, {443, 6}, {25, 6}, {22, 6}, {53, 17},
                                           {21, 6}, {23, 6}, {110, 6}, {123, 17}, {161, 17}};
    const auto &svc = services[site.next() % std::size(services)];
    const Conn c{inbound ? site.outside() : site.inside(),
                 inbound ? site.inside() : site.outside(),
                 svc[0], svc[1], 1024 + site.next() % 64000, 40 + site.next() % 1460,
                 seq ? uint32_t(sent + in_batch) : 1 + site.next() % 10};
    const uint32_t values[] = {c.src, c.dst, c.service, c.proto, c.sport, c.len, c.rule, 0};
    const size_t message = log_batch_begin(batch);
    const auto &kinds = fields[size_t(format)];
    batch.resize(batch.size() + 4 * kinds.size() + 8);
    uint8_t *out = &batch[message + 4];
    for (Field f : kinds) {
      put_be32(out, values[f]);
      out += 4;
    }
    // Mostly accepted, some dropped or rejected, now and then an alert.
    uint32_t action_word = LOG_NO_ACTION;
    int code = LOG_ACT_ACCEPT;
    const unsigned roll = site.next() % 100;
    if (!alerts.empty() && roll < 2 && !seq) {
      action_word = alerts[site.next() % alerts.size()];
      code = LOG_ACT_DROP;
    } else if (!actions.empty()) {
      const auto &a = actions[roll < 75 ? actions.size() - 1 : site.next() % actions.size()];
      action_word = a.first;
      code = a.second;
    }
    put_be32(out, action_word);
    out[4] = uint8_t(format);
    out[5] = uint8_t((code & 3) << 6 | (inbound ? 0 : 1));
    out[6] = uint8_t(inbound ? 0 : 1);
    out[7] = uint8_t(fid);
    log_batch_end(batch, message);
    ++in_batch;
    const bool room = batch.size() + 4 + LOG_MESSAGE_MAX <= LOG_BATCH_MAX &&
                      (count < 0 || sent + in_batch < count);
    if (rate > 0) next += period;
    // Unpaced, messages go out when the batch is full; paced, the messages
    // due by now go together.
    if (room && (rate == 0 || next <= std::chrono::steady_clock::now())) continue;
    while (!send_batch(fd, sa, batch) && !stopping) sleep(1); // no collector yet
    sent += in_batch;
    in_batch = 0;
    batch.clear();
    if (rate > 0) std::this_thread::sleep_until(next);
  }
  if (fd >= 0) close(fd);
  return 0;
}
