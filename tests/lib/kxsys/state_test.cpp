// The module state store: families, hard links, links file, ".ifs".
#include "kxsys/kxstate.h"

#include "kxsys/errors.h"
#include "kxsys/hostid.h"
#include "kxsys/makeid.h"

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

TEST(State, SavingSeveralModulesAtOnce) {
  kxtest::TempDir d;
  d.write("tmp/Std.fc", "code\n");
  d.write("tmp/Std.ft", "tables\n");
  d.write("tmp/Std.lg", "# lg\n");
  mkdir(d.file("state").c_str(), 0755);
  std::vector<kx_module_state> modules = {
      {"10.1.1.1", {"all"}, {}, ""}, {"10.1.1.2", {"le0"}, {}, ""}, {"bad name", {"all"}, {}, ""},
      {"10.1.1.1", {"le1"}, {}, ""}};
  EXPECT_FALSE(kxstate_savefilters(d.file("state"), d.file("tmp/Std"), modules));
  EXPECT_FALSE(modules[2].files);
  EXPECT_EQ(modules[2].error, kx_family_name_error("bad name"));
  auto ifs_of = [](const kx_module_state &m) {
    auto *e = m.files ? m.files->find("ifs") : nullptr;
    return e ? std::string(e->contents.begin(), e->contents.end()) : m.error;
  };
  // Each module is sent the targets it was named with, even when named twice.
  EXPECT_EQ(ifs_of(modules[0]), "Std\nall\n");
  EXPECT_EQ(ifs_of(modules[1]), "Std\nle0\n");
  EXPECT_EQ(ifs_of(modules[3]), "Std\nle1\n");
  EXPECT_EQ(inode(d.file("state/10.1.1.1.fc")), inode(d.file("state/10.1.1.2.fc")));
  EXPECT_EQ(kxstate_findlink(d.file("state"), {0x0a010101}), "10.1.1.1");
  EXPECT_EQ(kxstate_findlink(d.file("state"), {0x0a010102}), "10.1.1.2");
  // The family keeps the targets it was last named with, and nothing of the
  // way there.
  EXPECT_EQ(*kx_read_file(d.file("state/10.1.1.1.ifs")), (Bytes{'S', 't', 'd', '\n', 'l', 'e', '1', '\n'}));
  EXPECT_FALSE(kx_read_file(d.file("state/10.1.1.1.ifs.new")));
  EXPECT_FALSE(kx_read_file(d.file("state/10.1.1.2.ifs.new")));
}

TEST(State, AFailedLinksFileLeavesTheFamiliesAsTheyWere) {
  kxtest::TempDir d;
  d.write("tmp/Std.fc", "code\n");
  d.write("tmp/Std.ft", "tables\n");
  d.write("tmp/Std.lg", "# lg\n");
  d.write("state/10.1.1.1.ifs", "Old\nall\n");
  // A directory where the links file should be: it cannot be replaced.
  mkdir(d.file("state/links.C").c_str(), 0755);
  std::vector<kx_module_state> modules = {{"10.1.1.1", {"le0"}, {}, ""}};
  EXPECT_FALSE(kxstate_savefilters(d.file("state"), d.file("tmp/Std"), modules));
  EXPECT_EQ(modules[0].error, "Unable to write links file");
  EXPECT_EQ(*kx_read_file(d.file("state/10.1.1.1.ifs")), (Bytes{'O', 'l', 'd', '\n', 'a', 'l', 'l', '\n'}));
  EXPECT_FALSE(kx_read_file(d.file("state/10.1.1.1.ifs.new")));
  EXPECT_FALSE(kx_read_file(d.file("state/10.1.1.1.fc")));
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
  // Recorded in one write, the same families come out.
  kxtest::TempDir at_once;
  ASSERT_TRUE(kxstate_createlinks(at_once.path(), kx_links{{"alpha", {1, 2}}, {"beta", {2, 3}}, {"gamma", {1}}}));
  EXPECT_EQ(kx_read_file(at_once.file("links.C")), kx_read_file(d.file("links.C")));
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

TEST(State, SeveralFilesWrittenAtOnce) {
  kxtest::TempDir d;
  d.write("b", "old");
  std::string a = "first", b = "second", c = "third";
  auto written = kx_write_files({{d.file("a"), a.data(), a.size()},
                                 {d.file("missing/b"), b.data(), b.size()},
                                 {d.file("b"), c.data(), c.size()}});
  EXPECT_EQ(written, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(*kx_read_file(d.file("a")), (Bytes{'f', 'i', 'r', 's', 't'}));
  EXPECT_EQ(*kx_read_file(d.file("b")), (Bytes{'t', 'h', 'i', 'r', 'd'}));
  EXPECT_TRUE(kx_write_files({}).empty());
  EXPECT_TRUE(kx_sync_files({d.file("a"), d.file("b")}));
  EXPECT_FALSE(kx_sync_files({d.file("a"), d.file("missing/b")}));
}

TEST(State, AReceivedSetWithABadNameSavesTheRest) {
  kxtest::TempDir d;
  kxloadx_t files{{{"fc", Bytes{'a'}}, {"../x", Bytes{'z'}}, {"lg", Bytes{'b'}}}};
  EXPECT_FALSE(kxstate_savefiles(d.path(), files));
  EXPECT_EQ(*kx_read_file(d.file("local.fc")), Bytes{'a'});
  EXPECT_EQ(*kx_read_file(d.file("local.lg")), Bytes{'b'});
  EXPECT_FALSE(kx_read_file(d.file("x")));
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

TEST(State, LinksRoundTripAndRefuseNamesTheyCannotKeep) {
  kx_links links = {{"gw.example.com", {0x0a000001, 7}}, {"127.0.1.2", {0x7f000102}}, {"empty", {}}};
  EXPECT_EQ(kx_parse_links(kx_links_text(links)), links);
  // Names the set text would change or drop are not family names: the writer
  // leaves them out, the reader skips them, and saving refuses them.
  for (const std::string &bad : std::vector<std::string>{"_hidden", "a b", "a\"b", "\xc3\xa9t\xc3\xa9", "x/y", "..", "", std::string(256, 'a')}) {
    EXPECT_FALSE(kx_family_name_ok(bad)) << bad;
    EXPECT_EQ(kx_parse_links(kx_links_text({{bad, {1}}, {"ok", {2}}})), (kx_links{{"ok", {2}}})) << bad;
  }
  EXPECT_EQ(kx_parse_links("(links\n\t:_x (\n\t\t:1 ()\n\t)\n\t:y (\n\t\t:2 ()\n\t)\n)\n"), (kx_links{{"y", {2}}}));
  kxtest::TempDir d;
  EXPECT_FALSE(kxstate_createlinks(d.path(), "a b", {1}));
  std::string linkbase, error;
  EXPECT_FALSE(kxstate_savefilter(d.path(), d.file("x"), "bad name", {}, linkbase, false, nullptr, &error));
  EXPECT_NE(error.find("bad module name <bad name>"), std::string::npos) << error;
}

namespace {
// A compiled policy in tmp/Std.* and an empty state directory.
void compiled_policy(const kxtest::TempDir &d) {
  d.write("tmp/Std.fc", "code\n");
  d.write("tmp/Std.ft", "tables\n");
  d.write("tmp/Std.lg", "# lg\n%%format: short 1\n");
  mkdir(d.file("state").c_str(), 0755);
}
} // namespace

TEST(State, GetstateReadsAFamilyBackWithItsDatabase) {
  kxtest::TempDir d;
  compiled_policy(d);
  std::string linkbase, error;
  kxloaddb_t db{Bytes{'u'}, Bytes{'o', 'b'}};
  ASSERT_TRUE(kxstate_savefilter(d.file("state"), d.file("tmp/Std"), "10.1.1.1", {"le0", "le1"}, linkbase, false,
                                 &db, &error)) << error;
  kx_filter filter;
  kxloaddb_t back;
  std::vector<std::string> targets;
  ASSERT_EQ(kx_getstate(d.file("state"), "10.1.1.1", filter, back, targets, &error), 2) << error;
  EXPECT_EQ(targets, (std::vector<std::string>{"le0", "le1"}));
  EXPECT_EQ(filter.id.name_str(), "Std");
  // The identity follows the same rule as a load's: the digest of the lg.
  EXPECT_EQ(filter.id.filterid, kx_makeid_text("Std", std::string("# lg\n%%format: short 1\n"), -1).filterid);
  std::vector<std::string> names;
  for (const auto &e : filter.files.entries)
    names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"fc", "lg", "ft"}));
  EXPECT_EQ(back, db);

  // No state saved: -4 and the missing "ifs"; unreadable compiled files.
  kxd_errno = 0;
  EXPECT_EQ(kx_getstate(d.file("state"), "10.9.9.9", filter, back, targets, &error), -1);
  EXPECT_EQ(error, "cannot access <" + d.file("state/10.9.9.9.ifs") + ">");
  EXPECT_EQ(kxd_errno, KXD_ENOSTATE);
  unlink(d.file("state/10.1.1.1.ft").c_str());
  EXPECT_EQ(kx_getstate(d.file("state"), "10.1.1.1", filter, back, targets, &error), -1);
  EXPECT_EQ(error, "cannot kx_read <" + d.file("state/10.1.1.1.ft") + ">");
}

TEST(State, GetfilterReadsTheLocalFamily) {
  kxtest::TempDir d;
  kx_filter filter;
  kxloaddb_t db;
  std::vector<std::string> targets;
  std::string error;
  kxd_errno = 0;
  EXPECT_EQ(kxstate_getfilter(d.path(), filter, db, targets, &error), -1);
  EXPECT_EQ(error, "Can not get filter from local: No State Saved");
  EXPECT_EQ(kxd_errno, KXD_ENOSTATE);
  d.write("local.ifs", "Std\nall\n");
  EXPECT_EQ(kxstate_getfilter(d.path(), filter, db, targets, &error), -1);
  EXPECT_EQ(error, "Can not get filter from local");
  EXPECT_EQ(kxd_errno, KXD_ELOADFAIL);
  d.write("local.fc", "c");
  d.write("local.lg", "l");
  d.write("local.ft", "t");
  d.write("local.set", "s");
  EXPECT_EQ(kxstate_getfilter(d.path(), filter, db, targets, &error), 1);
  EXPECT_EQ(filter.files.entries.size(), 4u);
  EXPECT_EQ(db, kxloaddb_t{});
}

TEST(State, SavedbWritesTheDatabaseIntoTheModulesFamilyOnly) {
  kxtest::TempDir d;
  compiled_policy(d);
  std::string linkbase, error;
  ASSERT_TRUE(kxstate_savefilter(d.file("state"), d.file("tmp/Std"), "10.1.1.1", {}, linkbase, false, nullptr, &error));
  ASSERT_TRUE(kxstate_savefilter(d.file("state"), d.file("tmp/Std"), "10.1.1.2", {}, linkbase, false, nullptr, &error));
  kxloaddb_t db{Bytes{'u'}, Bytes{'o'}};
  EXPECT_EQ(kxstate_savedb(d.file("state"), db, "10.1.1.2"), 0);
  EXPECT_EQ(*kx_read_file(d.file("state/10.1.1.2.db")), Bytes{'u'});
  EXPECT_EQ(*kx_read_file(d.file("state/10.1.1.2.objects")), Bytes{'o'});
  EXPECT_FALSE(kx_read_file(d.file("state/10.1.1.1.db")));
  // The shared compiled files stay shared.
  EXPECT_EQ(inode(d.file("state/10.1.1.1.fc")), inode(d.file("state/10.1.1.2.fc")));
  // A module without a family gets nothing.
  EXPECT_EQ(kxstate_savedb(d.file("state"), db, "10.7.7.7"), 0);
  EXPECT_FALSE(kx_read_file(d.file("state/10.7.7.7.db")));
}

TEST(State, NoloopbackMakesEvenLocalhostRemote) {
  EXPECT_TRUE(kx_is_local("localhost"));
  EXPECT_TRUE(kx_is_local("127.0.0.1"));
  kx_noloopback = true;
  EXPECT_FALSE(kx_is_local("localhost"));
  EXPECT_FALSE(kx_is_local(""));
  EXPECT_FALSE(kx_is_local("127.0.0.1"));
  kx_noloopback = false;
}
