// The address-to-name service: domain tables and the matching rule, and the
// resolver child that never makes the collector wait.
#include "kxdom.h"
#include "logtrap.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

using namespace kxlogd;

TEST(DomainTables, LinesAndMatches) {
  const std::string text = "domain: 1a .example.com corp.test.\n"
                           "3 partner.org\n"
                           "not-a-number here\n"
                           "7 ignored because no newline";
  const dom_tables t = parse_domtables(text.data(), text.size());
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].number, 26u);
  EXPECT_EQ(t[0].names, (std::vector<std::string>{".example.com", "corp.test."}));
  EXPECT_EQ(t[1].number, 3u);
  const struct {
    const char *name, *domain;
    bool match;
  } cases[] = {
      {"www.example.com", ".example.com", true},  {"WWW.Example.COM.", ".example.com", true},
      {"example.com", ".example.com", true},      {"badexample.com", ".example.com", false},
      {"badexample.com", "example.com", true},    {"com", ".example.com", false},
      {"corp.test", "corp.test.", true},          {"a.corp.test", "corp.test", true},
  };
  for (const auto &c : cases) EXPECT_EQ(dom_match(c.name, c.domain), c.match) << c.name << " " << c.domain;
  EXPECT_EQ(dom_set(t, {"x.partner.org", "mail.example.com"}), (1u << 26) | (1u << 3));
  EXPECT_EQ(dom_set(t, {}), 0u);
}

namespace {
struct Resolver : ::testing::Test {
  kxtest::TempDir dir;
  DomainLookups lookups;
  void SetUp() override {
    const std::string updates = dir.file("tables");
    lookups.names = [](uint32_t a) -> std::vector<std::string> {
      if (a == 0x0a000063) pause(); // a lookup that never answers
      if (a == 0x0a000001) return {"www.example.com", "alias.partner.org"};
      if (a == 0x0a000002) return {"host-2.lan"};
      return {};
    };
    lookups.table_update = [updates](const std::string &table, const std::vector<uint32_t> &v) {
      std::ofstream f(updates, std::ios::app);
      f << table;
      for (uint32_t x : v) f << ' ' << std::hex << x;
      f << '\n';
    };
  }
  std::string updates() {
    std::ifstream f(dir.file("tables"));
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  // Serves replies until `done` or 5 seconds.
  static void serve(DomainResolver &r, const std::function<bool()> &done) {
    for (int i = 0; i < 250 && !done(); ++i) {
      pollfd p{r.fd(), POLLIN, 0};
      if (r.fd() >= 0 && poll(&p, 1, 20) > 0) r.kxd_hostname_reply();
      else usleep(20000);
    }
  }
};
} // namespace

TEST_F(Resolver, AHangingLookupNeverBlocksTheCaller) {
  DomainResolver r(lookups);
  r.set_tables("x: 1a .example.com\n3 partner.org\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(r.kx_checkdom(0x0a000063), 0); // the child hangs on this one
  std::vector<std::string> names;
  EXPECT_EQ(r.kxd_gethostname(0x0a000002, [&](uint32_t, const std::string &n) { names.push_back(n); }), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(r.pending(), 1u);
  // Stopping the child answers what it took with it.
  r.stop_server();
  EXPECT_EQ(names, std::vector<std::string>{""});
  // A new child serves the domain check with the tables.
  EXPECT_EQ(r.kx_checkdom(0x0a000001), 0);
  EXPECT_EQ(r.kx_checkdom(0x0a000009), 0); // no name: the empty set
  EXPECT_EQ(r.kxd_gethostname(0x0a000002, [&](uint32_t, const std::string &n) { names.push_back(n); }), 0);
  serve(r, [&] { return names.size() == 2; });
  EXPECT_EQ(names.back(), "host-2.lan");
  EXPECT_EQ(updates(), "domain a000001 1 4000008\ndomain a000009 1 0\n");
}

TEST_F(Resolver, ChildIsRestartedAfterDeathOrIdleTimeout) {
  DomainResolver r(lookups);
  r.idle_timeout = 1;
  std::vector<std::pair<uint32_t, std::string>> got;
  auto cb = [&](uint32_t a, const std::string &n) { got.push_back({a, n}); };
  ASSERT_EQ(r.kxd_gethostname(0x0a000001, cb), 0);
  serve(r, [&] { return got.size() == 1; });
  const pid_t first = r.child();
  ASSERT_GT(first, 0);
  kill(first, SIGKILL);
  usleep(100000);
  ASSERT_EQ(r.kxd_gethostname(0x0a000002, cb), 0);
  serve(r, [&] { return got.size() == 2; });
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].second, "host-2.lan");
  const pid_t second = r.child();
  EXPECT_NE(second, first);
  // An idle child goes by itself; the next request starts another.
  serve(r, [&] { return r.child() < 0; });
  EXPECT_LT(r.child(), 0);
  ASSERT_EQ(r.kxd_gethostname(0x0a000001, cb), 0);
  serve(r, [&] { return got.size() == 3; });
  EXPECT_EQ(got.back(), (std::pair<uint32_t, std::string>{0x0a000001, "www.example.com"}));
}

TEST_F(Resolver, AnswersNobodyAskedForAreIgnored) {
  DomainResolver r(lookups);
  // A child that answers an address first that nobody asked about.
  r.child_main = [](int fd) {
    uint32_t req[2];
    if (read(fd, req, sizeof req) != sizeof req) return;
    for (uint32_t a : {0x01020304u, req[1]}) {
      char reply[DOM_REPLY_SIZE] = {};
      memcpy(reply, &a, 4);
      strcpy(reply + 4, a == req[1] ? "asked.lan" : "unasked.lan");
      if (write(fd, reply, sizeof reply) != sizeof reply) return;
    }
    pause();
  };
  std::vector<std::pair<uint32_t, std::string>> got;
  ASSERT_EQ(r.kxd_gethostname(0x0a000005, [&](uint32_t a, const std::string &n) { got.push_back({a, n}); }), 0);
  serve(r, [&] { return !got.empty(); });
  usleep(100000);
  r.kxd_hostname_reply();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (std::pair<uint32_t, std::string>{0x0a000005, "asked.lan"}));
  EXPECT_EQ(r.pending(), 0u);
}

TEST_F(Resolver, TrapsRunPortMapChecksAndTheDebugTunnel) {
  DomainResolver r(lookups);
  r.dom_fork = 0; // checks in this process
  LogTraps traps(&r);
  traps.tunnel_port = 0;
  const int rx = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(0x7f000001);
  ASSERT_EQ(bind(rx, reinterpret_cast<sockaddr *>(&sa), sizeof sa), 0);
  socklen_t len = sizeof sa;
  getsockname(rx, reinterpret_cast<sockaddr *>(&sa), &len);
  const uint32_t port = ntohs(sa.sin_port);
  // PART, 2 arguments (address, port), code 358, a block of two words, the action word.
  const uint32_t tunnel[] = {LOG_TRAP_WORD, 2, 0x7f000001, port, 358u << 12, 0x11223344, 0x55667788, 0xFFFFFF};
  EXPECT_EQ(traps.log_trap(tunnel, std::size(tunnel)), 1);
  uint8_t buf[64];
  pollfd p{rx, POLLIN, 0};
  ASSERT_GT(poll(&p, 1, 2000), 0);
  EXPECT_EQ(recv(rx, buf, sizeof buf, 0), 8);
  EXPECT_EQ(buf[0], 0x11);
  EXPECT_EQ(buf[7], 0x88);
  close(rx);
  const uint32_t pmap[] = {LOG_TRAP_WORD, 1, 0x0a000001, 272u << 12, 0xFFFFFF};
  EXPECT_EQ(traps.log_trap(pmap, std::size(pmap)), 1);
  EXPECT_EQ(updates(), "pmap_not_responding a000001\n");
  const uint32_t bad[] = {LOG_TRAP_WORD, 0x40000000, 1, 2};
  EXPECT_EQ(traps.log_trap(bad, std::size(bad)), 0);
  const uint32_t unknown[] = {LOG_TRAP_WORD, 0, 999u << 12, 0xFFFFFF};
  EXPECT_EQ(traps.log_trap(unknown, std::size(unknown)), 0);
}
