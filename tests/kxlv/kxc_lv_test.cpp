// kxc lv on an installation of its own: pages in the plain-text layout as
// goldens, search and go-to, selections stored in logviewer.C, and the
// refusals with their messages and exit codes.
#include "lvfixture.h"
#include "support/golden.h"
#include "support/run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

using namespace kxlvtest;

namespace {

class KxcLv : public ::testing::Test {
protected:
  void SetUp() override {
    dir.write("conf/.keep", "");
    dir.write("log/.keep", "");
    LogBuilder b(dir.file("log/kx.log"));
    b.conns(0, 99);
  }
  kxtest::CommandResult lv(const std::string &args) {
    return kxtest::run_command("cd '" + dir.path() + "' && TZ=UTC KXDIR='" + dir.path() +
                               "' KXLOGDIR= '" KXC_PATH "' lv " + args);
  }
  kxtest::TempDir dir;
};

TEST_F(KxcLv, PagesGolden) {
  kxtest::CommandResult r = lv("page --lines 5");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  kxtest::expect_golden("kxlv/page_top.out", r.out);
  // The settings file is made with the defaults on first use.
  EXPECT_NE(kxtest::read_file(dir.file("conf/logviewer.C")).find(":fields"), std::string::npos);
  r = lv("page --at end --lines 4");
  EXPECT_EQ(r.status, 0);
  kxtest::expect_golden("kxlv/page_end.out", r.out);
  r = lv("page --at 50 --lines 2");
  EXPECT_EQ(r.out.substr(r.out.find('\n') + 1, 3), "50 ");
  r = lv("page --at 08:05:00 --lines 1 --log log/kx.log");
  EXPECT_EQ(r.out.substr(r.out.find('\n') + 1, 3), "32 ") << r.out;
  r = lv("page --at 12/11/26 --lines 1");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out; // past the end: the title only
}

TEST_F(KxcLv, SelectionsAreStoredAndHonoured) {
  kxtest::CommandResult r = lv("select --set Action=accept --not --set Num=0-60");
  ASSERT_EQ(r.status, 0) << r.err;
  r = lv("page --lines 3");
  kxtest::expect_golden("kxlv/page_selected.out", r.out);
  // 10.0.3.1 sends entries 4, 8, 12, ...: dropped ones, so all shown.
  EXPECT_EQ(lv("search 10.0.3.1").out, "4\n");
  EXPECT_EQ(lv("search --from 5 10.0.3.1").out, "8\n");
  EXPECT_EQ(lv("search --from 8 --backward 10.0.3.1").out, "4\n");
  EXPECT_EQ(lv("search --backward 10.0.3.1").out, "60\n");
  ASSERT_EQ(lv("select --clear num").status, 0);
  EXPECT_EQ(lv("search --backward 10.0.3.1").out, "96\n");
  r = lv("search --from 97 10.0.3.1");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kxc lv: Search done\n");
  r = lv("select --clear Num");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kxc lv: no selection on 'Num'\n");
}

TEST_F(KxcLv, RefusalsAndUsage) {
  struct Case {
    const char *args;
    int status;
    const char *err; // expected standard error, or null to skip
  } cases[] = {
      {"page --at 32/13/98", 1, "kxc lv: Bad date format: <32/13/98>\n"},
      {"page --at 25:00", 1, "kxc lv: Bad time format: <25:00>\n"},
      {"page --at soon", 2, nullptr},
      {"page --lines 0", 2, nullptr},
      {"page --log none.log", 1, nullptr},
      {"select --set Nothing=1", 1, "kxc lv: Cannot create selection for 'Nothing'\n"},
      {"select --set Src=gateway", 1, "kxc lv: Unknown object 'gateway'\n"},
      {"select --set Date=1/1/1-x", 1, "kxc lv: Bad date format: <x>\n"},
      {"select --not", 2, nullptr},
      {"select", 2, nullptr},
      {"search", 2, nullptr},
      {"search ''", 1, "kxc lv: Bad (Null) search string\n"},
      {"bogus", 2, nullptr},
  };
  for (const Case &c : cases) {
    const kxtest::CommandResult r = lv(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
    if (c.err) {
      EXPECT_EQ(r.err, c.err) << c.args;
    }
  }
  // A refused selection leaves the stored ones alone.
  EXPECT_EQ(kxtest::read_file(dir.file("conf/logviewer.C")).find("srule_"), std::string::npos);
}

TEST_F(KxcLv, DamagedSettingsAreReportedAndTheViewerStaysUsable) {
  dir.write("conf/logviewer.C", "(logviewer\n :log-props (\n :options ( :hide_repeat (often) )\n"
                                " :selections ( : (srule_1 :type (Src) :is (1) :val ( : (nohost) )) )\n)\n)\n");
  kxtest::CommandResult r = lv("page --lines 1");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("hide_repeat"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("\n0 "), std::string::npos) << r.out;
  dir.write("conf/logviewer.C", "(logviewer :log-props (");
  r = lv("search 10.0.3.1");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Failed to load"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "4\n");
}

TEST_F(KxcLv, SelectionsNameObjectsOfTheInstallation) {
  dir.write("lib/setup.C", "(setup\n)\n");
  dir.write("conf/auth.C", "()\n");
  dir.write("conf/wellfleet.C", "()\n");
  dir.write("conf/objects.C", "(objects\n\t:netobj (\n"
                              "\t\t: (h1 :type (host) :ipaddr (10.0.1.1))\n"
                              "\t\t: (n2 :type (network) :ipaddr (10.0.2.0) :netmask (255.255.255.0))\n"
                              "\t\t: (g :type (group) : h1 : n2)\n\t)\n"
                              "\t:servobj ( : (mail :type (tcp) :port (25)) )\n)\n");
  kxtest::CommandResult r = lv("select --set Src=g --set Service=mail");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(kxtest::read_file(dir.file("conf/logviewer.C")).find(": (g)"), std::string::npos);
  r = lv("page --lines 3");
  EXPECT_EQ(r.status, 0) << r.err;
  // Sources 10.0.1.1 and 10.0.2.0/24: entries 2, 3, 6, ...
  EXPECT_EQ(r.out.substr(r.out.find('\n') + 1, 3), "2  ");
  EXPECT_EQ(lv("search 10.0.2.1").out, "3\n");
  EXPECT_EQ(lv("search 10.0.3.1").status, 1);
  r = lv("select --set Dst=nosuch");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kxc lv: Unknown object 'nosuch'\n");
}

// kxc lv page --follow prints the page, then every entry written after
// it, and reads a replaced log from its start.
TEST_F(KxcLv, FollowPrintsEntriesAsTheLogGrowsAndAfterARotation) {
  const std::string out = dir.file("follow.out"), err = dir.file("follow.err");
  const std::string log = dir.file("log/kx.log");
  const std::string cmd = "cd '" + dir.path() + "' && TZ=UTC KXDIR='" + dir.path() + "' KXLOGDIR= timeout 4 '" KXC_PATH
                          "' lv page --at end --lines 2 --follow --interval 50 > '" + out + "' 2> '" + err + "'";
  std::thread follower([&] { kxtest::run_command(cmd); });
  auto wait_for = [&](const std::string &text) {
    for (int i = 0; i < 200; ++i) {
      std::FILE *f = std::fopen(out.c_str(), "r");
      std::string got;
      if (f) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) got.append(buf, n);
        std::fclose(f);
      }
      if (got.find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  };
  EXPECT_TRUE(wait_for("\n99 "));
  {
    LogWriter w;
    ASSERT_TRUE(w.open(log));
    for (uint32_t i = 99; i < 102; ++i) w.add(conn_header(kBase + 10 * i, 2), conn_words(0x0A000001, i));
  }
  EXPECT_TRUE(wait_for("\n102 "));
  ASSERT_EQ(std::rename(log.c_str(), dir.file("log/old.log").c_str()), 0);
  {
    LogBuilder fresh(log);
    fresh.conns(500, 2);
  }
  EXPECT_TRUE(wait_for("\n2  "));
  follower.join();
  const std::string text = kxtest::read_file(out);
  std::vector<std::string> nums;
  for (size_t at = text.find('\n'); at != std::string::npos && at + 1 < text.size(); at = text.find('\n', at + 1))
    nums.push_back(text.substr(at + 1, text.find(' ', at + 1) - at - 1));
  EXPECT_EQ(nums, (std::vector<std::string>{"98", "99", "100", "101", "102", "0", "1", "2"})) << text;
  EXPECT_NE(kxtest::read_file(err).find("kxc lv: Log file " + log + " was truncated or replaced; reading it again"),
            std::string::npos);
}

} // namespace
