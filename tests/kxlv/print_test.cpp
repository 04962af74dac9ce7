// The plain-text layout and the print destinations.
#include "kxlv/print.h"
#include "kxlv/viewer.h"
#include "lvfixture.h"
#include "support/golden.h"

#include <gtest/gtest.h>

#include <algorithm>

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
  settings.columns = {{"Num", "text", true, 3}, {"Src", "text", true, 8}, {"Date", "text", false, 9},
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
  // Columns cut to their width; fields without a column go to Info.
  EXPECT_EQ(out, "Num Src      Action Info \n"
                 "9   10.0.0.1 accept dst 203.0.113.5\tservice smtp\tproto tcp\trule 8 \n"
                 "10  10.0.1.1 drop dst 203.0.113.5\tservice smtp\tproto tcp\trule 9 \n"
                 "<FF>\n"
                 "Num Src      Action Info \n"
                 "11  10.0.2.1 accept dst 203.0.113.5\tservice smtp\tproto tcp\trule 10 \n");
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

} // namespace
