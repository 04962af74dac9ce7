#include "kxskey/atomic_write.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kxskey {

int atomic_write(const std::string &path, const std::string &text, mode_t mode) {
  return atomic_write(path, text.data(), text.size(), mode);
}

int atomic_write(const std::string &path, const void *data, size_t size, mode_t mode) {
  const char *bytes = static_cast<const char *>(data);
  std::string tmp = path + ".tmpXXXXXX";
  std::vector<char> name(tmp.begin(), tmp.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0)
    return -1;
  auto fail = [&] {
    int saved = errno;
    close(fd);
    unlink(name.data());
    errno = saved;
    return -1;
  };
  if (fchmod(fd, mode) != 0)
    return fail();
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return fail();
    done += static_cast<size_t>(n);
  }
  if (fsync(fd) != 0)
    return fail();
  if (close(fd) != 0) {
    int saved = errno;
    unlink(name.data());
    errno = saved;
    return -1;
  }
  if (std::rename(name.data(), path.c_str()) != 0) {
    int saved = errno;
    unlink(name.data());
    errno = saved;
    return -1;
  }
  return 0;
}

} // namespace kxskey
