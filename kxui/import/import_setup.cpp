// "lib/import.C": where the tables are and what imported objects get.
#include "kxui/import/import.h"

#include "kxu/kxdir.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

#include <unistd.h>

ImportSetup import_setup() {
  ImportSetup s;
  const std::string path = kx_filename("lib", "import.C", nullptr, nullptr, nullptr);
  if (access(path.c_str(), F_OK) != 0) return s; // the built-in values
  bool failed = false;
  KxSetRef conf(get_objects(nullptr, "lib", "import.C", nullptr, nullptr, &failed));
  if (failed || !conf) return s; // reported by the reader
  // A table named without a leading "/" is in the installation directory.
  auto text = [&](const char *attr, std::string &out) {
    if (const char *v = kxobj_get(conf.get(), attr); *v) out = *v == '/' ? v : kx_filename(nullptr, v, nullptr, nullptr, nullptr);
  };
  text("hosts", s.hosts);
  text("networks", s.networks);
  text("netgroup", s.netgroup);
  s.host = conf->get(KxAtom("host"));
  s.network = conf->get(KxAtom("network"));
  s.group = conf->get(KxAtom("group"));
  return s;
}
