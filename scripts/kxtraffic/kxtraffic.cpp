// kxtraffic MODULEDIR [--rate N] [--count N] [--seed S] [--fid F] [--seq 1]
//
// Plays a demo module's packet filter: once the module has a filter installed
// (its "local" family in MODULEDIR/state), sends log messages in the layout
// the filter's log formats define (data words, then the trailer {format,
// action and interface, direction, fid}) to the module's message socket
// MODULEDIR/log/kxlog.sock, N per second (default 20) until COUNT messages
// (default: no end). Connections come from and go to the demo site's
// networks and servers, mostly accepted, some dropped or rejected, a few
// raising the filter's alerts. A rate of 0 sends as fast as the collector
// takes them. With --seq 1 the "rule" word counts the messages from 0 (and
// alerts are left out), so that a reader can check that none was lost or
// reordered.
#include "kxlog/logformat.h"
#include "kxlog/logrec.h"
#include "kxlog/logtypes.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
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

struct Site {
  std::mt19937 rng;
  uint32_t next() { return uint32_t(rng()); }
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

// Sends what it can of the batch and removes that from it; the count sent.
long send_batch(int fd, sockaddr_un &sa, std::vector<std::vector<uint8_t>> &batch) {
  std::vector<mmsghdr> msgs(batch.size());
  std::vector<iovec> iov(batch.size());
  for (size_t i = 0; i < batch.size(); ++i) {
    iov[i] = {const_cast<uint8_t *>(batch[i].data()), batch[i].size()};
    msgs[i] = {};
    msgs[i].msg_hdr.msg_name = &sa;
    msgs[i].msg_hdr.msg_namelen = sizeof sa;
    msgs[i].msg_hdr.msg_iov = &iov[i];
    msgs[i].msg_hdr.msg_iovlen = 1;
  }
  size_t done = 0;
  while (done < msgs.size()) {
    const int n = sendmmsg(fd, msgs.data() + done, unsigned(msgs.size() - done), 0);
    if (n <= 0) break;
    done += size_t(n);
  }
  batch.erase(batch.begin(), batch.begin() + long(done));
  return long(done);
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
  if (formats.empty()) {
    fprintf(stderr, "kxtraffic: the filter of %s logs no formats\n", dir.c_str());
    return 1;
  }

  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  const std::string path = dir + "/log/kxlog.sock";
  if (path.size() >= sizeof sa.sun_path) return usage();
  std::strcpy(sa.sun_path, path.c_str());

  Site site{std::mt19937(seed)};
  std::vector<std::vector<uint8_t>> batch;
  const auto period = std::chrono::duration<double>(rate > 0 ? 1.0 / rate : 0);
  auto next = std::chrono::steady_clock::now();
  for (long sent = 0; !stopping && (count < 0 || sent < count);) {
    const int format = formats[site.next() % formats.size()];
    const log_fmt &fmt = *table.get(format);
    const bool inbound = site.next() % 3 != 0;
    static const uint32_t services[][2] = {{80, 6}, {443, 6}, {25, 6}, {22, 6}, {53, 17},
                                           {21, 6}, {23, 6}, {110, 6}, {123, 17}, {161, 17}};
    const auto &svc = services[site.next() % std::size(services)];
    const Conn c{inbound ? site.outside() : site.inside(),
                 inbound ? site.inside() : site.outside(),
                 svc[0], svc[1], 1024 + site.next() % 64000, 40 + site.next() % 1460,
                 seq ? uint32_t(sent + long(batch.size())) : 1 + site.next() % 10};
    std::vector<uint8_t> msg;
    auto put = [&](uint32_t w) {
      msg.resize(msg.size() + 4);
      put_be32(&msg[msg.size() - 4], w);
    };
    for (const auto &field : fmt.fields) {
      const std::string &l = field.label;
      if (l == "src") put(c.src);
      else if (l == "dst") put(c.dst);
      else if (l == "service") put(c.service);
      else if (l == "proto") put(c.proto);
      else if (l == "s_port") put(c.sport);
      else if (l == "len") put(c.len);
      else if (l == "rule") put(c.rule);
      else put(0);
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
    put(action_word);
    msg.push_back(uint8_t(format));
    msg.push_back(uint8_t((code & 3) << 6 | (inbound ? 0 : 1)));
    msg.push_back(inbound ? 0 : 1);
    msg.push_back(uint8_t(fid));
    // Unpaced, messages go out in batches of datagrams.
    batch.push_back(std::move(msg));
    if (rate == 0 && batch.size() < 64 && (count < 0 || sent + long(batch.size()) < count)) continue;
    sent += send_batch(fd, sa, batch);
    if (!batch.empty()) {
      sleep(1); // no collector yet
      continue;
    }
    if (rate > 0) {
      next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
      std::this_thread::sleep_until(next);
    }
  }
  close(fd);
  return 0;
}
