#include "kxsys/kxstate.h"

#include "kxsys/errors.h"
#include "kxu/replace_file.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <system_error>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kxsys {

bool kx_write_file(const std::string &path, const void *data, size_t len, bool sync_dir) {
  kxu::ReplaceOptions options;
  options.sync_dir = sync_dir;
  auto r = kxu::replace_file(path, std::string_view(static_cast<const char *>(data), len), options);
  if (!r.ok && !r.replaced)
    herror(0, 0, "%s", r.message.c_str());
  return r.ok || r.replaced;
}

bool kx_sync_dir(const std::string &path) { return kxu::sync_directory(path) == 0; }

namespace {
// Runs task(0..n-1) each in a thread of its own, the last in the caller's,
// and waits for all (one that gets no thread runs in the caller's as well).
void side_by_side(size_t n, const std::function<void(size_t)> &task) {
  std::vector<std::thread> threads;
  for (size_t i = 0; i + 1 < n; ++i) {
    try {
      threads.emplace_back(task, i);
    } catch (const std::system_error &) {
      task(i);
    }
  }
  if (n > 0)
    task(n - 1);
  for (auto &t : threads)
    t.join();
}
} // namespace

std::vector<bool> kx_write_files(const std::vector<kx_file_data> &files) {
  std::vector<char> written(files.size(), 0); // not vector<bool>: each thread writes its own
  side_by_side(files.size(), [&](size_t i) {
    written[i] = kx_write_file(files[i].path, files[i].data, files[i].len, false);
  });
  return {written.begin(), written.end()};
}

bool kx_sync_files(const std::vector<std::string> &paths) {
  std::vector<char> synced(paths.size(), 0);
  side_by_side(paths.size(), [&](size_t i) {
    int fd = open(paths[i].c_str(), O_RDONLY | O_CLOEXEC);
    synced[i] = fd >= 0 && fsync(fd) == 0;
    if (fd >= 0)
      close(fd);
  });
  return std::find(synced.begin(), synced.end(), 0) == synced.end();
}

bool kx_write_scratch(const std::string &path, const void *data, size_t len) {
  kxu::ReplaceOptions options;
  options.sync_file = false;
  options.sync_dir = false;
  auto r = kxu::replace_file(path, std::string_view(static_cast<const char *>(data), len), options);
  if (!r.ok)
    herror(0, 0, "%s", r.message.c_str());
  return r.ok;
}

std::optional<Bytes> kx_read_file(const std::string &path, size_t cap) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || size_t(st.st_size) > cap) {
    close(fd);
    return std::nullopt;
  }
  Bytes out;
  out.reserve(size_t(st.st_size));
  uint8_t buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0) {
      close(fd);
      return std::nullopt;
    }
    if (n == 0)
      break;
    if (out.size() + size_t(n) > cap) {
      close(fd);
      return std::nullopt;
    }
    out.insert(out.end(), buf, buf + n);
  }
  close(fd);
  return out;
}

} // namespace kxsys
