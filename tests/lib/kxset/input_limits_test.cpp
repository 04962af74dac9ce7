// What input can make the set reader and the decoder allocate is capped,
// and a refusal says why.
#include "encode_support.h"
#include "support/run.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

using namespace enctest;

namespace {

// A set of `n` anonymous members.
std::string members(int n) {
  std::string text = "(list\n";
  for (int i = 0; i < n; ++i) text += "\t: (m" + std::to_string(i) + ")\n";
  return text + ")\n";
}

// Reads `path` with the set reader under the name "in.C".
KxSetRef read_file_set(const std::string &path) {
  FILE *f = std::fopen(path.c_str(), "r");
  EXPECT_NE(f, nullptr) << path;
  if (!f) return KxSetRef();
  sio_setfile("in.C");
  KxSetRef s(sio_readx(f, nullptr));
  std::fclose(f);
  return s;
}

class InputLimit : public EncodeTest {
protected:
  void TearDown() override {
    sio_set_max_input(0);
    kxdecode_set_max_elements(0);
  }
  kxtest::TempDir dir;
};

} // namespace

TEST_F(InputLimit, SetReaderRefusesFilesAboveTheLimit) {
  const std::string text = members(20);
  const std::string path = dir.write("in.C", text);
  sio_set_max_input(text.size());
  EXPECT_TRUE(read_file_set(path)) << sio_messages(); // exactly the limit
  sio_set_max_input(text.size() - 1);
  EXPECT_FALSE(read_file_set(path));
  EXPECT_EQ(sio_errno(), SIO_TOOBIG);
  EXPECT_EQ(sio_messages(), "\"in.C\": input of more than " + std::to_string(text.size() - 1) +
                                " bytes: Input Too Large\n");
  // A stream without end stops at the limit too.
  sio_set_max_input(1 << 20);
  EXPECT_FALSE(read_file_set("/dev/zero"));
  EXPECT_EQ(sio_errno(), SIO_TOOBIG);
  EXPECT_EQ(sio_set_max_input(0), size_t{1} << 20);
  EXPECT_EQ(sio_max_input(), SIO_DEFAULT_MAX_INPUT);
}

TEST_F(InputLimit, SetReaderReportsReadErrors) {
  // Reading a directory fails on the first read (EISDIR).
  EXPECT_FALSE(read_file_set(dir.path()));
  EXPECT_EQ(sio_errno(), SIO_READERR);
  EXPECT_EQ(sio_messages(), "\"in.C\": Is a directory: Read Error\n");
}

TEST_F(InputLimit, DecoderBudgetGrowsWithTheInputUpToTheLimit) {
  EXPECT_EQ(kxdecode_budget(0), KXDECODE_BASE_ELEMENTS);
  EXPECT_EQ(kxdecode_budget(1000), KXDECODE_BASE_ELEMENTS + 1000 * KXDECODE_ELEMENTS_PER_BYTE);
  EXPECT_EQ(kxdecode_budget(size_t{1} << 40), KXDECODE_DEFAULT_MAX_ELEMENTS);
}

TEST_F(InputLimit, DecoderStopsAtItsBudget) {
  KxSetRef set = parse(members(100)); // 101 sets and 100 attributes
  std::vector<uint8_t> buf = encode(set.get());
  EXPECT_TRUE(decode(buf)) << kxencode_error();
  kxdecode_set_max_elements(100);
  EXPECT_FALSE(decode(buf));
  EXPECT_EQ(kxencode_error(), "DecodeKxSet : the data makes more than 100 sets and attributes");
}

TEST(KxcDecode, RefusesFilesAboveItsLimit) {
  kxtest::TempDir dir;
  const std::string path = dir.file("big.bin");
  FILE *f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(ftruncate(fileno(f), (off_t{64} << 20) + 1), 0); // sparse: no disk used
  std::fclose(f);
  kxtest::CommandResult r = kxtest::run_command("'" KXC_PATH "' decode '" + path + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kxc decode: cannot read " + path + ": larger than 67108864 bytes\n");
}
