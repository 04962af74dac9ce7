// Alert records on a server run the command of the global properties with
// the record's printed line on its input, at most act_maxproc at a time.
#include "logaction.h"
#include "logprocs.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace kxtest;

namespace {
std::string read_file(const std::string &path) {
  std::ifstream f(path);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}
size_t count_lines(const std::string &text, const std::string &part) {
  size_t n = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) n += line.find(part) != std::string::npos;
  return n;
}
std::string objects_with(const std::string &command) {
  return "(objects\n\t:props (\n\t\t: (firewall_properties\n\t\t\t:mailmecmd (\"" + command +
         "\")\n\t\t\t:emptycmd ()\n\t\t)\n\t)\n)\n";
}
} // namespace

TEST(Alerts, ServerRunsTheCommandOneAtATime) {
  TempDir dir;
  const std::string out = dir.file("alerts.out");
  // The command notes when another one is running at the same time.
  const std::string lock = dir.file("running");
  dir.write("conf/control.map", "127.0.0.0/8: silly/log\n");
  dir.write("conf/objects.C",
            objects_with("if mkdir " + lock + " 2>/dev/null; then cat >> " + out +
                         "; sleep 0.1; rmdir " + lock + "; else echo overlap >> " + out + "; fi"));
  Logd server = start_log_server(dir.file("kx.log"), dir.file("conf"), dir.file("err"), {"-A", "-M", "1"});
  ASSERT_TRUE(server.ok());
  const int fd = log_client(server.port(), true);
  ASSERT_GE(fd, 0);
  std::vector<uint8_t> bytes = wire(iflist_record(0x7f000101));
  auto add = [&](const TestRecord &r) {
    const auto w = wire(r);
    bytes.insert(bytes.end(), w.begin(), w.end());
  };
  add(info_record(0x7f000101, 1, test_filter_id()));
  for (uint32_t i = 0; i < 10; ++i) add(conn_record(0x7f000101, 1, i, i % 2 ? 3 : 2));
  ASSERT_TRUE(send_all(fd, bytes));
  EXPECT_TRUE(eventually([&] { return count_lines(read_file(out), "mailme src") == 5; }));
  close(fd);
  server.stop();
  const std::string got = read_file(out);
  EXPECT_EQ(count_lines(got, "overlap"), 0u) << got;
  // The printed line: number, date, origin, interface, direction, the action
  // word from "![mailme]mail" and the fields.
  EXPECT_EQ(count_lines(got, " 127.0.1.1 eth1 > mailme src 198.51.100.1 dst 203.0.113.1 service http proto tcp s_port 0 rule 1"),
            1u)
      << got;
}

TEST(Alerts, UnusableActionsAreRefused) {
  TempDir dir;
  dir.write("objects.C", objects_with("true"));
  kxlogd::LogAlerts alerts(dir.file("objects.C"));
  for (const char *action : {"!mailme", "![mailme", "![]", "![nosuch]x", "![empty]x"})
    EXPECT_EQ(alerts.log_action(action, "line"), -1) << action;
  EXPECT_EQ(alerts.log_action("![mailme]x", "line"), 0);
  EXPECT_TRUE(alerts.wait_all(5000));
  kxlogd::LogAlerts missing(dir.file("nothing.C"));
  EXPECT_EQ(missing.log_action("![mailme]x", "line"), -1);
}
