// kxc log on a file holding every kind of record: the printed forms and the
// JSON lines as goldens, the filters, following a rotated file, exit codes.
#include "logfixture.h"
#include "support/golden.h"
#include "support/run.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

using namespace kxlogtest;

namespace {

constexpr uint32_t kA = 0xC0000201, kB = 0xC0000202;

void write_every_kind(const std::string &path) {
  LogWriter w;
  ASSERT_TRUE(w.open(path, true));
  w.add_sync(1796889600);
  w.add(header(kA, LOG_FMT_SYSTEM), logsys_data(LOGSYS_START, "kx.log"));
  w.add(header(kA, LOG_FMT_SYSTEM), logsys_data(LOGSYS_SENDING, "loghost"));
  w.add(header(kA, LOG_FMT_SYSTEM), logsys_data(7, "ignored"));
  kxlogrec ifs = header(kA, 0);
  ifs.type = LOG_TYPE_IFNAME;
  w.add(ifs, kxif_list2x({{"eth0", 0}, {"eth1-outside", 1}, {"bad", 40}}));
  kxlogrec ifs_b = header(kB, 0);
  ifs_b.type = LOG_TYPE_IFNAME;
  w.add(ifs_b, kxif_list2x({{"le0", 0}, {"le1", 1}}, false));
  w.add(ifs_b, std::vector<uint8_t>(100)); // neither size
  kxlogrec early = header(kA, 1);
  w.add(early, conn(0)); // before its filter is announced
  w.add(header(kA, LOG_FMT_INFO), info(filter(), kFormats));
  kxlogrec r = header(kA, 1, 1796889601);
  r.set_action_if(LOG_ACT_ACCEPT, 1);
  r.direction = 1;
  w.add(r, conn(0, "hi"));
  r.set_action_if(LOG_ACT_DROP, 3);
  r.direction = 0;
  w.add(r, conn(1));
  w.add(r, conn(2));
  w.add(r, conn(LOG_NO_ACTION));
  w.add(r, conn(9));
  w.add(header(kA, 5), words({1, 2, 0}));                   // no such format
  w.add(header(kA, LOG_FMT_DOMAIN), words({0xC6336401}));   // skipped
  kxlogrec odd = header(kA, 1);
  odd.type = 9;
  w.add(odd, words({1}));                                   // unknown type: skipped
  const kxid_t id = filter();
  w.add(header(kB, LOG_FMT_RESET), std::vector<uint8_t>(id.raw, id.raw + 48));
  w.add(header(kB, 1, 1796889700), conn(0, "B"));
  w.add(header(kA, LOG_FMT_INFO), std::vector<uint8_t>(60, 0)); // a filter without name or texts
  std::vector<uint8_t> cut = info(filter(), kFormats);
  cut.resize(56);
  w.add(header(kA, LOG_FMT_INFO), cut);
  w.add(header(kA, LOG_FMT_SYSTEM, 1796889800), logsys_data(LOGSYS_STOP, "kx.log"));
}

kxtest::CommandResult kxc_log(const std::string &args) {
  return kxtest::run_command("TZ=UTC '" KXC_PATH "' log " + args);
}

} // namespace

TEST(KxcLog, EveryRecordKindGolden) {
  kxtest::TempDir dir;
  write_every_kind(dir.file("kx.log"));
  kxtest::CommandResult r = kxc_log("'" + dir.file("kx.log") + "'");
  EXPECT_EQ(r.status, 0);
  kxtest::expect_golden("kxlog/every_kind.out", r.out);
  kxtest::expect_golden("kxlog/every_kind.err", r.err);
  r = kxc_log("--json '" + dir.file("kx.log") + "'");
  EXPECT_EQ(r.status, 0);
  kxtest::expect_golden("kxlog/every_kind.json", r.out);
}

TEST(KxcLog, OriginAndTimeFilters) {
  kxtest::TempDir dir;
  write_every_kind(dir.file("kx.log"));
  const std::string file = " '" + dir.file("kx.log") + "'";
  kxtest::CommandResult r = kxc_log("--origin 192.0.2.2" + file);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "17 10Dec126  8:01:40 192.0.2.2 le0 > accept src 198.51.100.1 dst "
                   "203.0.113.5 service smtp proto tcp rule 3 info B\n");
  r = kxc_log("--from 2026-12-10T08:01:00Z --to 1796889750" + file);
  EXPECT_EQ(r.out.find("\n"), r.out.size() - 1) << r.out;
  EXPECT_NE(r.out.find("info B"), std::string::npos);
}

TEST(KxcLog, ExitCodes) {
  EXPECT_EQ(kxc_log("/nonexistent/kx.log").status, 1);
  EXPECT_EQ(kxc_log("--bogus").status, 2);
  EXPECT_EQ(kxc_log("--from yesterday x").status, 2);
  EXPECT_EQ(kxc_log("a b").status, 2);
  kxtest::TempDir dir;
  // The default file is the installation's log.
  dir.write("log/kx.log", "");
  write_every_kind(dir.file("log/kx.log"));
  kxtest::CommandResult r = kxtest::run_command("KXDIR='" + dir.path() + "' KXLOGDIR= '" KXC_PATH
                                                "' log | wc -l");
  EXPECT_EQ(r.out, "15\n");
}

TEST(KxcLog, FollowsGrowthAndRotation) {
  kxtest::TempDir dir;
  const std::string path = dir.file("kx.log");
  {
    LogWriter w;
    ASSERT_TRUE(w.open(path, true));
    w.add(header(kA, LOG_FMT_INFO), info(filter(), kFormats));
  }
  const std::string out = dir.file("out");
  kxtest::run_command("TZ=UTC '" KXC_PATH "' log --follow '" + path + "' > '" + out +
                      "' 2>&1 & echo $! > '" + dir.file("pid") + "'");
  auto wait_for = [&](const char *text) {
    for (int i = 0; i < 100; ++i) {
      if (kxtest::read_file(out).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  };
  EXPECT_TRUE(wait_for("installed Standard"));
  {
    LogWriter w;
    ASSERT_TRUE(w.open(path));
    w.add(header(kA, 1), conn(0, "one"));
  }
  EXPECT_TRUE(wait_for("info one"));
  ASSERT_EQ(std::rename(path.c_str(), (path + ".old").c_str()), 0);
  {
    LogWriter w;
    ASSERT_TRUE(w.open(path, true));
    w.add(header(kA, LOG_FMT_INFO), info(filter(), kFormats));
    w.add(header(kA, 1), conn(0, "two"));
  }
  EXPECT_TRUE(wait_for("info two"));
  kxtest::run_command("kill $(cat '" + dir.file("pid") + "')");
  const std::string text = kxtest::read_file(out);
  EXPECT_NE(text.find("log file switched"), std::string::npos) << text;
  EXPECT_NE(text.find("\n1 10Dec126  8:00:00 192.0.2.1 if0 > accept"), std::string::npos) << text;
}
