#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "kxu/report.h"
#include "kxui/alert/alert.h"

// The alert mode without a window: a running alert window takes the alert
// over its port; otherwise the alert goes to the console (KX_CONSOLE names
// another file). The windowing layer installs its own alert main, which
// opens the window where this one falls back to the console.
int alert_cmain(int argc, char **argv) {
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "-alert") == 0) ++i;
  // KX_ALERT_PORT moves the port (tests, a second station on one host).
  int port = kx_alert_port;
  if (const char *p = std::getenv("KX_ALERT_PORT"); p && std::atoi(p) > 0) port = std::atoi(p);

  const int fd = make_client(port);
  if (fd >= 0) {
    std::vector<std::string> args;
    for (; i < argc; ++i) {
      if (std::strcmp(argv[i], "-display") == 0 && i + 1 < argc) {
        ++i;
        continue;
      }
      args.emplace_back(argv[i]);
    }
    alert_send(fd, args, 0);
    ::close(fd);
    return 0;
  }
  std::vector<std::string> args(argv + i, argv + argc);
  const char *console = std::getenv("KX_CONSOLE");
  if (alert_console(console && *console ? console : "/dev/console", "Brenmark Alert", args, 0) < 0)
    error(1, 0, "Failed to open /dev/console");
  return 0;
}
