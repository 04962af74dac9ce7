// The plain-text layout and the print destinations.
#include "kxlv/print.h"
#include "kxlv/viewer.h"
#include "lvfixture.h"
#include "support/golden.h"
#include "support/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace kxlvtest;

namespace {

class PrintTest : public ::testing::Test {
protected:
  void SetUp() override {
    utc();
    path = dir.file("kx.log");
    LogBuilder b(path);
    b.conns(0, 99);
    b.w.close();
    ASSERT_TRUE(viewer.open(path));
    std::vector<std::string> messages;
    ps = kxlv_print_get(settings, &messages);
    EXPECT_TRUE(messages.empty());
  }
  kxtest::TempDir dir;
  std::string path;
  kxlv_settings settings;
  kxlv_viewer viewer{settings};
  kxlv_print_settings ps;
};

TEST_F(PrintTest, TitlesColumnsAndPages) {
  settings.columns = {{"Num", "text", true, 1}, {"Src", "text", true, 8}, {"Date", "text", false, 9},
                      {"Action", "icon", true, 0}, {"Info", "text", true, 0}};
  ps.ascii_lines_per_page = 2;
  ps.form_feed = "<FF>\n";
  viewer.set_lines(3);
  viewer.goto_entry(9);
  std::string out;
  size_t next = 0;
  const auto &page = viewer.page();
  const long n = print_ascii([&](std::string_view t) { return out.append(t), true; },
                             [&]() -> const kxlv_entry * { return next < page.size() ? &page[next++] : nullptr; },
                             settings, ps, viewer.lio().hosts());
  EXPECT_EQ(n, 3);
  // Columns cut to their width, but for entry numbers (cut, a number would
  // name another entry); fields without a column go to Info.
  EXPECT_EQ(out, "N Src      Action Info \n"
                 "9 10.0.0.1 accept dst 203.0.113.5\tservice smtp\tproto tcp\trule 8 \n"
                 "10 10.0.1.1 drop dst 203.0.113.5\tservice smtp\tproto tcp\trule 9 \n"
                 "<FF>\n"
                 "N Src      Action Info \n"
                 "11 10.0.2.1 accept dst 203.0.113.5\tservice smtp\tproto tcp\trule 10 \n");
}

TEST_F(PrintTest, WholeFileToAFileAndTheDefaultLayoutGolden) {
  ps.range = "all";
  ps.string = dir.file("out.txt");
  std::string error;
  KxSetRef list = kxlv_make_list("Num", {"90-"}, &error);
  ASSERT_EQ(settings.selections.update("Num", true, list.get(), &error), 0);
  viewer.set_lines(5);
  viewer.goto_entry(95);
  std::string message;
  ASSERT_EQ(kxlv_print(viewer, settings, ps, nullptr, &message), 0) << message;
  EXPECT_EQ(message, "");
  kxtest::expect_golden("kxlv/print_all.txt", kxtest::read_file(dir.file("out.txt")));
  EXPECT_EQ(viewer.page().front().num, 95); // the page is back where it was
  ps.string = dir.file("no/such/dir/out.txt");
  EXPECT_EQ(kxlv_print(viewer, settings, ps, nullptr, &message), -1);
  EXPECT_EQ(message, "Error opening print file '" + ps.string + "'");
  ps.ascii = false;
  EXPECT_EQ(kxlv_print(viewer, settings, ps, nullptr, &message), -1);
  EXPECT_EQ(message, "Ascii printing is not configured");
}

TEST_F(PrintTest, ACommandThatExitsEarlyIsReportedOnce) {
  {
    LogBuilder big(path);
    big.conns(0, 20000);
  }
  ASSERT_TRUE(viewer.open(path));
  ps.range = "all";
  ps.destination = "command";
  ps.string = "exit 0";
  long asked = 0;
  std::string message;
  EXPECT_EQ(kxlv_print(viewer, settings, ps, [&](long n) { return asked = n, true; }, &message), -1);
  EXPECT_EQ(asked, 20001);
  EXPECT_EQ(message, "print command failed (broken pipe)");
  // Declining the question prints nothing.
  EXPECT_EQ(kxlv_print(viewer, settings, ps, [](long) { return false; }, &message), 0);
  ps.string = "cat > '" + dir.file("piped.txt") + "'";
  ps.range = "window";
  viewer.set_lines(2);
  viewer.top();
  message.clear();
  EXPECT_EQ(kxlv_print(viewer, settings, ps, nullptr, &message), 0) << message;
  const std::string piped = kxtest::read_file(dir.file("piped.txt"));
  EXPECT_EQ(std::count(piped.begin(), piped.end(), '\n'), 3) << piped;
}

// Pages of the PostScript printout: the number of entry lines ("nl")
// between the first two page marks.
long lines_on_first_page(const std::string &ps) {
  const size_t a = ps.find("%%Page: 1 1\n"), b = ps.find("%%Page: 2 2\n");
  if (a == std::string::npos || b == std::string::npos) return -1;
  long n = 0;
  for (size_t p = ps.find("\nnl\n", a); p != std::string::npos && p < b; p = ps.find("\nnl\n", p + 1)) ++n;
  return n;
}

std::string postscript_of(const std::vector<kxlv_entry> &entries, const kxlv_settings &s, const kxlv_print_settings &ps,
                          const LogHosts &hosts, long *written) {
  std::string out;
  size_t next = 0;
  const kxlv_ps_document doc{"% the prolog\n", "kxlv", "Thu Dec 10 08:00:00 2026"};
  *written = print_postscript([&](std::string_view t) { return out.append(t), true; },
                              [&]() -> const kxlv_entry * { return next < entries.size() ? &entries[next++] : nullptr; },
                              s, ps, hosts, doc);
  return out;
}

TEST_F(PrintTest, PostScriptGolden) {
  // A column name with parentheses and a backslash shows the escaping.
  settings.columns = kxlv_default_columns();
  settings.columns.push_back({"Note (a\\b)", "text", true, 6});
  ps.ps_lines_per_page = 5; // three entry lines per page
  viewer.set_lines(5);
  viewer.top();
  long written = 0;
  const std::string out = postscript_of(viewer.page(), settings, ps, viewer.lio().hosts(), &written);
  EXPECT_EQ(written, 5);
  kxtest::expect_golden("kxlv/print_page.ps", out);
}

TEST_F(PrintTest, PostScriptPagesHoldTheLineCountLessTwo) {
  viewer.set_lines(100);
  viewer.top();
  std::vector<std::string> messages;
  for (const char *orientation : {"landscape", "portrait"}) {
    // The settings' "postscript" object without a line count.
    kxset *post = settings.object->get("print")->get("postscript");
    post->set("orientation", kxset::make(KxAtom(orientation)));
    ps = kxlv_print_get(settings, &messages);
    long written = 0;
    const std::string out = postscript_of(viewer.page(), settings, ps, viewer.lio().hosts(), &written);
    EXPECT_EQ(lines_on_first_page(out), std::string(orientation) == "portrait" ? 68 : 48) << orientation;
    EXPECT_EQ(out.find(std::string("/LandScape ") + (orientation[0] == 'p' ? "false" : "true") + " def\n"),
              out.find("/LandScape"));
    EXPECT_EQ(out.substr(out.size() - 9), "showpage\n");
  }
  EXPECT_TRUE(messages.empty());
}

TEST(PsWord, EscapesParenthesesBackslashesAndUnprintables) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain text", "plain text"},
      {"(x)", "\\(x\\)"},
      {"a\\b", "a\\\\b"},
      {"tab\there", "tab\\011here"},
      {"nl\n", "nl\\012"},
      {"\x7f\xe9", "\\177\\351"},
  };
  for (const auto &[in, want] : cases) EXPECT_EQ(ps_word(in), want) << in;
}

TEST_F(PrintTest, PostScriptNeedsItsObjectAndItsProlog) {
  ps.format = "postscript";
  ps.string = dir.file("out.ps");
  ps.prolog = dir.file("missing.pro");
  std::string message;
  EXPECT_EQ(kxlv_print(viewer, settings, ps, nullptr, &message), -1);
  EXPECT_EQ(message, "Cannot open PostScript prolog '" + ps.prolog + "'");
  ps.postscript = false;
  EXPECT_EQ(kxlv_print(viewer, settings, ps, nullptr, &message), -1);
  EXPECT_EQ(message, "PostScript printing is not configured");
}

// The printout of the demo log, with the demo's prolog, renders in
// Ghostscript without an error.
TEST(PrintGhostscript, TheDemoPrintoutRenders) {
  kxtest::TempDir dir;
  const std::string kx = dir.file("kx");
  ASSERT_EQ(kxtest::run_command("cp -a '" + kxtest::test_path("../demo") + "' '" + kx + "'").status, 0);
  kxtest::CommandResult r = kxtest::run_command("KXDIR='" + kx + "' KXLOGDIR= '" KXC_PATH
                                                "' lv print --format postscript --range all --output '" +
                                                dir.file("demo.ps") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string ps = kxtest::read_file(dir.file("demo.ps"));
  ASSERT_EQ(ps.rfind("%!PS-Adobe-1.0\n", 0), 0u);
  EXPECT_NE(ps.find("/ftext {"), std::string::npos); // the prolog file was copied in
  r = kxtest::run_command("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r40 -sOutputFile='" +
                          dir.file("page%d.png") + "' '" + dir.file("demo.ps") + "' 2>&1");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "");
  // 400 entries at 48 a page.
  for (int page = 1; page <= 9; ++page) {
    std::FILE *f = std::fopen(dir.file("page" + std::to_string(page) + ".png").c_str(), "rb");
    ASSERT_NE(f, nullptr) << page;
    char magic[4] = {};
    EXPECT_EQ(std::fread(magic, 1, 4, f), 4u);
    std::fclose(f);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
  }
  EXPECT_EQ(std::fopen(dir.file("page10.png").c_str(), "rb"), nullptr);
}

} // namespace
