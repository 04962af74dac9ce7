#include "kxu/filename.h"

#include <gtest/gtest.h>

namespace {

TEST(FileName, BasenameDropsOnlyKnownExtensions) {
  struct Case {
    const char *path, *want;
  } cases[] = {
      {"/opt/kx/conf/objects.C", "objects"},
      {"rules.W.old", "rules.W.old"},
      {"conf/std.W", "std"},
      {"out.pf", "out"},
      {"noext", "noext"},
      {"dot.", "dot"},
      {"/a/dir/", ""},
      {".hidden", ".hidden"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(kx_basename(c.path), c.want) << c.path;
}

TEST(FileName, DirnameKeepsTheSlash) {
  EXPECT_EQ(kx_dirname("/opt/kx/conf/objects.C"), "/opt/kx/conf/");
  EXPECT_EQ(kx_dirname("/x"), "/");
  EXPECT_EQ(kx_dirname("objects.C"), ".");
}

TEST(FileName, AddedExtensionIsKnownOnce) {
  EXPECT_TRUE(isextension(""));
  EXPECT_TRUE(isextension("W"));
  EXPECT_FALSE(isextension("w"));
  EXPECT_FALSE(isextension("zq9"));
  addextension("zq9");
  addextension("zq9");
  EXPECT_TRUE(isextension("zq9"));
  EXPECT_EQ(kx_basename("a.zq9"), "a");
}

TEST(FileName, HexText) {
  EXPECT_EQ(atox("ff"), 255u);
  EXPECT_EQ(atox("0x1A"), 26u);
  EXPECT_EQ(atox("zz"), 0u);
  EXPECT_EQ(xtoa(255), "ff");
  EXPECT_EQ(xtoa(0), "0");
  EXPECT_EQ(atox(xtoa(0xdeadbeefUL).c_str()), 0xdeadbeefUL);
}

} // namespace
