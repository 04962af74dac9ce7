// logd_blast PORT RECORDS [CLIENTS]
//
// The log server alone: CLIENTS (default 4) connections from 127.0.1.31 ...
// stream RECORDS numbered connection records each to the server on
// 127.0.1.1:PORT as fast as it takes them, keeping at most 8 MB each that the
// server has not acknowledged, as a collector does. Prints the seconds from
// the first record to the last acknowledgement.
#include "logconnect.h"
#include "logproto.h"

#include "kxlog/logrec.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kWindow = 8u << 20;

void append(std::vector<uint8_t> &out, kxlogrec h, const std::vector<uint8_t> &data) {
  h.length = uint16_t(data.size());
  const size_t at = out.size();
  out.resize(at + LOG_HEADER_SIZE + data.size());
  kxlogrec2x(h, &out[at]);
  std::copy(data.begin(), data.end(), out.begin() + long(at + LOG_HEADER_SIZE));
}

bool stream(int port, long records, uint32_t origin) {
  std::string why;
  const int fd = kxlogd::log_connect_server("127.0.1.1", port, 5, true, why, origin);
  if (fd < 0) {
    fprintf(stderr, "logd_blast: %s\n", why.c_str());
    return false;
  }
  const uint32_t now = uint32_t(time(nullptr));
  std::vector<uint8_t> head;
  kxlogrec ifs;
  ifs.type = LOG_TYPE_IFNAME;
  ifs.origin = origin;
  ifs.time = now;
  append(head, ifs, kxif_list2x({{"eth0", 0}, {"eth1", 1}}));
  kxlogrec info;
  info.origin = origin;
  info.time = now;
  info.format = LOG_FMT_INFO;
  info.fid = 1;
  append(head, info,
         kxlogdom2x({kxid_t::make("Bench", now, origin, 1),
                     "%%format: short 1\nsrc ipaddr\ndst ipaddr\nservice port\nproto proto\nrule int\n"
                     "%%action: accept 2\n",
                     ""}));
  for (size_t off = 0; off < head.size();) {
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, 5000) <= 0) return false;
    const ssize_t w = send(fd, head.data() + off, head.size() - off, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (w > 0) off += size_t(w);
  }
  // Records go out from one block whose numbers are renewed for each
  // round, so that the clients cost little beside the server.
  kxlogrec h;
  h.origin = origin;
  h.time = now;
  h.format = 1;
  h.fid = 1;
  h.set_action_if(LOG_ACT_ACCEPT, 1);
  std::vector<uint8_t> data(6 * 4), block, in;
  const uint32_t w[] = {0xC6336401, 0xC0A80A02, 25, 6, 0, 2};
  for (size_t i = 0; i < 6; ++i) put_be32(&data[4 * i], w[i]);
  constexpr long kBlock = 8192;
  constexpr size_t kRecord = LOG_HEADER_SIZE + 24, kSeqAt = LOG_HEADER_SIZE + 16;
  for (long i = 0; i < kBlock; ++i) append(block, h, data);
  long sent = 0, acked = -2; // the two description records count too
  uint32_t taken = 0;
  size_t off = 0, len = 0;
  while (acked < records) {
    const long room = long(kWindow / kRecord) - (sent - acked);
    if (off == len && sent < records && room > 0) {
      const long n = std::min({kBlock, records - sent, room});
      for (long i = 0; i < n; ++i) put_be32(&block[size_t(i) * kRecord + kSeqAt], uint32_t(sent + i));
      off = 0;
      len = size_t(n) * kRecord;
      sent += n;
    }
    pollfd p{fd, short(POLLIN | (off < len ? POLLOUT : 0)), 0};
    if (poll(&p, 1, 5000) <= 0) break;
    if (p.revents & POLLOUT) {
      const ssize_t w = send(fd, block.data() + off, len - off, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (w > 0) off += size_t(w);
    }
    if (p.revents & POLLIN) {
      uint8_t buf[4096];
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n <= 0) break;
      in.insert(in.end(), buf, buf + n);
      size_t at = 0;
      for (; in.size() - at >= 8; at += 8)
        if (be32(&in[at]) == kxlogd::LOG_ACK_WORD) taken = be32(&in[at + 4]);
      in.erase(in.begin(), in.begin() + long(at));
      acked = long(taken) - 2;
    }
  }
  close(fd);
  return acked >= records;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    fputs("usage: logd_blast PORT RECORDS [CLIENTS]\n", stderr);
    return 2;
  }
  const int port = atoi(argv[1]);
  const long records = atol(argv[2]);
  const int clients = argc > 3 ? atoi(argv[3]) : 4;
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  std::vector<char> ok(static_cast<size_t>(clients), 0);
  for (int i = 0; i < clients; ++i)
    threads.emplace_back([&, i] { ok[size_t(i)] = stream(port, records, 0x7f00011f + uint32_t(i)); });
  for (auto &t : threads) t.join();
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  printf("%.3f\n", secs);
  for (char k : ok)
    if (!k) return 1;
  return 0;
}
