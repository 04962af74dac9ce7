// kxc encode and kxc decode as an administrator runs them.
#include "support/golden.h"
#include "support/run.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

kxtest::CommandResult kxc(const kxtest::TempDir &dir, const std::string &args) {
  return kxtest::run_command("cd '" + dir.path() + "' && '" KXC_PATH "' " + args);
}

const char *const kDict = "(objects\n"
                          "\t:netobj (\n"
                          "\t\t: (gate\n\t\t\t:type (gateway)\n\t\t)\n"
                          "\t\t: (mail\n\t\t\t:type (host)\n\t\t)\n"
                          "\t)\n"
                          ")\n";
const char *const kRule = "(rule\n"
                          "\t:src (\n\t\t: gate\n\t\t: mail\n\t)\n"
                          "\t:comments (\"main gate\")\n"
                          ")\n";

} // namespace

TEST(KxcEncode, RoundTripWithDictionary) {
  kxtest::TempDir dir;
  dir.write("objects.C", kDict);
  dir.write("rule.W", kRule);
  kxtest::CommandResult enc = kxc(dir, "encode --dict objects.C rule.W rule.bin");
  ASSERT_EQ(enc.status, 0) << enc.err;
  std::string bin = kxtest::read_file(dir.file("rule.bin"));
  EXPECT_EQ(bin.find("gateway"), std::string::npos);
  kxtest::CommandResult dec = kxc(dir, "decode --dict=objects.C rule.bin");
  EXPECT_EQ(dec.status, 0) << dec.err;
  EXPECT_EQ(dec.out, kRule);
}

TEST(KxcEncode, RefusalsAndUsage) {
  kxtest::TempDir dir;
  dir.write("objects.C", kDict);
  dir.write("rule.W", kRule);
  dir.write("empty.C", "# nothing\n");
  dir.write("junk.bin", "\2a\2");
  ASSERT_EQ(kxc(dir, "encode --dict objects.C rule.W rule.bin").status, 0);
  struct {
    const char *args;
    int status;
    const char *err;
  } cases[] = {
      {"encode rule.W", 2, "usage: kxc encode [--dict FILE] IN OUT\n"},
      {"encode --dict", 2, "usage: kxc encode [--dict FILE] IN OUT\n"},
      {"decode -x rule.bin", 2, "usage: kxc decode [--dict FILE] IN\n"},
      {"decode", 2, "usage: kxc decode [--dict FILE] IN\n"},
      {"encode rule.W out.bin", 1, "\"rule.W\", line 3: ERROR: Cannot use <::gate>: Not in Scope\n"},
      {"encode empty.C out.bin", 1, "kxc encode: empty.C holds no set\n"},
      {"decode rule.bin", 1, "error: DecodeKxSet:scope error <::gate> unfound\n"},
      {"decode junk.bin", 1, "error: DecodeKxSet : bad code tree\n"},
      {"decode missing.bin", 1, "kxc decode: cannot read missing.bin: No such file or directory\n"},
  };
  for (const auto &c : cases) {
    kxtest::CommandResult r = kxc(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
  }
  EXPECT_FALSE(std::ifstream(dir.file("out.bin")).good()) << "nothing written on failure";
}
