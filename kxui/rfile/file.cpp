// File commands of the rule base editor. A save never leaves the rule base
// file half written or missing: the text goes to "<file>.new", is synced,
// the old file is kept as "<file>.bak" (a second name for the same bytes),
// and one rename puts the new file in place.
#include "kxui/rfile/file.h"

#include "kxui/kx/report.h"
#include "kxui/rfile/rule.h"
#include "kxui/rmgr/rmgr.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct FileNames {
  bool set = false;
  std::string rules;
  std::string filter;
};

FileNames &names() {
  static FileNames *n = new FileNames;
  return *n;
}

std::string base_name(const std::string &path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ends_with(const std::string &s, const char *tail) {
  std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

// Copies `from` to `to` through "<to>.tmp", synced; false with errno set.
bool copy_file(const std::string &from, const std::string &to) {
  FILE *in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  const std::string tmp = to + ".tmp";
  FILE *out = std::fopen(tmp.c_str(), "wb");
  if (!out) {
    int e = errno;
    std::fclose(in);
    errno = e;
    return false;
  }
  std::vector<char> buf(1 << 16);
  bool ok = true;
  size_t got;
  while ((got = std::fread(buf.data(), 1, buf.size(), in)) > 0)
    if (std::fwrite(buf.data(), 1, got, out) != got) {
      ok = false;
      break;
    }
  ok = ok && !std::ferror(in) && std::fflush(out) == 0 && fsync(fileno(out)) == 0;
  int e = errno;
  std::fclose(in);
  ok = (std::fclose(out) == 0) && ok;
  if (ok && std::rename(tmp.c_str(), to.c_str()) == 0) return true;
  e = errno ? errno : e;
  unlink(tmp.c_str());
  errno = e;
  return false;
}

// Keeps the current bytes of `file` as `bak`: a hard link where the file
// system has them, a copy otherwise. False with errno set.
bool make_backup(const std::string &file, const std::string &bak) {
  if (unlink(bak.c_str()) != 0 && errno != ENOENT) return false;
  if (link(file.c_str(), bak.c_str()) == 0) return true;
  return copy_file(file, bak);
}

// Makes a rename durable; best effort.
void sync_dir(const std::string &file) {
  size_t slash = file.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : file.substr(0, slash));
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

FILE *open_new(const std::string &tmp) {
  FILE *f = std::fopen(tmp.c_str(), "w");
  if (f) return f;
  unlink(tmp.c_str());
  f = std::fopen(tmp.c_str(), "w");
  if (!f) error(0, -1, "Failed to open '%s'", tmp.c_str());
  return f;
}

// Writes the rules to `tmp`, synced and closed. Reports and removes it on a
// failure.
bool write_new(const std::string &file, const std::string &tmp, const rule_list &rules) {
  FILE *f = open_new(tmp);
  if (!f) return false;
  errno = 0;
  bool ok = rule_write(base_name(file).c_str(), f, rules) == 0 && std::fflush(f) == 0 &&
            fsync(fileno(f)) == 0;
  int e = errno;
  ok = (std::fclose(f) == 0) && ok;
  if (!ok && !e) e = errno;
  if (ok) return true;
  error(0, e, "failure on Rule File writing");
  unlink(tmp.c_str());
  return false;
}

} // namespace

int file_load(const char *path) {
  if (!path) return -1;
  FILE *f = std::fopen(path, "r");
  if (!f) {
    error(0, -1, "Failed to open '%s'", path);
    return -1;
  }
  std::optional<rule_list> rules = rule_read(base_name(path).c_str(), f);
  std::fclose(f);
  if (!rules) return -1;
  file_setname(path);
  rule_set_rules(*rules);
  return 0;
}

int file_save(const char *name) {
  std::string file;
  if (name && *name) {
    file = name;
    if (!ends_with(file, ".W")) file += ".W";
  } else if (names().set) {
    file = names().rules;
  } else {
    error(0, 0, "Save: No active file name, Use 'Save As'");
    return -1;
  }

  const rule_list rules = rule_get_rules();
  const int was_modified = rule_modified;
  const std::string tmp = file + ".new";
  if (!write_new(file, tmp, rules)) {
    rule_modified = was_modified;
    return -1;
  }

  struct stat st;
  if (stat(file.c_str(), &st) == 0) {
    const std::string bak = file + ".bak";
    if (!make_backup(file, bak)) {
      error(0, -1, "save\n\t%s\nto\n\t%s\nfailed", file.c_str(), bak.c_str());
      if (kx_ask("Backup of %s failed.\n Save Anyway ?", file.c_str())) {
        error(0, 0, "Rule Base not saved");
        unlink(tmp.c_str());
        rule_modified = was_modified;
        return -1;
      }
    }
  }
  if (std::rename(tmp.c_str(), file.c_str()) != 0) {
    error(0, -1, "Save RuleBase:\nrename\n\t%s\nto\n\t%s\nfailed", tmp.c_str(), file.c_str());
    unlink(tmp.c_str());
    rule_modified = was_modified;
    return -1;
  }
  sync_dir(file);
  file_setname(file.c_str());
  kx_message("Rule base saved to '%s'", file.c_str());
  return 1;
}

void file_new() {
  rule_set_rules({});
  kxset *fresh = kxset::make();
  kxset_save(fresh);
  kxset_destroy(kx_rules);
  kx_rules = fresh;
  file_setname(nullptr);
}

void file_close() { file_new(); }

void file_setname(const char *path) {
  FileNames &n = names();
  if (!path) {
    n = FileNames{};
    return;
  }
  std::string p(path);
  n.set = true;
  n.rules = p;
  size_t slash = p.rfind('/');
  std::string dir = slash == std::string::npos ? "." : p.substr(0, slash);
  std::string base = base_name(p);
  size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  n.filter = dir + "/" + base + ".pf";
}

const char *file_getname() { return names().set ? names().rules.c_str() : nullptr; }
const char *filter_getname() { return names().set ? names().filter.c_str() : nullptr; }
