// Loading the objects database: the files of the installation, read in a
// fixed order with the dictionaries that let later files name earlier
// objects, merged into kx_objects, with a global for each well-known table.
#include "kxui/objfile/objects.h"

#include "kxset/sio.h"
#include "kxu/kxdir.h"
#include "kxu/report.h"
#include "kxui/obj/kxobj.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

int obj_modified = 0;

void (*kx_objects_saved_hook)() = nullptr;
void (*kx_resolver_hook)(kxset *props) = nullptr;

namespace {

struct TableEntry {
  const char *name;
  kxset **global;
  kxset **owner;
};

// In this order the globals are taken from the merged view.
const TableEntry kTables[] = {
    {"actobj", &kx_actions, &kx_setupobj},
    {"trackobj", &kx_trackobj, &kx_setupobj},
    {"targobj", &kx_targets, &kx_setupobj},
    {"kxobj", &kx_kxobj, &kx_setupobj},
    {"ifmenu", &kx_ifobj, &kx_setupobj},
    {"iflogmenu", &kx_iflogmenu, &kx_setupobj},
    {"fields", &kx_wellfields, &kx_wellfleet},
    {"wprops", &kx_wellprops, &kx_wellfleet},
    {"wactions", &kx_wellactions, &kx_wellfleet},
    {"wsetup", &kx_wellsetup, &kx_wellfleet},
    {"servgen", &kx_servgen, &kx_confobj},
    {"netobj", &kx_netobj, &kx_confobj},
    {"servobj", &kx_services, &kx_confobj},
    {"props", &kx_props, &kx_confobj},
    {"translations", &kx_translations, &kx_confobj},
    {"auth-domain", &kx_authdom, &kx_authobj},
    {"log-props", &kx_lvobj, &kx_applobj},
};

// A file set held by its global (one count each).
kxset *hold(kxset *s) {
  kxset_save(s);
  return s;
}

kxset *empty_set() { return hold(kxset::make()); }

std::string chomp(std::string s) {
  while (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
}

} // namespace

kxset *get_objects(const char *path, const char *dir, const char *defname, const char *envvar,
                   kxset *dict, bool *failed) {
  std::string name = path ? path : "";
  std::string resolved = kx_filename(dir, name.empty() ? nullptr : name.c_str(), nullptr,
                                     defname, envvar);
  FILE *f = open_file(name, dir, defname, envvar, "r");
  if (!f) {
    if (failed) *failed = true;
    return nullptr;
  }
  sio_setfile(resolved.c_str());
  kxset *s = sio_readx(f, dict);
  std::fclose(f);
  if (sio_errno() != 0) {
    error(0, 0, "Failed to load objects Database:\n%s", chomp(sio_messages()).c_str());
    if (failed) *failed = true;
    return kxset::make();
  }
  if (!s) {
    error(0, 0, "Empty objects Database");
    if (failed) *failed = true;
    return kxset::make();
  }
  return s;
}

void objects_add(kxset *view, const kxset *set) {
  if (!view || !set || view == set) return;
  for (int i = 0, n = set->getnattr(); i < n; ++i) {
    const kxattribute *a = set->attr(i);
    if (a && a->value()) view->set(a->name(), a->value());
  }
}

void destruct_objects() {
  kx_resethosts(); // copies of the old objects
  if (kx_applobj != kx_confobj) kxset_destroy(kx_applobj);
  for (kxset **s : {&kx_objects, &kx_confobj, &kx_authobj, &kx_setupobj, &kx_wellfleet}) {
    kxset_destroy(*s);
    *s = nullptr;
  }
  kx_applobj = nullptr;
  for (const TableEntry &t : kTables) *t.global = nullptr;
}

int fetch_objects(const char *name) {
  int failures = 0;
  auto load = [&](const char *path, const char *dir, const char *defname, kxset *dict) {
    bool failed = false;
    kxset *s = get_objects(path, dir, defname, nullptr, dict, &failed);
    failures += failed;
    return s ? hold(s) : nullptr;
  };

  const char *env = std::getenv("KX_OBJECTS");
  kx_confobj = load(env && *env ? env : nullptr, "conf", "objects.C", nullptr);
  if (!kx_confobj) kx_confobj = empty_set();
  kx_authobj = load(nullptr, "conf", "auth.C", kx_confobj);
  if (!kx_authobj) kx_authobj = empty_set();

  if (name && *name) {
    // A mode's own settings file may not exist yet: that is no error.
    std::string path = kx_filename("conf", name, nullptr, nullptr, nullptr);
    kx_applobj = access(path.c_str(), F_OK) == 0 ? load(name, "conf", nullptr, nullptr) : nullptr;
    if (!kx_applobj) kx_applobj = empty_set();
  } else {
    kx_applobj = kx_confobj;
  }

  kx_setupobj = load(nullptr, "lib", "setup.C", kx_confobj);
  if (!kx_setupobj) error(1, 0, "No setup file, Aborting.");

  kx_objects = empty_set();
  objects_add(kx_objects, kx_setupobj);
  objects_add(kx_objects, kx_confobj);
  objects_add(kx_objects, kx_authobj);
  if (kx_applobj != kx_confobj) objects_add(kx_objects, kx_applobj);

  kx_wellfleet = load(nullptr, "conf", "wellfleet.C", kx_objects);
  if (!kx_wellfleet) kx_wellfleet = empty_set();
  objects_add(kx_objects, kx_wellfleet);

  for (const TableEntry &t : kTables) {
    KxAtom tname(t.name);
    kxset *table = kx_objects->get(tname);
    if (!table) {
      table = kxset::make();
      (*t.owner)->set(tname, table);
      kx_objects->set(tname, table);
    }
    *t.global = table;
    if (t.global == &kx_translations && kx_resolver_hook) {
      // The properties are the first member of the table.
      kxset *props = kxobj_ithmember(kx_props, 0);
      kx_resolver_hook(props ? props : kx_props);
    }
  }
  obj_modified = 0;
  return failures;
}

int load_objects(const char *name) {
  destruct_objects();
  return fetch_objects(name);
}
