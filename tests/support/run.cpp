#include "support/run.h"

#include "support/tempdir.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

namespace kxtest {

CommandResult run_command(const std::string &shell_command, bool capture_stderr) {
  CommandResult r{-1, {}, {}};
  // Standard error goes to a scratch file: reading two pipes in turn could
  // block on a full one.
  std::optional<TempDir> tmp;
  std::string command = shell_command;
  if (capture_stderr) {
    tmp.emplace();
    command = "( " + shell_command + "\n) 2>'" + tmp->file("err") + "'";
  }
  FILE *p = popen(command.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = st != -1 && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  if (tmp) {
    std::ifstream f(tmp->file("err"), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    r.err = s.str();
  }
  return r;
}

} // namespace kxtest
