// Saving one file of the objects database through kxu::replace_file: an
// unchanged text leaves the file alone, a changed one keeps the old file as
// "<file>.bak" and takes its place by rename, so a failed save never damages
// the file that was there.
#include "kxui/objfile/objects.h"

#include "kxset/sio.h"
#include "kxu/filename.h"
#include "kxu/kxdir.h"
#include "kxu/replace_file.h"
#include "kxu/report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

namespace {

bool is_auth_name(const char *name) {
  return strcasecmp(kx_basename(name).c_str(), "auth") == 0 ||
         strcasecmp(kx_basename(name).c_str(), "auth.C") == 0;
}

} // namespace

int save_objects(const char *name) {
  const kxset *set = nullptr;
  const kxset *dict = nullptr;
  std::string target;
  if (!name) {
    const char *env = std::getenv("KX_OBJECTS");
    target = kx_filename("conf", env && *env ? env : nullptr, nullptr, "objects.C", nullptr);
    if (!kx_confobj) return -1;
    kx_message("Saving objects...");
    objects_order_groups(kx_netobj);
    objects_order_groups(kx_services);
    set = kx_confobj;
  } else {
    target = kx_filename("conf", name, nullptr, nullptr, nullptr);
    if (is_auth_name(name)) {
      set = kx_authobj;
      dict = kx_confobj;
    } else {
      set = kx_applobj;
    }
    if (!set) return -1;
  }

  kxu::ReplaceOptions options;
  options.backup = options.keep_if_same = true;
  // The writer fails without a system error on a tree it cannot express (a
  // group that contains itself nests without end).
  kxu::ReplaceResult r = kxu::replace_file(
      target, [&](FILE *f) { return sio_writex(f, set, dict) == 0; }, options);
  if (!r) {
    error(0, 0, "store failed on '%s': %s", target.c_str(), r.message.c_str());
    if (!r.replaced) return -1;
  }
  if (kx_objects_saved_hook) kx_objects_saved_hook();
  if (!name) {
    kx_message("Objects saved");
    obj_modified = 0;
  }
  return 0;
}

int cmp_files(const char *path1, const char *path2) {
  FILE *a = std::fopen(path1, "rb");
  if (!a) {
    error(0, -1, "Failed to open %s", path1);
    return -1;
  }
  FILE *b = std::fopen(path2, "rb");
  if (!b) {
    error(0, -1, "Failed to open %s", path2);
    std::fclose(a);
    return -1;
  }
  int result = 0;
  char ba[65536], bb[65536];
  for (;;) {
    size_t na = std::fread(ba, 1, sizeof ba, a);
    size_t nb = std::fread(bb, 1, sizeof bb, b);
    if (na != nb || std::memcmp(ba, bb, na) != 0) {
      result = 1;
      break;
    }
    if (na == 0) break;
  }
  if (std::ferror(a) || std::ferror(b)) result = -1;
  std::fclose(a);
  std::fclose(b);
  return result;
}

int cmpfiles(const char *path1, const char *path2) { return cmp_files(path1, path2); }
