#include "kxu/file_buffer.h"
#include "kxu/heap.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

TEST(FileBuffer, ReadsWholeFilesWithinTheCapAndRefusesTheRest) {
  kxtest::TempDir dir;
  // Small pages, and blocks of huge pages from a megabyte on (the last
  // one partly used).
  std::string big;
  for (size_t size : {size_t(3 * 4096 + 17), (size_t(1) << 20) - 1, size_t(1) << 20, (size_t(2) << 20) + 3}) {
    big.assign(size, 'x');
    big[5000] = '\0';
    big.back() = 'z';
    auto file = kxu::FileBuffer::read(dir.write("big", big), big.size());
    ASSERT_TRUE(file) << size;
    EXPECT_EQ(file->text(), big) << size;
    // Moved, the bytes go with it and stay valid.
    kxu::FileBuffer moved = std::move(*file);
    EXPECT_EQ(moved.text(), big) << size;
  }

  auto empty = kxu::FileBuffer::read(dir.write("empty", ""), 10);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->text(), "");

  struct Refused {
    std::string path;
    size_t cap;
    int err;
  };
  for (const auto &c : std::vector<Refused>{{dir.file("big"), big.size() - 1, EFBIG},
                                            {dir.path(), 1 << 20, EINVAL},
                                            {dir.file("missing"), 1 << 20, ENOENT}}) {
    errno = 0;
    EXPECT_FALSE(kxu::FileBuffer::read(c.path, c.cap)) << c.path;
    EXPECT_EQ(errno, c.err) << c.path;
  }
}

// After the heap is made, allocations of every size still work, the large
// ones included.
TEST(FileBuffer, PrefaultedHeapServesAllocations) {
  kxu::prefault_heap(4 << 20);
  std::vector<std::string> small(20000, std::string(40, 's'));
  std::vector<char> large(8 << 20, 'l');
  EXPECT_EQ(small.back().size(), 40u);
  EXPECT_EQ(large.back(), 'l');
  kxu::prefault_heap(0);
}

} // namespace
