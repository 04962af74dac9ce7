// The log viewer process: started from the installation's bin directory
// (or KXLVDIR), raised and refreshed by signals, and the refusals when it is
// missing or cannot run.
#include "kxui/install/logviewer.h"

#include "kxu/report.h"
#include "support/tempdir.h"
#include "support/reports.h"

#include <gmock/gmock.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace {

using Notices = kxtest::CollectReports;

std::string slurp(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool wait_for(const std::string &path, const std::string &text) {
  for (int i = 0; i < 200; ++i) {
    if (slurp(path).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

TEST(LogViewer, StartsRaisesRefreshesAndRefuses) {
  kxtest::TempDir dir;
  Notices notices;
  kxu::ScopedFrontEnd scope{&notices};
  const std::string out = dir.file("out"), program = dir.file("kxlv");
  setenv("KXLVDIR", dir.path().c_str(), 1);
  setenv("KXLV_TEST_OUT", out.c_str(), 1);

  EXPECT_EQ(kxlog_show(true), -1);
  EXPECT_THAT(notices.notices, ::testing::ElementsAre("Failed to find log viewer name"));
  std::ofstream(program) << "#!/bin/sh\n"
                            "trap 'echo raised >> \"$KXLV_TEST_OUT\"' USR1\n"
                            "trap 'echo refreshed >> \"$KXLV_TEST_OUT\"' HUP\n"
                            "echo started $# >> \"$KXLV_TEST_OUT\"\n"
                            "while :; do sleep 0.05; done\n";
  EXPECT_EQ(kxlog_show(true), -1);
  EXPECT_EQ(notices.notices.back(), "Cannot run log viewer '" + program + "'");
  chmod(program.c_str(), 0755);

  ASSERT_EQ(kxlog_show(true), 0);
  const pid_t pid = kxlog_pid();
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(wait_for(out, "started 0")); // no arguments but its name
  EXPECT_EQ(kxlog_show(true), 0);           // a second "Log ...": the same viewer
  EXPECT_EQ(kxlog_pid(), pid);
  EXPECT_TRUE(wait_for(out, "raised"));
  kxlog_refresh();
  EXPECT_TRUE(wait_for(out, "refreshed"));

  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  EXPECT_EQ(kxlog_pid(), 0);
  unsetenv("KXLVDIR");
  unsetenv("KXLV_TEST_OUT");
}

} // namespace
