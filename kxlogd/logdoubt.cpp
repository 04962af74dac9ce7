#include "logdoubt.h"

#include "kxlog/logrec.h"
#include "kxu/replace_file.h"
#include "kxu/report.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace kxlogd {

namespace {
constexpr uint32_t kPendingWord = 0x4B585044; // "KXPD"
constexpr size_t kHead = 4 + 8 + 8;
// A collector holds at most 8 MB in doubt; this leaves room.
constexpr size_t kMaxPending = 64u << 20;

uint64_t get64(const uint8_t *p) { return uint64_t(be32(p)) << 32 | be32(p + 4); }
void put64(uint8_t *p, uint64_t v) {
  put_be32(p, uint32_t(v >> 32));
  put_be32(p + 4, uint32_t(v));
}

bool read_file(const std::string &path, std::vector<uint8_t> &out, size_t cap) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  uint8_t buf[65536];
  ssize_t got;
  while (out.size() < cap && (got = ::read(fd, buf, sizeof buf)) > 0)
    out.insert(out.end(), buf, buf + got);
  ::close(fd);
  return true;
}
} // namespace

uint64_t collector_client_id(const std::string &path) {
  std::vector<uint8_t> text;
  if (read_file(path, text, 64)) {
    const std::string s(text.begin(), text.end());
    uint64_t id = 0;
    if (sscanf(s.c_str(), "%16" SCNx64, &id) == 1 && id != 0) return id;
    error(0, 0, "%s holds no client number: making a new one", path.c_str());
  }
  uint64_t id = 0;
  while (id == 0)
    if (getrandom(&id, sizeof id, 0) != ssize_t(sizeof id)) return 0;
  char line[32];
  snprintf(line, sizeof line, "%016" PRIx64 "\n", id);
  const kxu::ReplaceResult r = kxu::replace_file(path, line);
  if (!r) {
    error(0, 0, "%s", r.message.c_str());
    return 0;
  }
  return id;
}

bool save_doubtful(const std::string &path, const DoubtfulRecords &d, std::string &err) {
  std::string bytes(kHead, '\0');
  uint8_t *p = reinterpret_cast<uint8_t *>(bytes.data());
  put_be32(p, kPendingWord);
  put64(p + 4, d.book);
  put64(p + 12, d.first);
  bytes.append(reinterpret_cast<const char *>(d.records.data()), d.records.size());
  const kxu::ReplaceResult r = kxu::replace_file(path, bytes);
  if (!r) err = r.message;
  return bool(r);
}

bool parse_doubtful(const uint8_t *bytes, size_t n, DoubtfulRecords &d) {
  d = {};
  if (n < kHead || be32(bytes) != kPendingWord) return false;
  d.book = get64(bytes + 4);
  d.first = get64(bytes + 12);
  size_t at = kHead;
  while (n - at >= LOG_HEADER_SIZE) {
    const kxlogrec h = x2kxlogrec(bytes + at);
    if (h.length > LOG_MAX_EXPORT || h.length % 4 || n - at - LOG_HEADER_SIZE < h.length) break;
    at += LOG_HEADER_SIZE + h.length;
  }
  d.records.assign(bytes + kHead, bytes + at);
  return at == n;
}

bool load_doubtful(const std::string &path, DoubtfulRecords &d) {
  std::vector<uint8_t> bytes;
  if (!read_file(path, bytes, kMaxPending)) return false;
  if (!parse_doubtful(bytes.data(), bytes.size(), d))
    error(0, 0, "%s: only the first %zu bytes of records are whole", path.c_str(),
          d.records.size());
  return d.book != 0 || !d.records.empty();
}

} // namespace kxlogd
