// kxc fmt on the inputs under golden/sio: each X.in gives X.ok (standard
// output, exit 0) or X.err (the reader's messages, exit 1).
#include "support/golden.h"
#include "support/run.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Runs `kxc fmt NAME` inside `dir`, so that messages carry the bare name.
kxtest::CommandResult fmt(const std::string &dir, const std::string &name) {
  return kxtest::run_command("cd '" + dir + "' && '" KXC_PATH "' fmt '" + name + "'");
}

TEST(SioFmtGolden, CanonicalTextAndMessages) {
  std::string dir = kxtest::test_path("golden/sio");
  std::vector<std::string> inputs;
  for (const auto &e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ".in") inputs.push_back(e.path().stem().string());
  std::sort(inputs.begin(), inputs.end());
  ASSERT_FALSE(inputs.empty());
  for (const std::string &name : inputs) {
    SCOPED_TRACE(name);
    kxtest::CommandResult r = fmt(dir, name + ".in");
    if (r.status == 0) {
      EXPECT_EQ(r.err, "");
      kxtest::expect_golden("sio/" + name + ".ok", r.out);
    } else {
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.out, "");
      kxtest::expect_golden("sio/" + name + ".err", r.err);
    }
  }
}

TEST(SioFmtGolden, OutputIsAFixedPoint) {
  kxtest::TempDir tmp;
  std::string dir = kxtest::test_path("golden/sio");
  for (const auto &e : std::filesystem::directory_iterator(dir)) {
    if (e.path().extension() != ".ok") continue;
    SCOPED_TRACE(e.path().filename().string());
    std::string text = kxtest::read_file(e.path().string());
    tmp.write("again.C", text);
    kxtest::CommandResult r = fmt(tmp.path(), "again.C");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, text);
  }
}

TEST(SioFmtGolden, Usage) {
  EXPECT_EQ(fmt(".", "no-such-file.C").status, 1);
  EXPECT_EQ(kxtest::run_command("'" KXC_PATH "' fmt >/dev/null 2>&1", false).status, 2);
}

} // namespace
