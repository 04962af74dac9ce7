// Saving one file of the objects database. The text always goes to
// "<file>.new" first; an unchanged text leaves the file alone, a changed one
// keeps the old file as "<file>.bak" and takes its place by rename, so a
// failed save never damages the file that was there.
#include "kxui/objfile/objects.h"

#include "kxset/sio.h"
#include "kxu/filename.h"
#include "kxui/kx/kxdir.h"
#include "kxui/kx/report.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes `set` to `path`, flushed and synced. 0, or -1 after reporting.
int write_file(const std::string &path, const kxset *set, const kxset *dict, const struct stat *like) {
  FILE *f = std::fopen(path.c_str(), "w");
  if (!f) {
    // A stale copy we may not write: remove it and try once more.
    unlink(path.c_str());
    f = std::fopen(path.c_str(), "w");
  }
  if (!f) {
    error(0, -1, "Failed to open '%s'", path.c_str());
    return -1;
  }
  if (like) fchmod(fileno(f), like->st_mode & 07777);
  errno = 0;
  // The writer fails without a system error on a tree it cannot express (a
  // group that contains itself nests without end).
  bool failed = sio_writex(f, set, dict) != 0;
  int err = failed ? errno : 0;
  if (!failed && std::fflush(f) != 0) failed = true, err = errno;
  if (!failed && fsync(fileno(f)) != 0) failed = true, err = errno;
  if (std::fclose(f) != 0 && !failed) failed = true, err = errno;
  if (failed) {
    error(0, err, "store failed on '%s'", path.c_str());
    return -1;
  }
  return 0;
}

// Makes the rename durable.
void sync_dir(const std::string &file) {
  std::string dir = kx_dirname(file.c_str());
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Keeps the current file as ".bak". A hard link leaves the file itself in
// place until the new text replaces it in one rename; where links are not
// possible the file is renamed.
void backup(const std::string &target) {
  std::string bak = target + ".bak";
  unlink(bak.c_str());
  if (link(target.c_str(), bak.c_str()) == 0) return;
  if (rename(target.c_str(), bak.c_str()) != 0)
    error(0, -1, "Failed to rename %s to %s", target.c_str(), bak.c_str());
}

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

  struct stat st {};
  bool exists = stat(target.c_str(), &st) == 0;
  std::string tmp = target + ".new";
  if (write_file(tmp, set, dict, exists ? &st : nullptr) != 0) {
    unlink(tmp.c_str());
    return -1;
  }
  if (exists && cmp_files(tmp.c_str(), target.c_str()) == 0) {
    unlink(tmp.c_str());
  } else {
    if (exists) backup(target);
    if (rename(tmp.c_str(), target.c_str()) != 0) {
      error(0, -1, "Failed to rename %s to %s", tmp.c_str(), target.c_str());
      unlink(tmp.c_str());
      return -1;
    }
    sync_dir(target);
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
