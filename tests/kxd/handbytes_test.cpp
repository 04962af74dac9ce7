// kxd spoken to with bytes built by hand, not through the library, to pin
// the wire format; and peers that send garbage or stall.
#include "daemons.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
using Bytes = std::vector<uint8_t>;

Bytes be(std::initializer_list<uint32_t> words) {
  Bytes out;
  for (uint32_t w : words)
    for (int s = 24; s >= 0; s -= 8)
      out.push_back(uint8_t(w >> s));
  return out;
}

struct Raw {
  int fd = -1;
  Raw(const std::string &address, int port) {
    fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(uint16_t(port));
    inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
      close(fd);
      fd = -1;
    }
    timeval tv{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  }
  ~Raw() {
    if (fd >= 0)
      close(fd);
  }
  void send(const Bytes &b) { ASSERT_EQ(write(fd, b.data(), b.size()), ssize_t(b.size())); }
  Bytes recv(size_t n) {
    Bytes out(n);
    size_t got = 0;
    while (got < n) {
      ssize_t r = read(fd, out.data() + got, n - got);
      if (r <= 0)
        break;
      got += size_t(r);
    }
    out.resize(got);
    return out;
  }
  // True when the daemon closed the connection (end of file within 10 s).
  bool closed_by_peer() {
    char c;
    return read(fd, &c, 1) == 0;
  }
};

// Command word of "stat": 2 | strings<<8 | int<<14 | (rc|out)<<20 | (info array|out)<<26.
constexpr uint32_t kStatWord = 2 | (1u << 8) | (3u << 14) | ((4u | 0x20) << 20) | ((22u | 0x20) << 26);
} // namespace

TEST(HandBytes, StatExchangeHasTheseBytes) {
  kxtest::Daemons mods(1, "*: none/*\n");
  ASSERT_TRUE(mods.ok());
  Raw r(mods[0].address, mods.port());
  ASSERT_GE(r.fd, 0);
  EXPECT_EQ(kStatWord, 0xda40c102u);
  r.send(be({0x12000000, kStatWord}));
  EXPECT_EQ(r.recv(4), be({0})); // command accepted
  Bytes method = be({5});
  method.insert(method.end(), {'n', 'o', 'n', 'e', 0});
  EXPECT_EQ(r.recv(9), method);
  EXPECT_EQ(r.recv(4), be({1})); // authentication result
  Bytes request = be({1, 2, 'x' << 24, 2});
  request.resize(10); // strings list {"x"}: count 1, length 2, "x\0"; then int 2
  Bytes tail = be({2});
  request.insert(request.end(), tail.begin(), tail.end());
  r.send(request);
  EXPECT_EQ(r.recv(4), be({4}));      // return code: 4 records exist
  EXPECT_EQ(r.recv(4), be({2 * 88})); // two fit: one buffer of 88 bytes each
  Bytes recs = r.recv(176);
  ASSERT_EQ(recs.size(), 176u);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(recs.data())), "le0");
  EXPECT_EQ(Bytes(recs.begin() + 16, recs.begin() + 20), be({0}));
  EXPECT_EQ(Bytes(recs.begin() + 88 + 16, recs.begin() + 88 + 20), be({1})); // outbound
  EXPECT_EQ(recs[20], 0);                                                    // no filter loaded
  r.send(be({0}));
  EXPECT_TRUE(r.closed_by_peer());
}

TEST(HandBytes, RefusedWordsAndBadInputCloseTheConnection) {
  kxtest::Daemons mods(1, "*: none/*\n");
  ASSERT_TRUE(mods.ok());
  struct Case {
    const char *what;
    Bytes bytes;
    size_t answer; // bytes the daemon sends before closing
  };
  const Case cases[] = {
      {"unknown command 99", be({0x12000000, 99}), 4},
      {"stat with a word of other types", be({0x12000000, 2 | (7u << 8)}), 4},
      {"length past the cap", be({0x12000000, kStatWord, 0x7fffffff}), 17},
      {"2^31 strings", be({0x12000000, kStatWord, 0x80000000}), 17},
      {"negative length", be({0x12000000, kStatWord, 1, 0xfffffffe}), 17},
  };
  for (const auto &c : cases) {
    Raw r(mods[0].address, mods.port());
    ASSERT_GE(r.fd, 0);
    r.send(c.bytes);
    Bytes got = r.recv(c.answer);
    EXPECT_EQ(got.size(), c.answer) << c.what;
    if (c.answer == 4) {
      EXPECT_EQ(got, be({0xffffffff})) << c.what;
    }
    EXPECT_TRUE(r.closed_by_peer()) << c.what;
  }
}

TEST(HandBytes, ASilentPeerDoesNotHoldUpOthers) {
  kxtest::Daemons mods(1, "*: none/*\n");
  ASSERT_TRUE(mods.ok());
  // One peer stops in the middle of a record, another sends nothing at all.
  Raw stalled(mods[0].address, mods.port());
  stalled.send(be({0x12000000, kStatWord}));
  stalled.recv(17);
  stalled.send(be({1, 100, 0x41414141}));
  Raw silent(mods[0].address, mods.port());
  auto start = std::chrono::steady_clock::now();
  Raw r(mods[0].address, mods.port());
  r.send(be({0x12000000, kStatWord}));
  EXPECT_EQ(r.recv(17).size(), 17u);
  Bytes request = be({1, 2, 'x' << 24, 0});
  request.resize(10);
  Bytes tail = be({0});
  request.insert(request.end(), tail.begin(), tail.end());
  r.send(request);
  EXPECT_EQ(r.recv(8), be({4, 0}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}
