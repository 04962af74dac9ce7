// The words of the kx tool. Each returns the exit status: 0 success,
// 1 failure (reasons on standard error).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kx {

struct Dirs {
  std::string root, conf, state, tmp, database;
};
// From KXDIR, else the directory above the program's, else /etc/kx; KXTMP
// overrides the "tmp" directory.
Dirs find_dirs(const char *argv0);
// "le0@gw" -> {"gw", {"le0"}}; "gw" -> {"gw", {"all"}}.
std::pair<std::string, std::vector<std::string>> split_target(const std::string &target);

int cmd_load(const Dirs &dirs, const std::string &filter, const std::vector<std::string> &targets);
int cmd_unload(const std::vector<std::string> &targets);
int cmd_dbload(const Dirs &dirs, const std::vector<std::string> &targets);
int cmd_stat(const std::string &host);
int cmd_fetch(const Dirs &dirs, const std::string &host);
int cmd_tab(const std::string &host, const std::string &table);
int cmd_logdom(const std::string &host);
// The state saved for a module: rule base, targets, filter id, files.
int cmd_state(const Dirs &dirs, const std::string &module);

} // namespace kx
