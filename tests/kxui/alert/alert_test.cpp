// The alert mode without its window: a second alert handed to the running
// window's server, the lines collected per connection, the console fall-back.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "kxui/alert/alert.h"
#include "support/run.h"
#include "support/tempdir.h"

namespace {

int free_tcp_port() {
  const int fd = make_server(0);
  sockaddr_in a{};
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

std::string alert(int port, const std::string &args,
                  const std::string &console = "/nonexistent/console") {
  return "KX_ALERT_PORT=" + std::to_string(port) + " KX_CONSOLE=" + console + " KXDIR='" +
         std::string(KX_SOURCE_DIR) + "/demo' " KXUI_PATH " -alert " + args;
}

TEST(AlertServer, ASecondAlertGoesToTheRunningWindow) {
  KxPollLoop loop;
  KxAlertLines window;
  KxAlertServer server(loop, [&](const std::vector<std::string> &l) { window.add_strings(l); });
  const int port = free_tcp_port();
  ASSERT_EQ(server.start(port), 0);
  window.add_strings({"first alert\n"});
  const auto r = kxtest::run_command("printf 'from input\\nlast' | " +
                                     alert(port, "-display :9 'rule 3' dropped"));
  EXPECT_EQ(r.status, 0) << r.err;
  loop.run_until([&] { return window.lines().size() == 5; }, std::chrono::seconds(5));
  EXPECT_EQ(window.lines(), (std::vector<std::string>{"first alert", "rule 3", "dropped",
                                                       "from input", "last"}));
  EXPECT_EQ(server.connections(), 0u);
  window.clear();
  EXPECT_TRUE(window.lines().empty());
  server.close();
  EXPECT_FALSE(server.listening());
}

TEST(AlertServer, LongLinesAreCutAndManyLinesBounded) {
  KxPollLoop loop;
  std::vector<std::string> got;
  KxAlertServer server(loop, [&](const std::vector<std::string> &l) { got = l; });
  const int port = free_tcp_port();
  ASSERT_EQ(server.start(port), 0);
  const auto r = kxtest::run_command(
      "( head -c 3000 /dev/zero | tr '\\0' x; echo; seq 1 3000 ) | " + alert(port, ""));
  EXPECT_EQ(r.status, 0);
  loop.run_until([&] { return !got.empty(); }, std::chrono::seconds(5));
  ASSERT_EQ(got.size(), kx_alert_lines_max);
  EXPECT_EQ(got[0].size(), kx_alert_line_max);
  EXPECT_EQ(got[2], std::string(3000 - 2 * kx_alert_line_max, 'x') + "\n");
  EXPECT_EQ(got[3], "1\n");
}

TEST(AlertConsole, WithoutAWindowTheConsoleGetsBellsAndText) {
  kxtest::TempDir dir;
  const std::string console = dir.write("console", "");
  const auto r = kxtest::run_command("printf 'input line\\n' | " +
                                     alert(free_tcp_port(), "one two", console));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(kxtest::run_command("cat " + console).out,
            "\a\a\aBrenmark Alert: one\ntwo\ninput line\n");
  const auto bad = kxtest::run_command(alert(free_tcp_port(), "x") + " </dev/null");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "error: Failed to open /dev/console\n");
}

} // namespace
