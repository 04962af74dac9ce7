// The one-time-password method against a real kxd: answers, replays, wrong
// sequence numbers and the renewal of a chain.
#include "daemons.h"

#include "kxskey/skey.h"
#include "kxsys/conn.h"
#include "kxsys/errors.h"
#include "kxsys/kxrif.h"
#include "kxsys/serverkeys.h"
#include "kxsys/skeyauth.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kxsys;

namespace {
using RawBytes = std::vector<uint8_t>;

RawBytes be(std::initializer_list<uint32_t> words) {
  RawBytes out;
  for (uint32_t w : words)
    for (int s = 24; s >= 0; s -= 8)
      out.push_back(uint8_t(w >> s));
  return out;
}

RawBytes str(const std::string &s) {
  RawBytes out = be({uint32_t(s.size() + 1)});
  out.insert(out.end(), s.begin(), s.end());
  out.push_back(0);
  return out;
}

constexpr uint32_t kStatWord = 0xda40c102u;

// A stat command by hand up to the authentication result, answering the
// challenge with `answer(challenge)`. Returns the result word (or 0 when the
// connection ended first) and the challenge.
std::pair<int32_t, int32_t> raw_attempt(const std::string &address, int port,
                                        const std::function<std::string(int32_t)> &answer) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(uint16_t(port));
  inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
  timeval tv{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  if (connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
    close(fd);
    return {0, -1};
  }
  auto send_all = [fd](const RawBytes &b) { return write(fd, b.data(), b.size()) == ssize_t(b.size()); };
  auto read_n = [fd](size_t n) {
    RawBytes b(n);
    size_t got = 0;
    while (got < n) {
      ssize_t r = read(fd, b.data() + got, n - got);
      if (r <= 0)
        break;
      got += size_t(r);
    }
    b.resize(got);
    return b;
  };
  auto read_int = [&]() -> std::optional<int32_t> {
    RawBytes b = read_n(4);
    if (b.size() != 4)
      return std::nullopt;
    return int32_t(uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]);
  };
  send_all(be({0x12000000, kStatWord}));
  std::pair<int32_t, int32_t> out{0, -1};
  if (read_int() == 0 && read_n(9).size() == 9) { // accepted; method "skey"
    if (auto challenge = read_int()) {
      out.second = *challenge;
      RawBytes reply = str(answer(*challenge));
      RawBytes none = be({0});
      reply.insert(reply.end(), none.begin(), none.end());
      send_all(reply);
      out.first = read_int().value_or(0);
    }
  }
  close(fd);
  return out;
}

struct Skey : ::testing::Test {
  kxtest::TempDir keys;
  void SetUp() override {
    kxkey_set_dir(keys.path());
    kx_skey_install(keys.path());
  }
  void TearDown() override {
    kx_mgmt_port = KX_PORT_MGMT;
    kxkey_set_dir(".");
  }
};
} // namespace

TEST_F(Skey, AnswersPassAndReplaysOrWrongNumbersFail) {
  // The module's key file gets its line for this station before it starts.
  std::string line = kx_skey_newchain("127.0.1.31", "127.0.0.1", 100);
  ASSERT_FALSE(line.empty());
  kxtest::Daemons mods(1, "*: skey/*\n", "", 31, {{"skeykeys", line + "\n"}});
  ASSERT_TRUE(mods.ok());
  kx_mgmt_port = mods.port();
  std::vector<kxinfo_t> infos;
  EXPECT_EQ(kx_rstat(infos, "127.0.1.31", 10), 4);
  EXPECT_EQ(kx_rstat(infos, "127.0.1.31", 10), 4);

  std::string secret = *kxkey_get("127.0.1.31");
  std::string spent;
  auto good = raw_attempt("127.0.1.31", mods.port(), [&](int32_t n) {
    spent = skey_make_passwd(secret, "127.0.0.1", n);
    return spent;
  });
  EXPECT_EQ(good, (std::pair<int32_t, int32_t>{1, 97})); // after 99 and 98
  // The same answer again, an answer for the wrong number, a wrong secret.
  auto replay = raw_attempt("127.0.1.31", mods.port(), [&](int32_t) { return spent; });
  EXPECT_EQ(replay.first, -1);
  auto wrong_number = raw_attempt("127.0.1.31", mods.port(),
                                  [&](int32_t n) { return skey_make_passwd(secret, "127.0.0.1", n - 1); });
  EXPECT_EQ(wrong_number.first, -1);
  auto wrong_secret = raw_attempt("127.0.1.31", mods.port(),
                                  [&](int32_t n) { return skey_make_passwd("notmine_", "127.0.0.1", n); });
  EXPECT_EQ(wrong_secret.first, -1);
  // Failed attempts spend nothing: the library still gets in.
  EXPECT_EQ(kx_rstat(infos, "127.0.1.31", 10), 4);
  // Without a secret for the module the client fails the handshake.
  kxkey_put("", "127.0.1.31", false);
  EXPECT_EQ(kx_rstat(infos, "127.0.1.31", 10), -1);
  EXPECT_EQ(kxd_errno, KXD_EUNAUTH);
}

TEST_F(Skey, AChallengeOfFourRenewsTheChain) {
  std::string line = kx_skey_newchain("127.0.1.32", "127.0.0.1", 5);
  kxtest::Daemons mods(1, "*: SKEY/*\n", "", 32, {{"skeykeys", line + "\n"}});
  ASSERT_TRUE(mods.ok());
  kx_mgmt_port = mods.port();
  std::string before = *kxkey_get("127.0.1.32");
  std::vector<kxinfo_t> infos;
  EXPECT_EQ(kx_rstat(infos, "127.0.1.32", 10), 4); // challenge 4: renewed
  std::string after = *kxkey_get("127.0.1.32");
  EXPECT_NE(after, before);
  EXPECT_EQ(after.size(), 8u);
  auto next = raw_attempt("127.0.1.32", mods.port(),
                          [&](int32_t n) { return skey_make_passwd(after, "127.0.0.1", n); });
  EXPECT_EQ(next, (std::pair<int32_t, int32_t>{1, 99}));
}
