// The log server's book of resume marks, kept beside its log file
// ("<logfile>.resume"): per resuming client, the number of the last record
// of it the server holds, and the log file and length the marks describe.
//
// After each write of records the server appends a mark (what changed since
// the last one) and only then acknowledges; so the book never claims a
// record the file does not hold. A server killed between the two leaves
// records after the last marked length: on the next start they are cut off
// again (nobody was told they were written, so their clients send them once
// more). A torn record among them goes with them. The book is an append-only
// run of entries, each checked by a sum; a torn last entry is ignored, and
// the book is rewritten whole (atomically) when it has grown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace kxlogd {

class LogResumeBook {
public:
  LogResumeBook() = default;
  ~LogResumeBook();
  LogResumeBook(const LogResumeBook &) = delete;
  LogResumeBook &operator=(const LogResumeBook &) = delete;

  // Reads the book at `path` (a new book when there is none or nothing of it
  // can be read) and writes it back whole. False with `err` when it cannot
  // be written.
  bool open(const std::string &path, std::string &err);
  // Cuts off what the log file at `logfile` holds past the last mark, when
  // it is still the file the marks describe; how many bytes were cut.
  uint64_t cut_unmarked(const std::string &logfile);

  // This book's number: a client's record numbers mean something only
  // within the book that gave them.
  uint64_t book() const { return book_; }
  // The number of the last record of `client` held; 0 for none.
  uint64_t last(uint64_t client) const;
  // The server holds `client`'s records up to `seq` (in its write buffer:
  // mark() makes it count).
  void set(uint64_t client, uint64_t seq);
  // Appends what was set since the last mark, with the log file's inode and
  // length after the records it holds. False (reported once) when the book
  // cannot be written; then nothing may be acknowledged.
  bool mark(uint64_t inode, uint64_t length);

  size_t clients() const { return clients_.size(); }
  // Takes the entries of a book's bytes up to the first that is not whole
  // (exposed for the fuzz target); the number of bytes taken.
  size_t load(const uint8_t *bytes, size_t n);

  static constexpr size_t kMaxClients = 4096;

private:
  struct Client {
    uint64_t seq = 0;
    uint64_t used = 0; // when it last changed (the oldest is dropped first)
    bool dirty = false;
  };
  std::vector<uint8_t> entry(bool whole) const;
  bool rewrite(std::string &err);

  std::string path_;
  int fd_ = -1;
  uint64_t book_ = 0;
  uint64_t inode_ = 0, length_ = 0; // what the last mark says of the log file
  uint64_t clock_ = 0;
  size_t size_ = 0; // bytes of the book file
  std::unordered_map<uint64_t, Client> clients_;
  std::vector<uint64_t> dirty_;
  bool told_ = false;
};

} // namespace kxlogd
