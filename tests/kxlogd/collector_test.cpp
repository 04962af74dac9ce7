// Collectors as processes on loopback: the local file while no server is
// reachable, the server once it is; every record exactly once when the
// server goes away and comes back while three collectors send.
#include "logconnect.h"
#include "logdoubt.h"
#include "logprocs.h"

#include "kxlog/logbatch.h"

#include "support/run.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <map>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>

using namespace kxtest;

namespace {

struct Fixture : ::testing::Test {
  TempDir dir;
  std::string conf() {
    dir.write("conf/control.map", "127.0.0.0/8: silly/log\n");
    return dir.file("conf");
  }
  std::string server_log() { return dir.file("kx.log"); }
  std::string module(int i) { return dir.file("mod" + std::to_string(i)); }
  std::string sock(int i) { return module(i) + "/log/kxlog.sock"; }
  std::string local_log(int i) { return module(i) + "/log/kx.log"; }
  static uint32_t origin(int i) { return 0x7f000100u + uint32_t(10 + i); }

  Logd collector(int i, int port) {
    make_module(module(i));
    return Logd({"-l", module(i), "-r", "127.0.1.1", "-p", std::to_string(port), "-R", "1", "-o",
                 "127.0.1." + std::to_string(10 + i)},
                dir.file("collector" + std::to_string(i) + ".err"), "collecting");
  }
  Logd server(int port) {
    // A restarted server takes the same port again.
    return Logd({"-s", "-a", "127.0.1.1", "-p", std::to_string(port), "-f", server_log(), "-c",
                 conf()},
                dir.file("server.err"));
  }
  // Kills the server, starts it and collector 1 again, expects the server's
  // file to come to hold `expected` records, and stops both.
  void restart_after_kill(Logd &s, Logd &c, int port, size_t expected, int ms = 10000) {
    s.stop(SIGKILL);
    s = server(port);
    ASSERT_TRUE(s.ok());
    c = collector(1, port);
    ASSERT_TRUE(c.ok());
    EXPECT_TRUE(eventually([&] { return seq_records(server_log()).size() >= expected; }, ms))
        << seq_records(server_log()).size() << " of " << expected;
    c.stop();
    s.stop();
  }
  // What a server killed in the middle of a write leaves: a whole record
  // nobody acknowledged, half of another, and half of a resume mark.
  void torn_write() {
    std::ofstream log(server_log(), std::ios::binary | std::ios::app);
    const std::vector<uint8_t> rec = wire(conn_record(origin(1), 1, 999999));
    log.write(reinterpret_cast<const char *>(rec.data()), std::streamsize(rec.size()));
    log.write(reinterpret_cast<const char *>(rec.data()), 22);
    std::ofstream book(server_log() + ".resume", std::ios::binary | std::ios::app);
    book.write("KXRB\0\0\0\x30\0\0", 10);
  }
  // Every record sent is in exactly one of the files; records of each
  // collector keep their order within each file.
  void expect_each_once(const uint32_t *sent) {
    std::map<std::pair<uint32_t, uint32_t>, int> seen;
    std::vector<SeqRecord> all = seq_records(server_log());
    for (int i = 1; i <= 3; ++i) {
      const auto local = seq_records(local_log(i));
      all.insert(all.end(), local.begin(), local.end());
    }
    for (const auto &r : all) ++seen[{r.origin, r.seq}];
    size_t missing = 0, twice = 0, expected = 0;
    for (int i = 1; i <= 3; ++i)
      for (uint32_t n = 0; n < sent[i]; ++n) {
        const int k = seen[{origin(i), n}];
        missing += k == 0;
        twice += k > 1;
        ++expected;
      }
    EXPECT_EQ(missing, 0u);
    EXPECT_EQ(twice, 0u);
    EXPECT_EQ(seen.size(), expected);
    for (const auto &path : {server_log(), local_log(1), local_log(2), local_log(3)}) {
      std::map<uint32_t, uint32_t> last;
      size_t backwards = 0;
      for (const auto &r : seq_records(path)) {
        auto it = last.find(r.origin);
        if (it != last.end() && r.seq < it->second) ++backwards;
        last[r.origin] = r.seq;
      }
      EXPECT_EQ(backwards, 0u) << path;
    }
  }
  static size_t count_with(const std::vector<std::string> &lines, const std::string &text) {
    size_t n = 0;
    for (const auto &l : lines) n += l.find(text) != std::string::npos;
    return n;
  }
};

} // namespace

TEST_F(Fixture, KeepsRecordsLocallyUntilAServerIsReachable) {
  Logd first = start_log_server(server_log(), conf(), dir.file("server.err"));
  ASSERT_TRUE(first.ok());
  const int port = first.port();
  first.stop();
  Logd c = collector(1, port);
  ASSERT_TRUE(c.ok());
  for (uint32_t i = 0; i < 20; ++i) ASSERT_TRUE(send_conn(sock(1), i));
  EXPECT_TRUE(eventually([&] { return seq_records(local_log(1)).size() == 20; }));
  Logd s = server(port);
  ASSERT_TRUE(s.ok());
  // The collector is back within its retry time; what comes now goes to the server.
  EXPECT_TRUE(eventually([&] { return count_with(log_lines(server_log()), "started logging") == 1; }));
  for (uint32_t i = 20; i < 40; ++i) ASSERT_TRUE(send_conn(sock(1), i));
  EXPECT_TRUE(eventually([&] { return seq_records(server_log()).size() == 20; }));
  c.stop();
  EXPECT_EQ(seq_records(local_log(1)).size(), 20u);
  // Both files can be read with their fields and interface names.
  for (const auto &path : {local_log(1), server_log()}) {
    const auto lines = log_lines(path);
    EXPECT_EQ(count_with(lines, "127.0.1.11 eth1 > accept src 198.51.100.1 dst 203.0.113.1 service http"),
              20u)
        << path << "\n" << ::testing::PrintToString(lines);
    EXPECT_EQ(count_with(lines, "installed Test"), 1u) << path;
  }
}

// The batch socket: many messages per datagram, in order with each other;
// a batch with a broken length word or a torn end keeps the messages before
// the fault and the collector goes on.
TEST_F(Fixture, TakesBatchesOfMessages) {
  make_module(module(1));
  Logd c({"-l", module(1), "-o", "127.0.1.11"}, dir.file("collector1.err"), "collecting");
  ASSERT_TRUE(c.ok());
  const std::string batches = module(1) + "/log/kxlog.batch";
  uint32_t seq = 0;
  auto add = [&](std::vector<uint8_t> &batch, int n) {
    for (int i = 0; i < n; ++i) {
      const auto m = conn_message(seq++);
      log_batch_add(batch, m.data(), m.size());
    }
  };
  std::vector<uint8_t> whole, torn, broken;
  add(whole, 1000);
  add(torn, 3);
  torn.insert(torn.end(), {0, 0, 0, 40, 1, 2, 3, 4, 5, 6, 7, 8}); // 8 bytes of 40
  add(broken, 2);
  broken.insert(broken.end(), {0, 0, 0, 6}); // no message length: the rest goes
  add(broken, 1);
  ASSERT_TRUE(send_datagram(batches, whole));
  ASSERT_TRUE(send_datagram(batches, torn));
  ASSERT_TRUE(send_datagram(batches, broken));
  std::vector<uint8_t> last;
  add(last, 5);
  ASSERT_TRUE(send_datagram(batches, last));
  std::vector<uint8_t> alone;
  add(alone, 1);
  ASSERT_TRUE(send_datagram(batches, alone));
  std::vector<uint32_t> want;
  for (uint32_t n = 0; n < seq; ++n)
    if (n != 1005) want.push_back(n);
  auto got = [&] {
    std::vector<uint32_t> seqs;
    for (const auto &r : seq_records(local_log(1))) seqs.push_back(r.seq);
    return seqs;
  };
  EXPECT_TRUE(eventually([&] { return got().size() >= want.size(); }));
  EXPECT_EQ(got(), want);
  ASSERT_TRUE(send_conn(sock(1), seq));
  want.push_back(seq++);
  EXPECT_TRUE(eventually([&] { return got().size() == want.size(); }));
  EXPECT_EQ(got(), want);
  EXPECT_EQ(c.stop(), 0);
  const std::string err = run_command("cat " + dir.file("collector1.err")).out;
  EXPECT_NE(err.find("Bad log batch of 120 bytes: last message cut short (8 bytes of 40); 12 "
                     "bytes dropped"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("Bad log batch of 112 bytes: message length 6 wrong; 40 bytes dropped"),
            std::string::npos)
      << err;
}

// Three collectors send while the server is stopped and started again:
// ended in order, killed outright while records flow, killed again as soon
// as the collectors are back, and killed with a torn write left behind.
TEST_F(Fixture, EveryRecordOnceAcrossServerRestarts) {
  Logd s = start_log_server(server_log(), conf(), dir.file("server.err"));
  ASSERT_TRUE(s.ok());
  const int port = s.port();
  std::vector<Logd> cs;
  for (int i = 1; i <= 3; ++i) {
    cs.push_back(collector(i, port));
    ASSERT_TRUE(cs.back().ok());
  }
  // A steady flow from each collector until the restarts are over.
  std::atomic<bool> sending{true};
  uint32_t sent[4] = {};
  std::vector<std::thread> senders;
  // Senders end before the processes do, also when a check fails midway.
  struct Join {
    std::atomic<bool> &sending;
    std::vector<std::thread> &threads;
    ~Join() {
      sending = false;
      for (auto &t : threads)
        if (t.joinable()) t.join();
    }
  } join{sending, senders};
  for (int i = 1; i <= 3; ++i)
    senders.emplace_back([&, i] {
      for (uint32_t n = 0; sending; ++n) {
        if (!send_conn(sock(i), n)) return;
        sent[i] = n + 1;
        if (n % 20 == 19) usleep(10000);
      }
    });
  const struct {
    int signal;
    size_t flow; // records the server writes before it goes
    bool torn;
    const char *how;
  } stops[] = {{SIGTERM, 300, false, "ended"},
               {SIGKILL, 300, false, "killed"},
               {SIGKILL, 0, false, "killed at once"},
               {SIGKILL, 200, true, "killed mid-write"}};
  for (const auto &stop : stops) {
    const size_t before = seq_records(server_log()).size();
    ASSERT_TRUE(eventually([&] { return seq_records(server_log()).size() > before + stop.flow; }))
        << stop.how << " " << before << " " << seq_records(server_log()).size() << "\n"
        << run_command("cat " + dir.file("*.err")).out;
    s.stop(stop.signal);
    if (stop.torn) torn_write();
    usleep(1500000);
    s = server(port);
    ASSERT_TRUE(s.ok()) << stop.how;
  }
  const size_t before = seq_records(server_log()).size();
  EXPECT_TRUE(eventually([&] { return seq_records(server_log()).size() > before + 300; }));
  sending = false;
  for (auto &t : senders) t.join();
  senders.clear();
  // Everything sent is acknowledged by the server or kept locally once the
  // collectors end.
  usleep(500000);
  for (auto &c : cs) c.stop();
  s.stop();
  expect_each_once(sent);
  // Each file the server wrote is readable: every record with its fields.
  const auto lines = log_lines(server_log());
  EXPECT_EQ(count_with(lines, "Format unavailable"), 0u);
  EXPECT_EQ(count_with(lines, "Unknown format"), 0u);
  EXPECT_EQ(count_with(lines, "accept src 198.51.100.1 dst 203.0.113.1 service http"),
            seq_records(server_log()).size());
  EXPECT_EQ(count_with(lines, "started sending log to localhost"), 5u);
}

// A collector stopped while its server neither acknowledges nor reads keeps
// what is in doubt, and sends it once both are back.
TEST_F(Fixture, RecordsInDoubtOutliveTheCollector) {
  Logd s = start_log_server(server_log(), conf(), dir.file("server.err"));
  ASSERT_TRUE(s.ok());
  const int port = s.port();
  Logd c = collector(1, port);
  ASSERT_TRUE(c.ok());
  uint32_t sent[4] = {};
  for (; sent[1] < 100; ++sent[1]) ASSERT_TRUE(send_conn(sock(1), sent[1]));
  ASSERT_TRUE(eventually([&] { return seq_records(server_log()).size() == 100; }));
  kill(s.pid(), SIGSTOP);
  for (; sent[1] < 200; ++sent[1]) ASSERT_TRUE(send_conn(sock(1), sent[1]));
  usleep(300000);
  c.stop();
  const std::string pending = module(1) + "/log/kxlog.pending";
  EXPECT_EQ(access(pending.c_str(), F_OK), 0);
  restart_after_kill(s, c, port, 200);
  EXPECT_NE(access(pending.c_str(), F_OK), 0);
  expect_each_once(sent);
}

// A stalled server lets the collector's send window fill, so messages wait
// on the batch socket; at the stop they are taken and kept in doubt with
// the rest, and once server and collector are back every one arrives once.
TEST_F(Fixture, MessagesWaitingAtTheStopAreKept) {
  Logd s = start_log_server(server_log(), conf(), dir.file("server.err"));
  ASSERT_TRUE(s.ok());
  const int port = s.port();
  Logd c = collector(1, port);
  ASSERT_TRUE(c.ok());
  kill(s.pid(), SIGSTOP);
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  const std::string path = module(1) + "/log/kxlog.batch";
  std::copy(path.begin(), path.end(), sa.sun_path);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa), 0);
  uint32_t sent[4] = {};
  // Until the collector has taken nothing for a second: its window is full
  // and the socket's queue too.
  for (int idle = 0; idle < 50;) {
    std::vector<uint8_t> batch;
    for (uint32_t i = 0; i < 1000; ++i) {
      const auto m = conn_message(sent[1] + i);
      log_batch_add(batch, m.data(), m.size());
    }
    if (send(fd, batch.data(), batch.size(), 0) == ssize_t(batch.size())) {
      sent[1] += 1000;
      idle = 0;
    } else {
      ASSERT_EQ(errno, EAGAIN);
      usleep(20000);
      ++idle;
    }
  }
  close(fd);
  EXPECT_EQ(c.stop(), 0);
  const std::string pending = module(1) + "/log/kxlog.pending";
  EXPECT_EQ(access(pending.c_str(), F_OK), 0);
  restart_after_kill(s, c, port, sent[1], 30000);
  expect_each_once(sent);
}

// The server wrote some of a collector's records but the collector never
// heard so (a lost acknowledgement): at its next connection it sends only
// those the server does not hold.
TEST_F(Fixture, OnlyRecordsTheServerLacksAreSentAgain) {
  Logd s = start_log_server(server_log(), conf(), dir.file("server.err"));
  ASSERT_TRUE(s.ok());
  // A client of number 77 sends its description and connection records 0-9:
  // the server numbers them 1-12.
  const uint64_t client = 77;
  std::string why;
  kxlogd::LogResumePoint point;
  const int fd = kxlogd::log_connect_resuming("127.0.1.1", s.port(), 5, client, point, why, origin(1));
  ASSERT_GE(fd, 0) << why;
  EXPECT_NE(point.book, 0u);
  EXPECT_EQ(point.last, 0u);
  std::vector<uint8_t> bytes = wire(iflist_record(origin(1)));
  const auto info = wire(info_record(origin(1), 1, test_filter_id()));
  bytes.insert(bytes.end(), info.begin(), info.end());
  for (uint32_t n = 0; n < 10; ++n) {
    const auto r = wire(conn_record(origin(1), 1, n));
    bytes.insert(bytes.end(), r.begin(), r.end());
  }
  ASSERT_TRUE(send_all(fd, bytes));
  ASSERT_TRUE(eventually([&] { return seq_records(server_log()).size() == 10; }));
  // The server is killed before the client reads any acknowledgement; its
  // book outlives it.
  const int port = s.port();
  s.stop(SIGKILL);
  close(fd);
  s = server(port);
  ASSERT_TRUE(s.ok());
  // The collector of that number holds records 8-17 in doubt: connection
  // records 5-14.
  make_module(module(1));
  dir.write("mod1/log/kxlog.id", "000000000000004d\n");
  kxlogd::DoubtfulRecords doubt{point.book, 8, {}};
  for (uint32_t n = 5; n < 15; ++n) {
    const auto r = wire(conn_record(origin(1), 1, n));
    doubt.records.insert(doubt.records.end(), r.begin(), r.end());
  }
  ASSERT_TRUE(kxlogd::save_doubtful(module(1) + "/log/kxlog.pending", doubt, why)) << why;
  Logd c = collector(1, port);
  ASSERT_TRUE(c.ok());
  EXPECT_TRUE(eventually([&] { return seq_records(server_log()).size() >= 15; }));
  c.stop();
  s.stop();
  const uint32_t sent[4] = {0, 15, 0, 0};
  expect_each_once(sent);
}
