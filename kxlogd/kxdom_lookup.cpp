// The resolver child's default lookups: the system's host database, the
// host's port mapper (program 100000, version 2, procedure DUMP over TCP),
// and filter table updates appended as lines to a file (the packet filter's
// stand-in).
#include "kxdom.h"

#include "kxsys/conn.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <netdb.h>
#include <poll.h>
#include <unistd.h>

namespace kxlogd {

namespace {
std::vector<std::string> host_names(uint32_t address) {
  const uint32_t net = htonl(address);
  hostent he{}, *res = nullptr;
  std::vector<char> buf(8192);
  int herr = 0;
  std::vector<std::string> names;
  if (gethostbyaddr_r(&net, sizeof net, AF_INET, &he, buf.data(), buf.size(), &res, &herr) != 0 ||
      !res)
    return names;
  if (res->h_name) names.push_back(res->h_name);
  for (char **a = res->h_aliases; a && *a; ++a) names.push_back(*a);
  return names;
}

bool io_all(int fd, void *p, size_t n, bool reading) {
  char *b = static_cast<char *>(p);
  while (n > 0) {
    pollfd pf{fd, short(reading ? POLLIN : POLLOUT), 0};
    if (poll(&pf, 1, 5000) <= 0) return false;
    const ssize_t r = reading ? read(fd, b, n) : write(fd, b, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    b += r;
    n -= size_t(r);
  }
  return true;
}

uint32_t word(const std::vector<uint8_t> &b, size_t at) {
  return at + 4 <= b.size() ? uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 |
                                  uint32_t(b[at + 2]) << 8 | b[at + 3]
                            : 0;
}

std::optional<std::vector<std::vector<uint32_t>>> pmap_dump(uint32_t address) {
  const int fd = kxsys::kx_get_connected_tcp(address, 111, 5);
  if (fd < 0) return std::nullopt;
  // Record mark, xid, CALL, RPC 2, portmapper 100000 v2 DUMP, null credentials.
  const uint32_t call[] = {0x80000000u | 40, 0x4b58444d, 0, 2, 100000, 2, 4, 0, 0, 0, 0};
  uint32_t net[std::size(call)];
  for (size_t i = 0; i < std::size(call); ++i) net[i] = htonl(call[i]);
  std::vector<uint8_t> reply;
  bool ok = io_all(fd, net, sizeof net, false);
  for (bool last = false; ok && !last && reply.size() < (1u << 20);) {
    uint32_t mark = 0;
    ok = io_all(fd, &mark, 4, true);
    mark = ntohl(mark);
    last = mark & 0x80000000u;
    const size_t len = mark & 0x7fffffffu;
    if (!ok || len > (1u << 20)) break;
    const size_t at = reply.size();
    reply.resize(at + len);
    ok = io_all(fd, reply.data() + at, len, true);
  }
  close(fd);
  // xid, REPLY, MSG_ACCEPTED, verifier (flavour, length, body), SUCCESS.
  if (!ok || word(reply, 4) != 1 || word(reply, 8) != 0) return std::nullopt;
  size_t at = 20 + ((word(reply, 16) + 3) & ~3u);
  if (word(reply, at) != 0) return std::nullopt;
  at += 4;
  std::vector<std::vector<uint32_t>> regs;
  while (word(reply, at) == 1 && at + 20 <= reply.size()) {
    // program, version, protocol, port -> (host, protocol, port, program)
    regs.push_back({address, word(reply, at + 12), word(reply, at + 16), word(reply, at + 4)});
    at += 20;
  }
  return regs;
}
} // namespace

DomainLookups default_lookups(const std::string &tables_file) {
  DomainLookups l;
  l.names = host_names;
  l.pmap = pmap_dump;
  l.table_update = [tables_file](const std::string &table, const std::vector<uint32_t> &values) {
    FILE *f = fopen(tables_file.c_str(), "a");
    if (!f) {
      perror(("kxdom: " + tables_file).c_str());
      return;
    }
    fprintf(f, "%s %zu", table.c_str(), values.size());
    for (uint32_t v : values) fprintf(f, " %x", v);
    fputc('\n', f);
    fclose(f);
  };
  return l;
}

} // namespace kxlogd
