// kxloggen OUT [--records N] [--origins K] [--origin ADDR] [--seed S] [--start TIME] [--damage]
//
// Writes a synthetic log: per origin a log-system record, an interface list
// and the log-info record of its filter with the format text the compiler's
// tracks produce, then N connection records spread over the origins, with a
// filter reset, log-system records and a sync record every 1,000 records.
// --damage cuts the first bytes off, puts garbage between records and a sync
// word inside a record's data, so readers have to resynchronise.
#include "kxlog/logrec.h"
#include "kxlog/logwrite.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char kFormatText[] =
    "# log formats of filter demo\n"
    "%%format: conn 1\n"
    "src ipaddr\n"
    "dst ipaddr\n"
    "service port\n"
    "proto proto\n"
    "s_port port\n"
    "rule int\n"
    "info string\n"
    "%%format: icmp 2\n"
    "src ipaddr\n"
    "dst ipaddr\n"
    "proto proto\n"
    "rule int\n"
    "%%action: accept 0\n"
    "%%action: drop 1\n"
    "%%action: reject 2\n"
    "%%action: ![Alert]mail 3\n";

struct Gen {
  LogWriter out;
  std::mt19937 rng;
  uint32_t now;
  int origins;
  bool damage;
  uint32_t first_origin;

  uint32_t origin(int i) const { return first_origin + uint32_t(i); }
  kxid_t filter_id(int i) const { return kxid_t::make("Standard", now, 0x7f000001u, 0x1000u + uint32_t(i)); }

  kxlogrec header(int o, uint8_t format) {
    kxlogrec h;
    h.origin = origin(o);
    h.time = now;
    h.format = format;
    h.fid = 1;
    return h;
  }

  void announce(int o) {
    out.add(header(o, LOG_FMT_SYSTEM), logsys_data(LOGSYS_START, "kx.log"));
    kxlogrec ifs = header(o, 0);
    ifs.type = LOG_TYPE_IFNAME;
    out.add(ifs, kxif_list2x({{"eth0", 0}, {"eth1", 1}, {"dmz0", 2}}));
    kxlogdom dom{filter_id(o), kFormatText, ""};
    out.add(header(o, LOG_FMT_INFO), kxlogdom2x(dom));
  }

  static void put_text(std::vector<uint8_t> &data, size_t word, const char *text) {
    std::memcpy(data.data() + 4 * word, text, std::strlen(text));
  }

  void connection(long i) {
    const int o = int(rng() % unsigned(origins));
    const bool icmp = rng() % 10 == 0;
    const uint32_t action = rng() % 100 < 70 ? 0 : (rng() % 3 == 0 ? 3 : 1);
    kxlogrec h = header(o, icmp ? 2 : 1);
    h.set_action_if(action == 0 ? LOG_ACT_ACCEPT : LOG_ACT_DROP, int(rng() % 3));
    h.direction = uint8_t(rng() % 2);
    const uint32_t src = 0xC6336400u + rng() % 200; // 198.51.100.x
    const uint32_t dst = 0xCB007100u + rng() % 50;  // 203.0.113.x
    std::vector<uint8_t> data;
    if (icmp) {
      data.resize(5 * 4);
      put_be32(&data[0], src);
      put_be32(&data[4], dst);
      put_be32(&data[8], 1);
      put_be32(&data[12], 9);
      put_be32(&data[16], action);
    } else {
      static const uint32_t ports[] = {80, 443, 25, 22, 53, 8080, 3306};
      const bool udp = rng() % 5 == 0;
      data.resize(11 * 4);
      put_be32(&data[0], src);
      put_be32(&data[4], dst);
      put_be32(&data[8], ports[rng() % 7]);
      put_be32(&data[12], udp ? 17 : 6);
      put_be32(&data[16], 1024 + rng() % 60000);
      put_be32(&data[20], 1 + rng() % 10);
      put_be32(&data[24], 7u << 16 | 3u); // the text in words 7-9
      put_text(data, 7, i % 2 ? "len 1460" : "len 40");
      put_be32(&data[40], action);
    }
    out.add(h, data);
  }

  void garbage(const std::string &path) {
    out.close();
    std::vector<uint8_t> junk(4 * (1 + rng() % 8));
    for (auto &b : junk) b = uint8_t(rng());
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    if (fd >= 0) {
      if (::write(fd, junk.data(), junk.size()) < 0) std::perror("kxloggen");
      ::close(fd);
    }
    out.open(path);
  }
};

int usage() {
  std::fprintf(stderr, "usage: kxloggen OUT [--records N] [--origins K] [--seed S] "
                       "[--origin ADDR] [--start TIME] [--damage]\n");
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) return usage();
  const std::string path = argv[1];
  long records = 1000;
  int origins = 3;
  unsigned seed = 1;
  uint32_t start = 1796889600; // 2026-12-10 08:00 UTC
  bool damage = false;
  uint32_t first_origin = 0xC0000201u; // 192.0.2.1
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    const char *v = i + 1 < argc ? argv[i + 1] : nullptr;
    if (a == "--damage") { damage = true; continue; }
    if (!v) return usage();
    ++i;
    if (a == "--records") records = std::atol(v);
    else if (a == "--origins") origins = std::atoi(v);
    else if (a == "--origin") {
      in_addr addr{};
      if (inet_pton(AF_INET, v, &addr) != 1) return usage();
      first_origin = ntohl(addr.s_addr);
    } else if (a == "--seed") seed = unsigned(std::atol(v));
    else if (a == "--start") start = uint32_t(std::atoll(v));
    else return usage();
  }
  if (records < 0 || origins < 1 || origins > 250) return usage();

  Gen g{{}, std::mt19937(seed), start, origins, damage, first_origin};
  if (!g.out.open(path, true)) {
    std::perror(path.c_str());
    return 1;
  }
  if (damage) {
    // A file that begins in the middle of a record.
    kxlogrec h = g.header(0, 1);
    std::vector<uint8_t> cut(40, 0x41);
    g.out.add(h, cut);
    g.out.close();
    if (truncate(path.c_str(), 37) != 0) std::perror("kxloggen");
    g.out.open(path);
  }
  g.out.add_sync(g.now);
  for (int o = 0; o < origins; ++o) g.announce(o);
  for (long i = 0; i < records; ++i) {
    if (i % 1000 == 999) g.out.add_sync(g.now);
    if (i % 97 == 0) g.now += 1 + g.rng() % 5;
    if (i == records / 2) {
      kxlogrec h = g.header(0, LOG_FMT_RESET);
      kxid_t id = g.filter_id(0);
      g.out.add(h, id.raw, sizeof id.raw);
    }
    if (damage && i % 211 == 105) g.garbage(path);
    if (damage && i % 307 == 150) {
      // A record whose data holds the sync word: readers drop it.
      kxlogrec h = g.header(0, 1);
      std::vector<uint8_t> data(12 * 4, 0);
      put_be32(&data[16], LOG_SYNC_WORD);
      put_be32(&data[20], 0);
      g.out.add(h, data);
    }
    g.connection(i);
  }
  for (int o = 0; o < origins; ++o)
    g.out.add(g.header(o, LOG_FMT_SYSTEM), logsys_data(LOGSYS_STOP, "kx.log"));
  return 0;
}
