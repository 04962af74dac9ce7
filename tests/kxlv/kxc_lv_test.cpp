// kxc lv on an installation of its own: pages in the plain-text layout as
// goldens, search and go-to, selections stored in logviewer.C, and the
// refusals with their messages and exit codes.
#include "lvfixture.h"
#include "support/golden.h"
#include "support/run.h"

#include <gtest/gtest.h>

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

} // namespace
