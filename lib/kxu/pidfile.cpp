#include "kxu/pidfile.h"

#include "kxu/kxdir.h"
#include "kxu/replace_file.h"
#include "kxu/report.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

int kx_writepid(const char *name) {
  const std::string path = kx_filename("log", name, nullptr, nullptr, nullptr);
  return kxu::replace_file(path, std::to_string(getpid()) + "\n").replaced ? 0 : -1;
}

pid_t kx_getpid(const char *name) {
  const std::string path = kx_filename("log", name, nullptr, nullptr, nullptr);
  FILE *fp = std::fopen(path.c_str(), "r");
  if (!fp) {
    if (errno == ENOENT)
      return 0;
    error(0, -1, "Failed to open pid file '%s'", path.c_str());
    return -1;
  }
  long pid = 0;
  int got = std::fscanf(fp, "%ld", &pid);
  std::fclose(fp);
  if (got != 1 || pid <= 0 || pid > 0x7fffffffL)
    return -1;
  return static_cast<pid_t>(pid);
}

int readin(int fd, char *buf, int len, int timeout) {
  if (timeout < 0)
    timeout = 30;
  int done = 0;
  while (done < len) {
    struct pollfd p = {fd, POLLIN, 0};
    int r = poll(&p, 1, timeout * 1000);
    if (r < 0 && errno == EINTR)
      continue;
    if (r < 0)
      return -1;
    if (r == 0) {
      errno = EAGAIN;
      return -1;
    }
    ssize_t n = read(fd, buf + done, static_cast<size_t>(len - done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return -1;
    if (n == 0)
      break;
    done += static_cast<int>(n);
  }
  return done;
}
