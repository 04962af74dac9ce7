// kxc objects on an installation: the table listing, and exit status 1 when
// a file of the database cannot be read.
#include "support/run.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// Runs kxc with KXDIR set; standard error joins the output.
kxtest::CommandResult kxc_objects(const std::string &kxdir) {
  return kxtest::run_command("KXDIR='" + kxdir + "' KX_OBJECTS= '" KXC_PATH "' objects 2>&1");
}

TEST(KxcObjects, ListsTheDemoTables) {
  kxtest::CommandResult r = kxc_objects(std::string(KX_SOURCE_DIR) + "/demo");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("objects database: ", 0), 0u) << r.out;
  for (const char *line : {"\n  actobj           4\n", "\n  trackobj         7\n",
                           "\n  netobj           16\n", "\n  servobj          13\n",
                           "\n  props            1\n", "\n  auth-domain      1\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << " in\n" << r.out;
}

TEST(KxcObjects, FailedLoadExitsWithOne) {
  kxtest::TempDir dir;
  fs::copy(fs::path(KX_SOURCE_DIR) / "demo/lib", dir.file("lib"), fs::copy_options::recursive);
  dir.write("conf/objects.C", "(objects :netobj ( : (gw :type (gateway)");
  kxtest::CommandResult r = kxc_objects(dir.path());
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("error: Failed to load objects Database:\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("kxc objects: 3 files failed to load"), std::string::npos) << r.out;

  fs::remove(dir.file("lib/setup.C"));
  r = kxc_objects(dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("error: No setup file, Aborting."), std::string::npos) << r.out;
}

} // namespace
