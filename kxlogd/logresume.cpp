#include "logresume.h"

#include "kxu/replace_file.h"
#include "kxu/report.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kxlogd {

namespace {
constexpr uint32_t kEntryWord = 0x4B585242; // "KXRB"
constexpr uint32_t kWhole = 1, kChanges = 0;
constexpr size_t kFixedBody = 4 + 8 + 8 + 8 + 4;
constexpr size_t kMaxBody = kFixedBody + 16 * LogResumeBook::kMaxClients;
// The book is rewritten whole once it has grown past this.
constexpr size_t kRewriteAt = 1u << 20;
// More than any book we write could be.
constexpr size_t kMaxRead = 64u << 20;

uint32_t get32(const uint8_t *p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint64_t get64(const uint8_t *p) { return uint64_t(get32(p)) << 32 | get32(p + 4); }
void put32(std::vector<uint8_t> &v, uint32_t x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back(uint8_t(x >> s));
}
void put64(std::vector<uint8_t> &v, uint64_t x) {
  put32(v, uint32_t(x >> 32));
  put32(v, uint32_t(x));
}
uint64_t checksum(const uint8_t *p, size_t n) { // FNV-1a
  uint64_t h = 0xcbf29ce484222325ull;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
  return h;
}
uint64_t new_book() {
  uint64_t b = 0;
  while (b == 0)
    if (getrandom(&b, sizeof b, 0) != ssize_t(sizeof b))
      b = uint64_t(time(nullptr)) ^ uint64_t(getpid()) << 32;
  return b;
}
} // namespace

LogResumeBook::~LogResumeBook() {
  if (fd_ >= 0) ::close(fd_);
}

uint64_t LogResumeBook::last(uint64_t client) const {
  auto it = clients_.find(client);
  return it == clients_.end() ? 0 : it->second.seq;
}

void LogResumeBook::set(uint64_t client, uint64_t seq) {
  auto it = clients_.find(client);
  if (it == clients_.end()) {
    if (clients_.size() >= kMaxClients) {
      // The client heard of longest ago is forgotten: should it come back
      // with records in doubt, it sends them all again.
      auto oldest = std::min_element(clients_.begin(), clients_.end(), [](auto &a, auto &b) {
        return a.second.used < b.second.used;
      });
      if (oldest->second.dirty)
        dirty_.erase(std::find(dirty_.begin(), dirty_.end(), oldest->first));
      clients_.erase(oldest);
    }
    it = clients_.emplace(client, Client{}).first;
  } else if (it->second.seq == seq) {
    return;
  }
  it->second.seq = seq;
  it->second.used = ++clock_;
  if (!it->second.dirty) {
    it->second.dirty = true;
    dirty_.push_back(client);
  }
}

size_t LogResumeBook::load(const uint8_t *bytes, size_t n) {
  size_t at = 0;
  while (n - at >= 8) {
    const uint8_t *p = bytes + at;
    const size_t body = get32(p + 4);
    if (get32(p) != kEntryWord || body < kFixedBody || body > kMaxBody ||
        (body - kFixedBody) % 16 || n - at - 8 < body + 8)
      break;
    const uint8_t *b = p + 8;
    if (get64(b + body) != checksum(b, body)) break;
    const uint32_t kind = get32(b), count = get32(b + 28);
    if (count != (body - kFixedBody) / 16 || (kind != kWhole && kind != kChanges)) break;
    if (kind == kWhole) clients_.clear();
    book_ = get64(b + 4);
    inode_ = get64(b + 12);
    length_ = get64(b + 20);
    for (uint32_t i = 0; i < count; ++i) set(get64(b + 32 + 16 * i), get64(b + 40 + 16 * i));
    at += 8 + body + 8;
  }
  for (auto &[id, c] : clients_) c.dirty = false;
  dirty_.clear();
  return at;
}

std::vector<uint8_t> LogResumeBook::entry(bool whole) const {
  std::vector<uint8_t> v;
  const size_t count = whole ? clients_.size() : dirty_.size();
  v.reserve(8 + kFixedBody + 16 * count + 8);
  put32(v, kEntryWord);
  put32(v, uint32_t(kFixedBody + 16 * count));
  put32(v, whole ? kWhole : kChanges);
  put64(v, book_);
  put64(v, inode_);
  put64(v, length_);
  put32(v, uint32_t(count));
  auto add = [&](uint64_t id, uint64_t seq) {
    put64(v, id);
    put64(v, seq);
  };
  if (whole)
    for (const auto &[id, c] : clients_) add(id, c.seq);
  else
    for (uint64_t id : dirty_) add(id, clients_.at(id).seq);
  put64(v, checksum(v.data() + 8, v.size() - 8));
  return v;
}

bool LogResumeBook::rewrite(std::string &err) {
  const std::vector<uint8_t> whole = entry(true);
  const kxu::ReplaceResult r = kxu::replace_file(
      path_, std::string_view(reinterpret_cast<const char *>(whole.data()), whole.size()));
  if (!r) {
    err = r.message;
    return false;
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd_ < 0) {
    err = "cannot open " + path_ + ": " + strerror(errno);
    return false;
  }
  size_ = whole.size();
  for (uint64_t id : dirty_) clients_[id].dirty = false;
  dirty_.clear();
  return true;
}

bool LogResumeBook::open(const std::string &path, std::string &err) {
  path_ = path;
  clients_.clear();
  dirty_.clear();
  book_ = 0;
  inode_ = length_ = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    std::vector<uint8_t> bytes;
    uint8_t buf[65536];
    ssize_t got;
    while (bytes.size() < kMaxRead && (got = ::read(fd, buf, sizeof buf)) > 0)
      bytes.insert(bytes.end(), buf, buf + got);
    ::close(fd);
    const size_t used = load(bytes.data(), bytes.size());
    if (used < bytes.size())
      error(0, 0, "resume book %s: %zu bytes after the last whole entry ignored", path.c_str(),
            bytes.size() - used);
  }
  if (book_ == 0) book_ = new_book();
  return rewrite(err);
}

uint64_t LogResumeBook::cut_unmarked(const std::string &logfile) {
  struct stat st {};
  if (inode_ == 0 || stat(logfile.c_str(), &st) != 0 || uint64_t(st.st_ino) != inode_ ||
      uint64_t(st.st_size) <= length_)
    return 0;
  const uint64_t extra = uint64_t(st.st_size) - length_;
  if (truncate(logfile.c_str(), off_t(length_)) != 0) {
    error(0, -1, "cannot cut the unacknowledged end of %s", logfile.c_str());
    return 0;
  }
  return extra;
}

bool LogResumeBook::mark(uint64_t inode, uint64_t length) {
  if (fd_ < 0) return false;
  if (dirty_.empty() && inode == inode_ && length == length_) return true;
  inode_ = inode;
  length_ = length;
  std::string err;
  if (size_ >= kRewriteAt) {
    if (rewrite(err)) return true;
    if (!told_) error(0, 0, "resume book: %s", err.c_str());
    told_ = true;
    return false;
  }
  const std::vector<uint8_t> e = entry(false);
  size_t done = 0;
  while (done < e.size()) {
    const ssize_t w = ::write(fd_, e.data() + done, e.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (!told_) error(0, -1, "resume book %s: write failed", path_.c_str());
      told_ = true;
      // A partial entry would hide every later one: start the book afresh.
      if (done > 0) rewrite(err);
      return false;
    }
    done += size_t(w);
  }
  size_ += e.size();
  told_ = false;
  for (uint64_t id : dirty_) clients_[id].dirty = false;
  dirty_.clear();
  return true;
}

} // namespace kxlogd
