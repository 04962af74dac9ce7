// kxc objects [APPFILE]: loads the installation's objects database ($KXDIR)
// the way the management program does and lists the tables of the merged
// view with their sizes:
//   netobj          16
// A file that cannot be read is reported and the exit status is 1.
#include "kxc/command.h"

#include "kxu/kxdir.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

#include <cstdio>
#include <cstdlib>

KXC_COMMAND(objects, "objects [APPFILE]",
            "load the objects database of $KXDIR and list its tables") {
  if (args.size() > 1 || (args.size() == 1 && args[0].starts_with("-")))
    return kxc::usage_error("objects [APPFILE]");
  const char *appl = args.empty() ? nullptr : args[0].c_str();
  int failures = load_objects(appl);
  const char *env = std::getenv("KX_OBJECTS");
  std::printf("objects database: %s\n",
              kx_filename("conf", env && *env ? env : nullptr, nullptr, "objects.C", nullptr).c_str());
  for (int i = 0, n = kx_objects->getnattr(); i < n; ++i) {
    const kxset *table = kx_objects->get(i);
    std::printf("  %-16s %d\n", kx_objects->getattrnamea(i).c_str(), kxobj_nmember(table));
  }
  if (failures) {
    std::fprintf(stderr, "kxc objects: %d file%s failed to load\n", failures,
                 failures == 1 ? "" : "s");
    return 1;
  }
  return 0;
}
