// "Save Layout": the layout file written and read back, and a damaged file
// that gives nothing rather than half a layout.
#include "kxui/editor/layout.h"

#include "kxu/report.h"
#include "support/tempdir.h"
#include "support/reports.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using Notices = kxtest::CollectReports;

TEST(Layout, SavedAndReadBackOrNothing) {
  kxtest::TempDir dir;
  Notices notices;
  kxu::ScopedFrontEnd scope{&notices};
  const std::string path = dir.file("kxui.layout");
  EXPECT_FALSE(layout_load(path)); // none yet, and no complaint
  EXPECT_TRUE(notices.notices.empty());

  const WindowLayout layout{{"main", "AdnQywADAAAAAAAA/+v/+w==\n"},
                            {"columns", "40 160 160 120 80 80 100"},
                            {"manager_netobj", "(a) :colon"}};
  ASSERT_TRUE(layout_save(path, layout));
  auto back = layout_load(path);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, layout);

  std::ofstream(path) << "(layout\n\t:main (AdnQ\n";
  EXPECT_FALSE(layout_load(path));
  ASSERT_EQ(notices.notices.size(), 1u);
  EXPECT_NE(notices.notices[0].find("not read"), std::string::npos);

  EXPECT_FALSE(layout_save(dir.file("no/such/dir/kxui.layout"), layout));
  EXPECT_EQ(notices.notices.size(), 2u);
}

} // namespace
