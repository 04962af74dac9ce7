// The server's resume book: what it says after a reload, with a torn last
// entry, and what it cuts off a log file written past its last mark.
#include "logresume.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using kxlogd::LogResumeBook;
using kxtest::TempDir;

namespace {
uint64_t inode_of(const std::string &path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? uint64_t(st.st_ino) : 0;
}
void append(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}
} // namespace

TEST(ResumeBook, MarksOutliveTheServerAndCutWhatCameAfter) {
  TempDir dir;
  const std::string book_path = dir.file("kx.log.resume"), log = dir.file("kx.log");
  std::string err;
  uint64_t number = 0;
  {
    LogResumeBook book;
    ASSERT_TRUE(book.open(book_path, err)) << err;
    number = book.book();
    EXPECT_NE(number, 0u);
    append(log, std::string(100, 'a'));
    book.set(1, 10);
    book.set(2, 5);
    ASSERT_TRUE(book.mark(inode_of(log), 100));
    book.set(1, 12);
    ASSERT_TRUE(book.mark(inode_of(log), 100));
    // Set but never marked: as if killed before the mark.
    book.set(2, 9);
    append(log, std::string(40, 'b'));
  }
  append(book_path, std::string("KXRB\0\0\0", 7)); // a torn entry
  LogResumeBook book;
  ASSERT_TRUE(book.open(book_path, err)) << err;
  EXPECT_EQ(book.book(), number);
  EXPECT_EQ(book.last(1), 12u);
  EXPECT_EQ(book.last(2), 5u);
  EXPECT_EQ(book.last(3), 0u);
  EXPECT_EQ(book.cut_unmarked(log), 40u);
  struct stat st {};
  ASSERT_EQ(stat(log.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 100);
  // Another file at the same path (moved away meanwhile) is left alone.
  ASSERT_EQ(rename(log.c_str(), dir.file("old").c_str()), 0);
  append(log, std::string(300, 'c'));
  EXPECT_EQ(book.cut_unmarked(log), 0u);
}

TEST(ResumeBook, GrowsByChangesAndIsRewrittenWhole) {
  TempDir dir;
  const std::string path = dir.file("b");
  std::string err;
  LogResumeBook book;
  ASSERT_TRUE(book.open(path, err)) << err;
  for (uint64_t i = 1; i <= 40000; ++i) {
    book.set(i % 7, i);
    ASSERT_TRUE(book.mark(1, i));
  }
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_LT(st.st_size, 2 << 20);
  LogResumeBook again;
  ASSERT_TRUE(again.open(path, err)) << err;
  EXPECT_EQ(again.clients(), 7u);
  EXPECT_EQ(again.last(40000 % 7), 40000u);
  EXPECT_EQ(again.last((40000 - 1) % 7), 39999u);
}
