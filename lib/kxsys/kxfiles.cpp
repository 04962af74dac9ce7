#include "kxsys/kxstate.h"

#include "kxsys/errors.h"
#include "kxu/replace_file.h"

#include <cerrno>
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
