// Real kxd daemons for the tests: each on its own loopback address
// 127.0.1.N, all on one port that the fixture finds free, each with its own
// module directory. Stopped (and waited for) when the object goes.
#pragma once

#include "support/tempdir.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kxtest {

struct ModuleDaemon {
  std::string address;
  std::unique_ptr<TempDir> dir;
  pid_t pid = -1;
};

class Daemons {
public:
  // Starts n daemons on 127.0.1.first ... with `control_map` (and an
  // optional "masters" file) in each module directory.
  // `files` are further (name, text) files of every module directory.
  Daemons(int n, const std::string &control_map, const std::string &masters = "", int first = 1,
          const std::vector<std::pair<std::string, std::string>> &files = {});
  ~Daemons();
  Daemons(const Daemons &) = delete;
  Daemons &operator=(const Daemons &) = delete;

  int port() const { return port_; }
  ModuleDaemon &operator[](size_t i) { return mods_[i]; }
  size_t size() const { return mods_.size(); }
  bool ok() const { return ok_; }
  void stop();

private:
  bool start_all(const std::string &control_map, const std::string &masters, int n, int first,
                 const std::vector<std::pair<std::string, std::string>> &files);
  std::vector<ModuleDaemon> mods_;
  int port_ = 0;
  bool ok_ = false;
};

// A port that is free on 127.0.1.1 now.
int free_port();

} // namespace kxtest
