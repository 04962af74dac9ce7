#include "kxui/kx/confname.h"

#include "kxu/kxdir.h"

#include <unistd.h>

std::vector<std::string> (*kx_policy_query)(const char *host) = nullptr;

std::optional<std::string> kxui_confname(const std::vector<std::string> &hosts) {
  if (!kx_policy_query)
    return std::nullopt;
  const std::vector<std::string> localhost = {"localhost"};
  for (const std::string &host : hosts.empty() ? localhost : hosts) {
    std::vector<std::string> names = kx_policy_query(host.c_str());
    if (names.size() > 200)
      names.resize(200);
    for (const std::string &name : names) {
      if (name.empty())
        continue;
      std::string file = kx_filename(nullptr, (name + ".W").c_str(), "conf", nullptr, "KX_CONF");
      if (access(file.c_str(), R_OK) == 0)
        return file;
    }
  }
  return std::nullopt;
}
