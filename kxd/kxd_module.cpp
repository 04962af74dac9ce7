#include "kxd_module.h"

#include "kxd_enforce.h"
#include "kxd_tables.h"
#include "kxsys/commands.h"
#include "kxsys/errors.h"
#include "kxsys/kxdbdownload.h"
#include "kxsys/makeid.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <sys/stat.h>

namespace kxd {

using namespace kxsys;

std::string LoadedFilter::text(const std::string &suffix) const {
  const kxloadx_entry *e = files.find(suffix);
  return e ? std::string(e->contents.begin(), e->contents.end()) : std::string();
}

namespace {
AlValues fail(int err, std::initializer_list<AlValue> rest = {}) {
  AlValues out{AlRc{-1, err}};
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}
} // namespace

Module::Module(std::string dir, std::shared_ptr<Enforcer> enforcer)
    : dir_(std::move(dir)), enforcer_(std::move(enforcer)) {
  for (const char *d : {"state", "tmp", "log", "database"})
    mkdir(sub(d).c_str(), 0755);
  if (auto text = kx_read_file(sub("interfaces"))) {
    std::istringstream in(std::string(text->begin(), text->end()));
    std::string name;
    while (in >> name)
      if (name.size() < 16 && std::find(interfaces_.begin(), interfaces_.end(), name) == interfaces_.end())
        interfaces_.push_back(name);
  }
  if (interfaces_.empty())
    interfaces_ = {"le0", "le1"};
  table_ = kxusr_load(dir_);
  error_ = table_.fatal;
  if (error_.empty() && enforcer_) {
    std::string why;
    if (!enforcer_->start(interfaces_, why))
      error_ = "cannot enforce filters: " + why;
  }
  // A module that was restarted keeps the policy it had.
  if (error_.empty())
    if (auto files = kx_readfiles("local", sub("state")))
      install(*files, false);
}

AlValues Module::serve(uint32_t command, const AlValues &in) {
  switch (command) {
  case KXC_STAT: return stat(in);
  case KXC_ESCAPE: return {AlRc{0, 0}};
  case KXC_TAB_STAT: return tab_stat(in);
  case KXC_GET_TAB_NAME: return tab_names();
  case KXC_GET_LOGDOM: return logdom();
  case KXC_DB_DOWNLOAD: return dbdownload(in);
  case KXC_LOAD: return load(in);
  case KXC_FETCH: return fetch(in);
  case KXC_UNLOAD: return unload(in);
  default: return fail(KXD_EUNKNOWN);
  }
}

AlValues Module::stat(const AlValues &in) {
  int32_t count = std::get<AlInt>(in.at(1)).v;
  std::vector<kxinfo_t> infos;
  std::lock_guard g(lock_);
  for (const auto &ifname : interfaces_)
    for (int dir = 0; dir < 2; ++dir) {
      kxinfo_t info;
      set_fixed(info.ifname, ifname);
      info.direction = dir;
      auto it = loaded_.find({ifname, dir});
      if (it != loaded_.end()) {
        set_fixed(info.filter, it->second->ifs.name);
        info.loadtime = it->second->loadtime;
        FilterCounters c = counters_of(ifname, dir);
        info.npacket = int32_t(c.packets);
        info.naccept = int32_t(c.accepted);
        info.nreject = int32_t(c.rejected);
        info.ndrop = int32_t(c.dropped);
        info.nlog = int32_t(c.logged);
      }
      infos.push_back(info);
    }
  int32_t n = int32_t(infos.size());
  if (count < 0)
    count = 0;
  if (infos.size() > size_t(count))
    infos.resize(size_t(count));
  return {AlRc{n, 0}, AlInfoArray{std::move(infos)}};
}

std::shared_ptr<const LoadedFilter> Module::any_loaded() const {
  std::lock_guard g(lock_);
  for (const auto &[key, f] : loaded_)
    if (f)
      return f;
  return nullptr;
}

AlValues Module::tab_stat(const AlValues &in) {
  int32_t capacity = std::get<AlInt>(in.at(0)).v;
  std::string name = std::get<AlString>(in.at(1)).v.value_or("");
  auto f = any_loaded();
  if (!f)
    return fail(KXD_ENOTAB, {AlTab{}});
  for (auto &t : parse_tables(f->text("ft")))
    if (t.name_str() == name) {
      int32_t total = t.nentries;
      size_t keep = size_t(std::max(capacity, 0));
      if (t.entries.size() > keep)
        t.entries.resize(keep);
      t.nentries = int32_t(t.entries.size());
      return {AlRc{total, 0}, AlTab{std::move(t)}};
    }
  return fail(KXD_ENOTAB, {AlTab{}});
}

AlValues Module::tab_names() {
  auto f = any_loaded();
  if (!f)
    return fail(KXD_ENOTAB, {AlStrings{}});
  std::vector<std::string> names;
  for (const auto &t : parse_tables(f->text("ft")))
    names.push_back(t.name_str());
  int32_t n = int32_t(names.size());
  return {AlRc{n, 0}, AlStrings{std::move(names)}};
}

AlValues Module::logdom() {
  auto f = any_loaded();
  if (!f)
    return fail(KXD_ENOTAB, {AlBuffer{}});
  kxlogdom_t d{f->id, f->text("lg"), domain_lines(f->text("fc"))};
  return {AlRc{0, 0}, AlBuffer{kxlogdom_pack(d)}};
}

int Module::install(const kxloadx_t &files, bool save) {
  for (const char *s : {"fc", "lg", "ft", "ifs"})
    if (!files.find(s))
      return KXD_ELOADFAIL;
  auto filter = std::make_shared<LoadedFilter>();
  filter->files = files;
  auto ifs = kx_parse_ifs(filter->text("ifs"));
  if (!ifs)
    return KXD_ELOADFAIL;
  filter->ifs = *ifs;
  // Targets are interface names or "all", optionally followed by "@host".
  std::vector<std::string> chosen;
  for (std::string t : ifs->targets) {
    t = t.substr(0, t.find('@'));
    if (t == "all" || t.empty()) {
      chosen = interfaces_;
      break;
    }
    if (std::find(interfaces_.begin(), interfaces_.end(), t) == interfaces_.end())
      return KXD_EBADSCOPE;
    chosen.push_back(t);
  }
  if (ifs->targets.empty())
    chosen = interfaces_;
  std::string lg = filter->text("lg");
  filter->id = kx_makeid_text(ifs->name, lg, -1);
  filter->loadtime = int32_t(time(nullptr));
  std::lock_guard g(lock_);
  if (enforcer_) {
    std::string why;
    if (!enforcer_->load(*filter, why)) {
      fprintf(stderr, "kxd: filter %s not loaded, the previous filter stays in force: %s\n", ifs->name.c_str(),
              why.c_str());
      return KXD_ELOADFAIL;
    }
  }
  if (save && !kxstate_savefiles(sub("state"), files))
    return KXD_ELOADFAIL;
  for (const auto &name : chosen)
    for (int dir = 0; dir < 2; ++dir)
      loaded_[{name, dir}] = filter;
  return 0;
}

AlValues Module::load(const AlValues &in) {
  const auto &x = std::get<AlLoadx>(in.at(1)).v;
  if (!x)
    return fail(KXD_ELOADFAIL);
  int rc = install(*x, true);
  snmp_changed_ = true;
  return rc == 0 ? AlValues{AlRc{0, 0}} : fail(rc);
}

AlValues Module::unload(const AlValues &in) {
  AlValues out = unload_targets(std::get<AlStrings>(in.at(1)).v);
  snmp_changed_ = true;
  return out;
}

AlValues Module::unload_targets(const std::vector<std::string> &targets) {
  std::lock_guard g(lock_);
  bool all = targets.empty();
  for (std::string t : targets) {
    t = t.substr(0, t.find('@'));
    if (t == "all" || t.empty())
      all = true;
    else if (std::find(interfaces_.begin(), interfaces_.end(), t) == interfaces_.end())
      return fail(KXD_EBADSCOPE);
  }
  for (auto it = loaded_.begin(); it != loaded_.end();) {
    bool named = all;
    for (const auto &t : targets)
      named = named || t.substr(0, t.find('@')) == it->first.first;
    it = named ? loaded_.erase(it) : std::next(it);
  }
  // The ruleset covers the whole module: it goes with the last interface.
  if (enforcer_ && loaded_.empty()) {
    std::string why;
    if (!enforcer_->unload(why)) {
      fprintf(stderr, "kxd: cannot remove the filter: %s\n", why.c_str());
      return fail(KXD_ELOADFAIL);
    }
  }
  return {AlRc{0, 0}};
}

AlValues Module::fetch(const AlValues &in) {
  const auto &ints = std::get<AlIntArray>(in.at(0)).v;
  std::vector<uint32_t> addrs(ints.begin(), ints.end());
  auto files = kxstate_getfiles(sub("state"), addrs);
  if (!files)
    return fail(KXD_ENOSTATE, {AlLoadx{}});
  return {AlRc{0, 0}, AlLoadx{std::move(files)}};
}

} // namespace kxd

namespace kxd {

AlValues Module::dbdownload(const AlValues &in) {
  const auto &db = std::get<AlLoaddb>(in.at(1)).v;
  // The users' S/Key chains are checked under the name the station sends to.
  auto *host = std::get_if<AlString>(&in.at(0));
  std::string gateway = host && host->v ? *host->v : "";
  std::lock_guard g(db_lock_);
  std::string message;
  if (kx_dbdownload(sub("database"), db, gateway, message) != 0) {
    fprintf(stderr, "kxd: %s\n", message.c_str());
    kx_dbdownload_verify(sub("database"), true);
    return fail(KXD_ELOADFAIL);
  }
  if (kx_dbdownload_verify(sub("database"), false) != 0)
    return fail(KXD_ELOADFAIL);
  return {AlRc{0, 0}};
}

} // namespace kxd
