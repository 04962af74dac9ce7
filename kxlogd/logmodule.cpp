#include "logmodule.h"

#include "kxsys/kxstate.h"
#include "kxsys/makeid.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace kxlogd {

std::vector<kxif> module_interfaces(const std::string &moduledir) {
  std::vector<kxif> ifs;
  std::ifstream in(moduledir + "/interfaces");
  std::string name;
  while (in >> name && ifs.size() < 12)
    if (name.size() < 16 &&
        std::none_of(ifs.begin(), ifs.end(), [&](const kxif &i) { return i.name == name; }))
      ifs.push_back({name, uint32_t(ifs.size())});
  if (ifs.empty()) ifs = {{"le0", 0}, {"le1", 1}};
  return ifs;
}

time_t module_filter_changed(const std::string &moduledir) {
  struct stat st {};
  if (stat((moduledir + "/state/local.lg").c_str(), &st) != 0) return 0;
  return st.st_mtime;
}

std::optional<ModuleFilter> module_filter(const std::string &moduledir) {
  const time_t changed = module_filter_changed(moduledir);
  if (!changed) return std::nullopt;
  auto files = kxsys::kx_readfiles("local", moduledir + "/state");
  if (!files) return std::nullopt;
  auto text = [&](const char *suffix) {
    const kxsys::kxloadx_entry *e = files->find(suffix);
    return e ? std::string(e->contents.begin(), e->contents.end()) : std::string();
  };
  auto ifs = kxsys::kx_parse_ifs(text("ifs"));
  if (!ifs) return std::nullopt;
  const std::string lg = text("lg");
  // The identity the module daemon gives the same filter.
  const kxsys::kxid_t sid = kxsys::kx_makeid_text(ifs->name, lg, -1);
  uint8_t raw[kxsys::kKxidSize];
  kxsys::kxid_pack(sid, raw);
  kxlogdom dom;
  if (x2kxid(raw, sizeof raw, &dom.id) < 0) return std::nullopt;
  dom.format_text = lg;
  std::istringstream fc(text("fc"));
  std::string line;
  while (std::getline(fc, line))
    if (line.rfind("domain ", 0) == 0) dom.domain_text += line + "\n";
  ModuleFilter f;
  f.name = ifs->name;
  f.info = kxlogdom2x(dom);
  f.changed = changed;
  if (f.info.size() > LOG_MAX_EXPORT) return std::nullopt;
  return f;
}

} // namespace kxlogd
