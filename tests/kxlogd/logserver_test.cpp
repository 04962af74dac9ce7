// The log server as a process on loopback: sessions, acknowledgements,
// refusals, and clients that misbehave without harming the others.
#include "logprocs.h"
#include "logproto.h"

#include "kxsys/comm.h"
#include "kxsys/conn.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <unistd.h>

using namespace kxtest;

namespace {
constexpr uint32_t kOrigin = 0x7f000101;

struct Server : ::testing::Test {
  TempDir dir;
  Logd server;
  void start(const std::string &control_map = "127.0.0.0/8: silly/log\n") {
    dir.write("conf/control.map", control_map);
    server = start_log_server(dir.file("kx.log"), dir.file("conf"), dir.file("err"));
    ASSERT_TRUE(server.ok());
  }
  std::vector<uint8_t> describe(uint32_t origin = kOrigin) {
    std::vector<uint8_t> b = wire(iflist_record(origin));
    const auto info = wire(info_record(origin, 1, test_filter_id()));
    b.insert(b.end(), info.begin(), info.end());
    return b;
  }
  std::vector<uint8_t> records(uint32_t from, uint32_t n) {
    std::vector<uint8_t> b;
    for (uint32_t i = from; i < from + n; ++i) {
      const auto r = wire(conn_record(kOrigin, 1, i));
      b.insert(b.end(), r.begin(), r.end());
    }
    return b;
  }
  size_t count(const std::string &text) {
    size_t n = 0;
    for (const auto &l : log_lines(dir.file("kx.log"))) n += l.find(text) != std::string::npos;
    return n;
  }
  // The last acknowledgement in what the server wrote, or -1.
  static long last_ack(const std::vector<uint8_t> &got) {
    long ack = -1;
    for (size_t i = 0; i + 8 <= got.size(); i += 4)
      if (kxsys::get_be32(&got[i]) == kxlogd::LOG_ACK_WORD) ack = long(kxsys::get_be32(&got[i + 4]));
    return ack;
  }
  // Waits until the acknowledgements reach `n`.
  static bool acked(int fd, long n) {
    std::vector<uint8_t> got;
    for (int i = 0; i < 100 && last_ack(got) < n; ++i) {
      const auto more = read_for(fd, 100);
      got.insert(got.end(), more.begin(), more.end());
    }
    return last_ack(got) == n;
  }
};
} // namespace

TEST_F(Server, AppendsAndAcknowledgesWhatItWrote) {
  start();
  const int fd = log_client(server.port(), true);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(send_all(fd, describe()));
  ASSERT_TRUE(send_all(fd, records(0, 100)));
  ASSERT_TRUE(acked(fd, 102));
  // Acknowledged means in the file.
  EXPECT_EQ(count("accept src 198.51.100.1"), 100u);
  close(fd);
  EXPECT_TRUE(eventually([&] { return count("stopped logging 127.0.1.1") == 1; }));
  EXPECT_EQ(count("started logging 127.0.1.1"), 1u);
  EXPECT_EQ(count("installed Test"), 1u);
}

TEST_F(Server, SilentAndSlowClientsDoNotHoldUpOthers) {
  start();
  // One peer never finishes its handshake, one stops in the middle of a record.
  const int silent = kxsys::kx_get_connected_tcp(kOrigin, server.port(), 5);
  ASSERT_GE(silent, 0);
  const int slow = log_client(server.port());
  ASSERT_GE(slow, 0);
  std::vector<uint8_t> half = records(0, 1);
  half.resize(half.size() / 2);
  ASSERT_TRUE(send_all(slow, half));
  const int fd = log_client(server.port(), true);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(send_all(fd, describe()));
  ASSERT_TRUE(send_all(fd, records(0, 50)));
  // Well within the time a handshake may take.
  EXPECT_TRUE(acked(fd, 52));
  EXPECT_EQ(count("accept src"), 50u);
  close(fd);
  close(slow);
  close(silent);
}

TEST_F(Server, BrokenStreamsCloseOnlyTheirConnection) {
  start();
  const int good = log_client(server.port(), true);
  ASSERT_GE(good, 0);
  ASSERT_TRUE(send_all(good, describe()));
  struct Case {
    const char *what;
    bool handshake;
    std::vector<uint8_t> bytes;
  };
  kxlogrec too_long;
  too_long.length = 8196;
  std::vector<uint8_t> long_header(LOG_HEADER_SIZE);
  kxlogrec2x(too_long, long_header.data());
  const Case cases[] = {
      {"bad length", true, long_header},
      {"wrong version word", false, {0xde, 0xad, 0xbe, 0xef}},
  };
  for (const auto &c : cases) {
    const int fd = c.handshake ? log_client(server.port())
                               : kxsys::kx_get_connected_tcp(kOrigin, server.port(), 5);
    ASSERT_GE(fd, 0) << c.what;
    ASSERT_TRUE(send_all(fd, c.bytes)) << c.what;
    // The server closes the connection: end of stream.
    uint8_t b;
    pollfd p{fd, POLLIN, 0};
    ASSERT_GT(poll(&p, 1, 10000), 0) << c.what;
    EXPECT_LE(read(fd, &b, 1), 0) << c.what;
    close(fd);
  }
  ASSERT_TRUE(send_all(good, records(0, 10)));
  EXPECT_TRUE(acked(good, 12));
  EXPECT_EQ(count("accept src"), 10u);
  close(good);
}

TEST_F(Server, RefusesClientsNotGrantedLog) {
  start("127.0.0.0/8: silly/stat\n");
  EXPECT_LT(log_client(server.port()), 0);
  server.stop();
  EXPECT_EQ(count("started logging"), 0u);
}

TEST_F(Server, AsksAClientOfUnknownFilterToDescribeItself) {
  start();
  const int fd = log_client(server.port());
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(send_all(fd, records(0, 3)));
  const std::vector<uint8_t> got = read_for(fd, 1000);
  EXPECT_EQ(got, std::vector<uint8_t>(4, 0)); // once, not per record
  close(fd);
}
