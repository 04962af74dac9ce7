// The module state store: families, hard links, links file, ".ifs".
#include "kxsys/kxstate.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace kxsys;

namespace {
ino_t inode(const std::string &path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}
} // namespace

TEST(State, IfsReading) {
  auto ifs = kx_parse_ifs("Standard\n\nle0@gw\r\nall@ns\n");
  ASSERT_TRUE(ifs);
  EXPECT_EQ(ifs->name, "Standard");
  EXPECT_EQ(ifs->targets, (std::vector<std::string>{"le0@gw", "all@ns"}));
  EXPECT_FALSE(kx_parse_ifs("\n\n"));
  EXPECT_EQ(kx_parse_ifs(std::string(600, 'x'))->name.size(), 511u);
}

TEST(State, SavingForTwoModulesLinksTheSecondToTheFirst) {
  kxtest::TempDir d;
  d.write("tmp/Std.fc", "code\n");
  d.write("tmp/Std.ft", "tables\n");
  d.write("tmp/Std.lg", "# lg\n");
  mkdir(d.file("state").c_str(), 0755);
  std::string linkbase, error;
  ASSERT_TRUE(kxstate_savefilter(d.file("state"), d.file("tmp/Std"), "10.1.1.1", {"all"}, linkbase, false, nullptr, &error)) << error;
  ASSERT_TRUE(kxstate_savefilter(d.file("state"), d.file("tmp/Std"), "10.1.1.2", {"le0"}, linkbase, false, nullptr, &error)) << error;
  EXPECT_EQ(inode(d.file("state/10.1.1.1.fc")), inode(d.file("state/10.1.1.2.fc")));
  EXPECT_NE(inode(d.file("state/10.1.1.1.ifs")), inode(d.file("state/10.1.1.2.ifs")));
  // A family without "set", "objects" and "db" is complete.
  auto files = kxstate_getfiles(d.file("state"), {0x0a010102});
  ASSERT_TRUE(files);
  std::vector<std::string> names;
  for (const auto &e : files->entries)
    names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"fc", "lg", "ft", "ifs"}));
  EXPECT_EQ(std::string(files->find("ifs")->contents.begin(), files->find("ifs")->contents.end()), "Std\nle0\n");
  // Without "ft" the set is not complete.
  unlink(d.file("state/10.1.1.2.ft").c_str());
  std::string why;
  EXPECT_FALSE(kx_readfiles("10.1.1.2", d.file("state"), &why));
  EXPECT_EQ(why, "Unable to read 10.1.1.2.ft");
}

TEST(State, AnAddressThatMovedIsFoundUnderItsNewFamily) {
  kxtest::TempDir d;
  ASSERT_TRUE(kxstate_createlinks(d.path(), "alpha", {1, 2}));
  ASSERT_TRUE(kxstate_createlinks(d.path(), "beta", {2, 3}));
  EXPECT_EQ(kxstate_findlink(d.path(), {2}), "beta");
  EXPECT_EQ(kxstate_findlink(d.path(), {1}), "alpha");
  ASSERT_TRUE(kxstate_createlinks(d.path(), "gamma", {1}));
  auto links = kx_parse_links([&] {
    auto b = kx_read_file(d.file("links.C"));
    return std::string(b->begin(), b->end());
  }());
  ASSERT_TRUE(links);
  // "alpha" lost its last address and is gone.
  ASSERT_EQ(links->size(), 2u);
  EXPECT_EQ((*links)[0].first, "beta");
  EXPECT_EQ((*links)[1], (std::pair<std::string, std::vector<uint32_t>>{"gamma", {1}}));
  EXPECT_EQ(kxstate_findlink(d.path(), {9}), std::nullopt);
}

TEST(State, AnIdenticalReceivedFileLeavesTheStoredOneUntouched) {
  kxtest::TempDir d;
  kxloadx_t files{{{"fc", Bytes{'a'}}, {"lg", Bytes{'b'}}}};
  ASSERT_TRUE(kxstate_savefiles(d.path(), files));
  ino_t before = inode(d.file("local.fc"));
  files.entries[1].contents = {'c'};
  ino_t lg_before = inode(d.file("local.lg"));
  ASSERT_TRUE(kxstate_savefiles(d.path(), files));
  EXPECT_EQ(inode(d.file("local.fc")), before);
  EXPECT_NE(inode(d.file("local.lg")), lg_before);
  // Entry names are suffixes, never paths.
  EXPECT_FALSE(kx_state_file(d.file("local"), {"../x", Bytes{'z'}}));
  EXPECT_FALSE(kx_state_file(d.file("local"), {"fc/../../x", Bytes{'z'}}));
}

TEST(State, MoveCommitsOrRollsBack) {
  kxtest::TempDir tmp, state;
  tmp.write("local.fc", "new");
  state.write("local.fc", "old");
  ASSERT_TRUE(kxstate_move(tmp.path(), state.path(), false));
  EXPECT_EQ(access(tmp.file("local.fc").c_str(), F_OK), -1);
  EXPECT_EQ(*kx_read_file(state.file("local.fc")), (Bytes{'o', 'l', 'd'}));
  tmp.write("local.fc", "new");
  ASSERT_TRUE(kxstate_move(tmp.path(), state.path(), true));
  EXPECT_EQ(*kx_read_file(state.file("local.fc")), (Bytes{'n', 'e', 'w'}));
}
