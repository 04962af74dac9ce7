// The objects database files: load order, dictionaries and the merged view,
// the failures of single files, saving through ".new" with the byte
// comparison and ".bak", and the order of groups in a saved table.
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

#include "kxset/sio.h"
#include "kxu/kxdir.h"
#include "kxu/replace_file.h"
#include "kxu/report.h"
#include "support/golden.h"
#include "support/reports.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char *kSetup = R"((setup
	:actobj (
		: (accept :action (accept))
	)
	:netobj (
		: (fromsetup :type (host))
	)
	:title (title :title (Demo) :owner gw)
))";

const char *kObjects = R"((objects
	:netobj (
		: (gw :type (gateway) :ipaddr (10.0.0.1))
		: (mail :type (host) :ipaddr (10.0.0.2))
		: (servers :type (group) : gw : mail)
	)
	:servobj (
		: (smtp :type (tcp) :port (25))
	)
))";

const char *kAuth = R"((auth
	:auth-domain (
		: (office :gateway gw)
	)
))";

class ObjectsTest : public ::testing::Test {
protected:
  void SetUp() override {
    saved_kxdir_ = kxdir;
    kxdir = dir_.path();
    unsetenv("KX_OBJECTS");
    write_files();
  }
  void write_files() {
    dir_.write("lib/setup.C", kSetup);
    dir_.write("conf/objects.C", kObjects);
    dir_.write("conf/auth.C", kAuth);
    dir_.write("conf/wellfleet.C", "(wellfleet :fields ())\n");
  }
  void TearDown() override {
    destruct_objects();
    unsetenv("KX_OBJECTS");
    kxdir = saved_kxdir_;
  }
  // Set-up and authentication files that name no object, for tests that
  // bring their own objects.
  void independent() {
    dir_.write("lib/setup.C", "(setup :actobj ( : (accept :action (accept))))");
    dir_.write("conf/auth.C", "(auth)");
  }
  std::string conf(const std::string &name) const { return dir_.file("conf/" + name); }
  std::string read(const std::string &path) const { return kxtest::read_file(path); }
  static bool exists(const std::string &path) { return fs::exists(path); }
  // No temporary of a save is left beside objects.C.
  bool no_temporaries() const {
    for (const auto &e : fs::directory_iterator(conf("")))
      if (const std::string n = e.path().filename(); n.starts_with("objects.C.") && n != "objects.C.bak") return false;
    return true;
  }
  static ino_t inode(const std::string &path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_ino;
  }

  kxtest::TempDir dir_;
  kxtest::CollectReports capture_;
  kxu::ScopedFrontEnd fe_{&capture_};
  std::string saved_kxdir_;
};

TEST_F(ObjectsTest, LoadMergesFilesWithPrecedenceAndTableGlobals) {
  ASSERT_EQ(load_objects(nullptr), 0);
  EXPECT_TRUE(capture_.notices.empty());
  // objects.C comes after setup.C: its "netobj" is the one in the view.
  EXPECT_EQ(kx_netobj, kx_confobj->get(KxAtom("netobj")));
  EXPECT_EQ(kx_objects->get(KxAtom("netobj")), kx_netobj);
  EXPECT_EQ(kxobj_obj(kx_netobj, "fromsetup"), nullptr);
  EXPECT_NE(kxobj_obj(kx_netobj, "gw"), nullptr);
  EXPECT_EQ(kx_actions, kx_setupobj->get(KxAtom("actobj")));
  EXPECT_EQ(kx_applobj, kx_confobj);
  EXPECT_EQ(kx_wellfields, kx_wellfleet->get(KxAtom("fields")));

  // auth.C names objects of objects.C: they are the very sets.
  kxset *office = kxobj_ithmember(kx_authdom, 0);
  EXPECT_EQ(kxobj_getobj(office, "gateway", 0), kxobj_obj(kx_netobj, "gw"));
  // So does setup.C.
  EXPECT_EQ(kxobj_getobj(kx_objects->get(KxAtom("title")), "owner", 0),
            kxobj_obj(kx_netobj, "gw"));

  // Tables no file has are created empty in their owner and in the view.
  ASSERT_NE(kx_props, nullptr);
  EXPECT_EQ(kx_confobj->get(KxAtom("props")), kx_props);
  EXPECT_EQ(kx_objects->get(KxAtom("props")), kx_props);
  EXPECT_EQ(kx_wellfleet->get(KxAtom("wsetup")), kx_wellsetup);
  EXPECT_EQ(kx_authobj->get(KxAtom("auth-domain")), kx_authdom);

  // A change through the global shows in the view.
  obj_modified = 1;
  kxobj_create(kx_netobj, "new", "host");
  EXPECT_NE(kxobj_obj(kx_objects->get(KxAtom("netobj")), "new"), nullptr);
  load_objects(nullptr);
  EXPECT_EQ(obj_modified, 0);
  EXPECT_EQ(kxobj_obj(kx_netobj, "new"), nullptr) << "reloading drops unsaved changes";
}

TEST_F(ObjectsTest, BrokenFilesAreReportedAndReplacedByEmptySets) {
  // Without objects.C, the set-up and authentication files that name its
  // gateway fail as well.
  struct Case {
    const char *file;
    const char *text; // null: the file is missing
    const char *message;
    int failures;
  } cases[] = {
      {"objects.C", nullptr, "Failed to open file '", 3},
      {"objects.C", "(objects :netobj ( : (gw :type (gateway))\n", "Failed to load objects Database:\n", 3},
      {"objects.C", "# nothing but a comment\n", "Empty objects Database", 3},
      {"objects.C", "(objects :netobj ( : nosuch ))", "Failed to load objects Database:\n", 3},
      {"auth.C", "(auth :auth-domain ( : (x :gateway nosuch)))", "Failed to load objects Database:\n", 1},
      {"wellfleet.C", nullptr, "Failed to open file '", 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file + std::string(": ") + (c.text ? c.text : "(missing)"));
    write_files();
    if (c.text)
      dir_.write("conf/" + std::string(c.file), c.text);
    else
      fs::remove(conf(c.file));
    capture_.notices.clear();
    EXPECT_EQ(load_objects(nullptr), c.failures);
    ASSERT_EQ(capture_.notices.size(), static_cast<size_t>(c.failures));
    EXPECT_EQ(capture_.notices[0].rfind(c.message, 0), 0u) << capture_.notices[0];
    for (kxset *table : {kx_netobj, kx_services, kx_authdom, kx_wellfields, kx_props})
      EXPECT_NE(table, nullptr);
    EXPECT_NE(kx_actions, nullptr);
  }
  // The reader's messages name the file and the line.
  write_files();
  independent();
  dir_.write("conf/objects.C", "(objects\n :netobj ( : nosuch ))");
  capture_.notices.clear();
  load_objects(nullptr);
  ASSERT_EQ(capture_.notices.size(), 1u);
  EXPECT_NE(capture_.notices[0].find("objects.C\", line 2: ERROR: Cannot use <"), std::string::npos)
      << capture_.notices[0];
  EXPECT_NE(capture_.notices[0].find("Not in Scope"), std::string::npos);
}

TEST_F(ObjectsTest, MissingSetupFileEndsTheProgram) {
  fs::remove(dir_.file("lib/setup.C"));
  EXPECT_EXIT(
      {
        kxu::set_report_front_end(nullptr);
        load_objects(nullptr);
      },
      ::testing::ExitedWithCode(1), "No setup file, Aborting.");
}

TEST_F(ObjectsTest, KxObjectsNamesTheFile) {
  dir_.write("conf/site2.C", "(objects :netobj ( : (only :type (host))))");
  dir_.write("elsewhere/site3.C", "(objects :netobj ( : (far :type (host))))");
  setenv("KX_OBJECTS", "site2.C", 1);
  load_objects(nullptr);
  EXPECT_NE(kxobj_obj(kx_netobj, "only"), nullptr);
  kxobj_create(kx_netobj, "added", "host");
  ASSERT_EQ(save_objects(nullptr), 0);
  EXPECT_NE(read(conf("site2.C")).find("added"), std::string::npos);
  EXPECT_EQ(read(conf("objects.C")), kObjects);

  setenv("KX_OBJECTS", dir_.file("elsewhere/site3.C").c_str(), 1);
  load_objects(nullptr);
  EXPECT_NE(kxobj_obj(kx_netobj, "far"), nullptr);
}

TEST_F(ObjectsTest, SaveReplacesOnlyChangedFilesAndKeepsBackup) {
  load_objects(nullptr);
  // The first save writes the canonical layout: a real change.
  ASSERT_EQ(save_objects(nullptr), 0);
  std::string first = read(conf("objects.C"));
  EXPECT_EQ(read(conf("objects.C.bak")), kObjects);
  EXPECT_TRUE(no_temporaries());
  EXPECT_EQ(capture_.lines, (std::vector<std::string>{"Saving objects...", "Objects saved"}));

  // Nothing changed: the file is not touched and no backup is made.
  fs::remove(conf("objects.C.bak"));
  ino_t before = inode(conf("objects.C"));
  obj_modified = 1;
  ASSERT_EQ(save_objects(nullptr), 0);
  EXPECT_EQ(obj_modified, 0);
  EXPECT_EQ(inode(conf("objects.C")), before);
  EXPECT_FALSE(exists(conf("objects.C.bak")));
  EXPECT_TRUE(no_temporaries());

  // A change: the previous text goes to ".bak".
  kxobj_put(kxobj_obj(kx_netobj, "mail"), "comments", "relay");
  ASSERT_EQ(save_objects(nullptr), 0);
  EXPECT_EQ(read(conf("objects.C.bak")), first);
  EXPECT_NE(read(conf("objects.C")).find(":comments (relay)"), std::string::npos);

  // A file that did not exist is created, without a backup.
  fs::remove(conf("objects.C"));
  fs::remove(conf("objects.C.bak"));
  ASSERT_EQ(save_objects(nullptr), 0);
  EXPECT_TRUE(exists(conf("objects.C")));
  EXPECT_FALSE(exists(conf("objects.C.bak")));
  EXPECT_TRUE(no_temporaries());
}

TEST_F(ObjectsTest, FailedSaveLeavesThePreviousFile) {
  load_objects(nullptr);
  kxobj_create(kx_netobj, "unsaved", "host");

  // The temporary copy cannot be created (a directory without write access
  // would do; root ignores that, so the fault is injected).
  kxu::replace_file_fault = [](kxu::ReplaceStep step) { return step == kxu::ReplaceStep::create_temp ? EACCES : 0; };
  EXPECT_EQ(save_objects(nullptr), -1);
  kxu::replace_file_fault = nullptr;
  EXPECT_EQ(read(conf("objects.C")), kObjects);
  EXPECT_FALSE(exists(conf("objects.C.bak")));
  ASSERT_FALSE(capture_.notices.empty());
  EXPECT_EQ(capture_.notices.back(), "store failed on '" + conf("objects.C") + "': cannot create a temporary beside '" +
                                         conf("objects.C") + "': Permission denied");
  EXPECT_TRUE(no_temporaries());

  // The text cannot be written: nesting deeper than the writer allows.
  kxset *deep = kxobj_create(kx_netobj, "deep", "host");
  for (int i = 0; i < 70; ++i) deep = kxobj_getobj(deep, "x", 1);
  capture_.notices.clear();
  EXPECT_EQ(save_objects(nullptr), -1);
  EXPECT_EQ(read(conf("objects.C")), kObjects);
  EXPECT_TRUE(no_temporaries());
  EXPECT_FALSE(exists(conf("objects.C.bak")));
  ASSERT_EQ(capture_.notices.size(), 1u);
  EXPECT_EQ(capture_.notices[0].rfind("store failed on '", 0), 0u) << capture_.notices[0];
}

TEST_F(ObjectsTest, GroupsFollowTheGroupsTheyContain) {
  independent();
  dir_.write("conf/objects.C", R"((objects
	:netobj (
		: (all :type (group) : (a :type (host)))
		: (h1 :type (host))
		: (top :type (group) : h1)
		: (mid :type (group) : h1)
		:named (h2 :type (host))
	)
))");
  load_objects(nullptr);
  kxset *top = kxobj_obj(kx_netobj, "top"), *mid = kxobj_obj(kx_netobj, "mid");
  kxobj_append(top, mid); // top now contains mid, which is defined later
  ASSERT_EQ(save_objects(nullptr), 0);
  kxtest::expect_golden("objfile/groups_ordered.C", read(conf("objects.C")));
  EXPECT_TRUE(capture_.notices.empty()) << capture_.notices.front();

  load_objects(nullptr);
  EXPECT_TRUE(capture_.notices.empty());
  top = kxobj_obj(kx_netobj, "top");
  EXPECT_EQ(kxobj_names(top), (std::vector<std::string>{"h1", "mid"}));
  EXPECT_EQ(kxobj_ithmember(top, 1), kxobj_obj(kx_netobj, "mid")) << "the very same set";
}

// The text format cannot express a group that contains itself (members are
// written before their group is defined), so such a table is not saved: the
// loop is named and the previous file stays.
TEST_F(ObjectsTest, GroupLoopIsReportedAndThePreviousFileKept) {
  independent();
  const char *text = R"((objects
	:netobj (
		: (h1 :type (host))
		: (g1 :type (group) : h1)
		: (g2 :type (group) : g1)
	)
))";
  dir_.write("conf/objects.C", text);
  load_objects(nullptr);
  kxset *g1 = kxobj_obj(kx_netobj, "g1"), *g2 = kxobj_obj(kx_netobj, "g2");
  kxobj_append(g1, g2);
  EXPECT_EQ(save_objects(nullptr), -1);
  ASSERT_EQ(capture_.notices.size(), 2u);
  EXPECT_EQ(capture_.notices[0], "group g1 membership loop !!!");
  EXPECT_EQ(capture_.notices[1].rfind("store failed on '", 0), 0u) << capture_.notices[1];
  EXPECT_EQ(read(conf("objects.C")), text);
  EXPECT_TRUE(no_temporaries());
  EXPECT_EQ(kxobj_names(kx_netobj), (std::vector<std::string>{"h1", "g2", "g1"}))
      << "each group once, after the groups it contains";
  kxobj_delete(g1, g2); // let the sets go
}

TEST_F(ObjectsTest, ApplicationAndAuthFiles) {
  dir_.write("conf/logviewer.C", "(lv\n\t:log-props (\n\t\t: (columns :width (80))\n\t)\n)\n");
  ASSERT_EQ(load_objects("logviewer.C"), 0);
  EXPECT_NE(kx_applobj, kx_confobj);
  EXPECT_EQ(kx_lvobj, kx_applobj->get(KxAtom("log-props")));
  kxobj_put(kxobj_ithmember(kx_lvobj, 0), "width", "120");
  ASSERT_EQ(save_objects("logviewer.C"), 0);
  EXPECT_NE(read(conf("logviewer.C")).find("(120)"), std::string::npos);
  EXPECT_EQ(read(conf("objects.C")), kObjects) << "only the application file is written";

  // The authentication file names objects by name only.
  ASSERT_EQ(save_objects("auth.C"), 0);
  EXPECT_EQ(read(conf("auth.C")),
            "(auth\n\t:auth-domain (\n\t\t: (office\n\t\t\t:gateway gw\n\t\t)\n\t)\n)\n");

  // A mode whose file does not exist yet starts with an empty one, quietly.
  capture_.notices.clear();
  EXPECT_EQ(load_objects("nosuch.C"), 0);
  EXPECT_TRUE(capture_.notices.empty());
  EXPECT_EQ(kx_applobj->getnattr(), 1) << "only the empty log-props table";
}

TEST_F(ObjectsTest, CompareFiles) {
  struct Case {
    const char *a, *b;
    int expected;
  } cases[] = {
      {"same", "same", 0}, {"", "", 0}, {"abc", "abd", 1}, {"abc", "abcd", 1}, {"abcd", "abc", 1},
  };
  for (const Case &c : cases) {
    std::string a = dir_.write("a", c.a), b = dir_.write("b", c.b);
    EXPECT_EQ(cmp_files(a.c_str(), b.c_str()), c.expected) << c.a << " / " << c.b;
  }
  std::string big(200000, 'x'), big2 = big;
  big2[150000] = 'y';
  std::string a = dir_.write("a", big), b = dir_.write("b", big2);
  EXPECT_EQ(cmpfiles(a.c_str(), b.c_str()), 1);
  EXPECT_EQ(cmp_files(a.c_str(), dir_.file("missing").c_str()), -1);
  ASSERT_EQ(capture_.notices.size(), 1u);
  EXPECT_EQ(capture_.notices[0].rfind("Failed to open ", 0), 0u);
}

// The demo installation loads without a message, and saving it writes
// nothing: its files are in the canonical layout.
TEST(DemoInstallation, LoadsCleanlyAndSavesUnchanged) {
  kxtest::CollectReports capture;
  kxu::ScopedFrontEnd fe(&capture);
  kxtest::TempDir dir;
  const fs::path demo = fs::path(KX_SOURCE_DIR) / "demo";
  fs::copy(demo / "conf", dir.file("conf"), fs::copy_options::recursive);
  fs::copy(demo / "lib", dir.file("lib"), fs::copy_options::recursive);
  std::string saved = kxdir;
  kxdir = dir.path();
  unsetenv("KX_OBJECTS");

  EXPECT_EQ(load_objects(nullptr), 0);
  EXPECT_TRUE(capture.notices.empty()) << capture.notices.front();
  EXPECT_GT(kxobj_nmember(kx_netobj), 5);
  EXPECT_GT(kxobj_nmember(kx_services), 5);
  EXPECT_EQ(kxobj_nmember(kx_actions), 4);
  EXPECT_NE(kxobj_member(kx_actions, "User Auth"), nullptr);
  EXPECT_NE(kx_objects->get(KxAtom("title")), nullptr);
  EXPECT_NE(kx_objects->get(KxAtom("routersmenu")), nullptr);
  EXPECT_FALSE(kx_getsysconf().empty());
  KxSetRef routers(kxobj_all_routers(nullptr, nullptr));
  EXPECT_EQ(kxobj_nmember(routers.get()), 2);

  ASSERT_EQ(save_objects(nullptr), 0);
  EXPECT_FALSE(fs::exists(dir.file("conf/objects.C.bak")))
      << "demo objects.C is not in canonical layout";
  destruct_objects();
  kxdir = saved;
}

} // namespace
