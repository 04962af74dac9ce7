#include "kxsys/kxstate.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kxsys {

bool kx_write_file(const std::string &path, const void *data, size_t len) {
  std::string tmp = path + ".tmp";
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0)
    return false;
  const auto *p = static_cast<const uint8_t *>(data);
  size_t done = 0;
  while (done < len) {
    ssize_t n = write(fd, p + done, len - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      close(fd);
      unlink(tmp.c_str());
      return false;
    }
    done += size_t(n);
  }
  if (fsync(fd) != 0 || close(fd) != 0 || rename(tmp.c_str(), path.c_str()) != 0) {
    unlink(tmp.c_str());
    return false;
  }
  return true;
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
