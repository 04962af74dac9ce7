// The demonstration rule base: it reads against the demonstration objects,
// is in the writer's own layout, and `kxc rules` lists it.
#include "fixture.h"

#include "support/golden.h"
#include "support/run.h"

#include <filesystem>

namespace rfiletest {
namespace {

const std::string kDemo = std::string(KX_SOURCE_DIR) + "/demo";

// Each command redirects standard error itself.
kxtest::CommandResult run(const std::string &command) { return kxtest::run_command(command, false); }

std::string kxc_rules(const std::string &file, const char *redirect) {
  return "KXDIR='" + kDemo + "' '" KXC_PATH "' rules '" + file + "' " + redirect;
}

TEST(KxcRules, ListsTheDemonstrationRuleBase) {
  kxtest::CommandResult r = run(kxc_rules(kDemo + "/conf/Standard.W", "2>/dev/null"));
  EXPECT_EQ(r.status, 0);
  kxtest::expect_golden("rfile/kxc_rules_standard.out", r.out);
}

TEST(KxcRules, RefusesBadFilesWithTheReadErrors) {
  kxtest::TempDir dir;
  const std::string bad = dir.write("bad.W", "(\n\t:rule (\n\t\t:src (\n\t\t\t: nosuchobject\n");
  kxtest::CommandResult r = run(kxc_rules(bad, "2>&1 >/dev/null"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Failed to read rule file:\n\"bad.W\", line 4: ERROR: Cannot use "
                       "<::nosuchobject>: Not in Scope"),
            std::string::npos)
      << r.out;

  r = run(kxc_rules(dir.file("none.W"), "2>&1 >/dev/null"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Failed to open '" + dir.file("none.W") + "'"), std::string::npos) << r.out;

  EXPECT_EQ(run("'" KXC_PATH "' rules 2>/dev/null").status, 2);
}

// Loading and saving the demonstration rule base gives the same bytes, so the
// file is kept in the layout the editor writes.
TEST(DemoRuleBase, SavesToTheSameBytes) {
  kxtest::TempDir dir;
  namespace fs = std::filesystem;
  fs::create_directories(dir.path() + "/lib");
  fs::copy(kDemo + "/conf", dir.path() + "/conf", fs::copy_options::recursive);
  fs::copy_file(kDemo + "/lib/setup.C", dir.path() + "/lib/setup.C");
  setenv("KXDIR", dir.path().c_str(), 1);
  kxdir = dir.path();
  Recorder shown;
  kxu::ScopedFrontEnd front(&shown);
  load_objects(nullptr);

  const std::string path = dir.file("conf/Standard.W");
  ASSERT_EQ(file_load(path.c_str()), 0) << shown.last_notice();
  EXPECT_EQ(shown.last_line(), "10 rules read");
  ASSERT_EQ(file_save(nullptr), 1) << shown.last_notice();
  EXPECT_EQ(kxtest::read_file(path), kxtest::read_file(kDemo + "/conf/Standard.W"));
  file_new();
  destruct_objects();
}

} // namespace
} // namespace rfiletest
