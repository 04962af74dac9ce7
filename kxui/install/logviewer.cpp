#include "kxui/install/logviewer.h"

#include "kxu/kxdir.h"
#include "kxu/report.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t viewer = 0;

void close_from(int first) {
  const long max = sysconf(_SC_OPEN_MAX);
  for (int fd = first; fd < (max > 0 ? max : 1024); ++fd) close(fd);
}

} // namespace

std::string kxlog_program() {
  const char *dir = std::getenv("KXLVDIR");
  if (dir && *dir) return std::string(dir) + "/kxlv";
  return kx_filename("bin", "kxlv", nullptr, nullptr, nullptr);
}

pid_t kxlog_pid() {
  if (viewer > 0) {
    int status = 0;
    const pid_t r = waitpid(viewer, &status, WNOHANG);
    if (r == viewer || (r < 0 && errno == ECHILD && kill(viewer, 0) != 0)) viewer = 0;
  }
  return viewer;
}

int kxlog_show(bool show) {
  if (kxlog_pid()) {
    kill(viewer, show ? SIGUSR1 : SIGUSR2);
    return 0;
  }
  if (!show) return 0;
  const std::string program = kxlog_program();
  struct stat st {};
  if (stat(program.c_str(), &st) != 0) {
    error(0, 0, "Failed to find log viewer name");
    return -1;
  }
  if (!S_ISREG(st.st_mode) || access(program.c_str(), X_OK) != 0) {
    error(0, 0, "Cannot run log viewer '%s'", program.c_str());
    return -1;
  }
  kx_message("Launching log viewer ...");
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  if (pid < 0) {
    error(0, errno, "Failed to fork log viewer");
    return -1;
  }
  if (pid == 0) {
    close_from(3);
    execl(program.c_str(), "kxlv", static_cast<char *>(nullptr));
    _exit(127);
  }
  viewer = pid;
  return 0;
}

void kxlog_refresh() {
  if (kxlog_pid()) kill(viewer, SIGHUP);
}
