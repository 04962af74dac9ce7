#include "kxui/install/install.h"

#include "kxui/compiler/driver.h"
#include "kxui/editor/scramble.h"
#include "kxui/kxcisco/cisco.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxui/rmgr/rmgr.h"
#include "kxui/wellfleet/wellfleet.h"
#include "kxu/kxdir.h"
#include "kxu/replace_file.h"
#include "kxu/report.h"
#include "kxu/text.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <algorithm>

namespace {

bool contains(const std::vector<std::string> &names, const std::string &n) {
  return std::find(names.begin(), names.end(), n) != names.end();
}

std::string join(const std::vector<std::string> &words) {
  std::string out;
  for (const std::string &w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

bool write_file(const std::string &path, const std::string &text) {
  kxu::ReplaceResult r = kxu::replace_file(path, text);
  if (!r) error(0, 0, "Cannot open \"%s\": %s", path.c_str(), r.message.c_str());
  return r.ok;
}

// The router's "ipaddr", or its name when the name is a host name with that
// address.
std::string router_address(const kxset *router) {
  const std::string ip = kxobj_get(router, "ipaddr"), name = kxobj_name(router);
  addrinfo hints{}, *res = nullptr;
  hints.ai_family = AF_INET;
  bool same = false;
  if (!ip.empty() && getaddrinfo(name.c_str(), nullptr, &hints, &res) == 0) {
    for (addrinfo *a = res; a && !same; a = a->ai_next) {
      char buf[INET_ADDRSTRLEN];
      const auto *sin = reinterpret_cast<const sockaddr_in *>(a->ai_addr);
      same = inet_ntop(AF_INET, &sin->sin_addr, buf, sizeof buf) && ip == buf;
    }
    freeaddrinfo(res);
  }
  return same || ip.empty() ? name : ip;
}

const char *done_word(InstallMode mode) {
  switch (mode) {
  case InstallMode::install: return "installed";
  case InstallMode::uninstall: return "uninstalled";
  case InstallMode::download: break;
  }
  return "downloaded";
}

} // namespace

InstallRequest install_request_all(InstallMode mode) {
  InstallRequest r;
  r.mode = mode;
  r.hosts = kx_getsysconf();
  r.preselected = r.hosts;
  r.routers = kxobj_routers();
  r.kinds = mode == InstallMode::download ? KXINST_HOSTS : 0;
  return r;
}

std::vector<InstallRow> install_rows(const InstallRequest &request, int kinds) {
  std::vector<InstallRow> rows;
  if (kinds & KXINST_HOSTS)
    for (const std::string &h : request.hosts) rows.push_back({h, false});
  if (kinds & KXINST_ROUTERS)
    for (const std::string &r : request.routers) rows.push_back({r, true});
  return rows;
}

InstallView kxinst_initialize(const InstallRequest &request) {
  InstallView v;
  v.kinds = request.kinds;
  if (v.kinds == 0)
    for (const std::string &n : request.preselected) {
      if (contains(request.hosts, n)) v.kinds |= KXINST_HOSTS;
      if (contains(request.routers, n)) v.kinds |= KXINST_ROUTERS;
    }
  v.rows = install_rows(request, v.kinds);
  for (const InstallRow &row : v.rows)
    if (contains(request.preselected, row.name)) v.selected.push_back(row.name);
  switch (request.mode) {
  case InstallMode::install: {
    v.title = "Filter Install";
    v.list_label = "Install On:";
    const char *filter = filter_getname();
    v.footer = filter ? filter : "No Name";
    break;
  }
  case InstallMode::uninstall:
    v.title = "Filter UnInstall";
    v.list_label = "UnInstall From:";
    break;
  case InstallMode::download:
    v.title = "Database Download";
    v.list_label = "Download To:";
    break;
  }
  return v;
}

std::optional<std::string> filter_save() {
  const char *name = filter_getname();
  if (!name) {
    error(0, 0, "No filter file name, Use 'Save As'");
    return std::nullopt;
  }
  const rule_list rules = rmgr_collect();
  std::optional<std::string> script = dump_rulebase(rules_of(rules), nullptr);
  if (!script) {
    error(0, 0, "Failed to generate filter from rules");
    return std::nullopt;
  }
  kxu::ReplaceResult r = kxu::replace_file(name, *script);
  if (!r) {
    error(0, 0, "Failed to open '%s'", name);
    return std::nullopt;
  }
  kx_message("Filter generated into '%s'", name);
  return name;
}

std::optional<std::pair<std::string, std::string>> router_passwords(const std::string &router) {
  const kxset *obj = kxobj_member(kx_netobj, router.c_str());
  std::optional<std::string> pw, en;
  if (obj) {
    pw = kxushowstr(kxobj_get(obj, "passwd"));
    en = kxushowstr(kxobj_get(obj, "enpasswd"));
  }
  if (!pw || pw->empty() || !en || en->empty()) {
    error(0, 0, "Cannot get password for '%s'", router.c_str());
    return std::nullopt;
  }
  return std::make_pair(*pw, *en);
}

InstallChain::InstallChain(InstallMode mode, const std::vector<InstallRow> &selected) : mode_(mode) {
  for (const InstallRow &row : selected) (row.router ? routers_ : hosts_).push_back(row.name);
}

std::optional<InstallChain> InstallChain::start(InstallMode mode, const std::vector<InstallRow> &selected) {
  if (selected.empty()) {
    error(0, 0, "No targets specified");
    return std::nullopt;
  }
  switch (mode) {
  case InstallMode::install:
    if (kx_ask("Installing filter may halt your network.\nMake sure that you have double checked your "
               "filter\nAre you sure you want to install this filter?") ||
        kx_ask("Installing Filter, Use Ok to continue..."))
      return std::nullopt;
    break;
  case InstallMode::uninstall:
    if (kx_ask("Uninstalling Filter, Use Ok to continue...")) return std::nullopt;
    break;
  case InstallMode::download:
    if (kx_ask("Downloading Database, Use Ok to continue...")) return std::nullopt;
    break;
  }
  return InstallChain(mode, selected);
}

std::optional<InstallCommand> InstallChain::next() {
  for (;;) {
    std::optional<InstallCommand> c;
    switch (stage_) {
    case Stage::modules:
      stage_ = mode_ == InstallMode::download ? Stage::done : Stage::routers;
      c = module_step();
      break;
    case Stage::routers:
      stage_ = routers_init() ? Stage::cisco : Stage::done;
      break;
    case Stage::cisco:
      c = cisco_step();
      break;
    case Stage::wellfleet:
      c = wellfleet_step();
      break;
    case Stage::done:
      return std::nullopt;
    }
    if (c) return c;
  }
}

std::optional<InstallCommand> InstallChain::module_step() {
  if (hosts_.empty()) return std::nullopt;
  InstallCommand c;
  c.module_step = true;
  c.refresh_status = mode_ != InstallMode::download;
  c.targets = hosts_;
  if (mode_ == InstallMode::install) {
    auto skip = [this](const char *why) {
      for (const std::string &h : hosts_) results_[h] = why;
      return std::nullopt;
    };
    if (file_save(nullptr) < 0) return skip("not installed: the rule base was not saved");
    std::optional<std::string> filter = filter_save();
    if (!filter) return skip("not installed: the filter was not compiled");
    c.argv = {"kx", "load", *filter};
  } else {
    c.argv = {"kx", mode_ == InstallMode::uninstall ? "unload" : "dbload"};
  }
  c.argv.insert(c.argv.end(), hosts_.begin(), hosts_.end());
  c.shown = join(c.argv);
  if (mode_ != InstallMode::uninstall) obj_modified = 0; // the modules have this database now
  return c;
}

bool InstallChain::routers_init() {
  if (routers_.empty()) return false;
  std::optional<std::vector<std::string>> vendors = kxobj_types(routers_);
  if (!vendors) {
    error(0, 0, "Install failed");
    for (const std::string &r : routers_) results_[r] = "failed: no vendor";
    return false;
  }
  vendors_ = *vendors;
  next_router_ = 0;
  return true;
}

std::optional<InstallCommand> InstallChain::cisco_step() {
  while (next_router_ < routers_.size()) {
    const size_t at = next_router_++;
    if (!kxu::ieq(vendors_[at].c_str(), "cisco")) continue;
    const std::string &name = routers_[at];
    kxset *router = kxobj_member(kx_netobj, name.c_str());
    if (!router) {
      error(0, 0, "Cannot find router object '%s'", name.c_str());
      results_[name] = "skipped: no such router";
      continue;
    }
    const rule_list rules = rmgr_collect();
    KxSetRef one = make_singleton(router);
    const char *lists = cisco_rulebase(rules, one.get(), mode_ == InstallMode::install);
    if (!lists) {
      error(0, 0, "Failed to generate Cisco Access Lists from rules");
      results_[name] = "skipped: no access lists";
      continue;
    }
    const std::string file = kx_filename("conf", (name + ".cl").c_str(), nullptr, nullptr, nullptr);
    if (!write_file(file, std::string("\n") + lists + "\n")) {
      results_[name] = "skipped: the access lists were not written";
      continue;
    }
    auto pw = router_passwords(name);
    if (!pw) {
      results_[name] = "skipped: no password";
      continue;
    }
    InstallCommand c;
    const std::string address = router_address(router);
    c.argv = {"kxcisco", "put", address, pw->first, pw->second, file};
    c.shown = "kxcisco put " + address + " " + file;
    c.targets = {name};
    return c;
  }
  stage_ = Stage::wellfleet;
  next_router_ = 0;
  return std::nullopt;
}

std::optional<InstallCommand> InstallChain::wellfleet_step() {
  InstallCommand c;
  while (next_router_ < routers_.size() && c.targets.size() < wellfleet_coinstall) {
    const size_t at = next_router_++;
    if (kxu::ieq(vendors_[at].c_str(), "wellfleet")) c.targets.push_back(routers_[at]);
  }
  if (c.targets.empty()) {
    stage_ = Stage::done;
    return std::nullopt;
  }
  if (mode_ == InstallMode::install && wellfleet_file_.empty()) {
    auto fail = [&](const char *why) {
      error(0, 0, "Download Failed");
      for (size_t i = 0; i < routers_.size(); ++i)
        if (kxu::ieq(vendors_[i].c_str(), "wellfleet")) results_[routers_[i]] = why;
      stage_ = Stage::done;
      return std::nullopt;
    };
    const char *rulebase = file_getname();
    if (!rulebase) {
      error(0, 0, "No filter file name, Use 'Save As'");
      return fail("not installed: no filter file");
    }
    const rule_list rules = rmgr_collect();
    std::optional<std::string> filter = wellfleet_rulebase(rules, nullptr);
    if (!filter) {
      error(0, 0, "Failed to generate filter from rules");
      return fail("not installed: no filter");
    }
    std::string file = rulebase;
    const size_t dot = file.rfind('.'), slash = file.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) file.erase(dot);
    file += ".wl";
    kxu::ReplaceResult r = kxu::replace_file(file, *filter);
    if (!r) {
      error(0, 0, "Failed to open '%s'", file.c_str());
      return fail("not installed: the filter was not written");
    }
    kx_message("Filter generated into '%s'", file.c_str());
    wellfleet_file_ = file;
  }
  if (mode_ == InstallMode::install)
    c.argv = {"kxell", "load", wellfleet_file_};
  else
    c.argv = {"kxell", "unload"};
  c.argv.insert(c.argv.end(), c.targets.begin(), c.targets.end());
  c.shown = join(c.argv);
  // The last batch refreshes the status display.
  size_t left = 0;
  for (size_t i = next_router_; i < routers_.size(); ++i) left += kxu::ieq(vendors_[i].c_str(), "wellfleet");
  c.refresh_status = left == 0;
  return c;
}

void InstallChain::finished(const InstallCommand &command, int status) {
  for (const std::string &t : command.targets)
    results_[t] = status == 0 ? done_word(mode_) : "failed (exit " + std::to_string(status) + ")";
  if (status != 0 && command.module_step && mode_ != InstallMode::download)
    error(0, 0, "Filter installation failed.\nPlease refer to the installation window.");
}
