// Rule base files and the current file name. A save never leaves the rule
// base file half written or missing: kxu::replace_file writes a synced
// temporary, keeps the old file as "<file>.bak" (a second name for the same
// bytes) and puts the new file in place with one rename.
#include "kxui/rfile/file.h"

#include "kxu/filename.h"
#include "kxu/replace_file.h"
#include "kxu/report.h"
#include "kxui/rfile/rule.h"

#include <cerrno>
#include <cstdio>
#include <string>

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

} // namespace

std::optional<rule_list> rulebase_read(const char *path) {
  if (!path) return std::nullopt;
  FILE *f = std::fopen(path, "r");
  if (!f) {
    error(0, -1, "Failed to open '%s'", path);
    return std::nullopt;
  }
  std::optional<rule_list> rules = rule_read(kx_filepart(path).c_str(), f);
  std::fclose(f);
  return rules;
}

int rulebase_write(const std::string &file, const rule_list &rules) {
  const std::string bak = file + ".bak";
  bool cancelled = false;
  kxu::ReplaceOptions options;
  options.backup = true;
  options.backup_failed = [&](int err) {
    error(0, err, "save\n\t%s\nto\n\t%s\nfailed", file.c_str(), bak.c_str());
    cancelled = kx_ask("Backup of %s failed.\n Save Anyway ?", file.c_str()) != 0;
    return !cancelled;
  };
  errno = 0;
  kxu::ReplaceResult r = kxu::replace_file(
      file, [&](FILE *f) { return rule_write(kx_filepart(file).c_str(), f, rules) == 0; }, options);
  if (r) return 0;
  if (cancelled) error(0, 0, "Rule Base not saved");
  else if (r.step == kxu::ReplaceStep::rename)
    error(0, r.err, "Save RuleBase:\nrename to\n\t%s\nfailed", file.c_str());
  else if (r.replaced)
    error(0, 0, "Save RuleBase: %s", r.message.c_str());
  else
    error(0, r.err, "failure on Rule File writing");
  return r.replaced ? 0 : -1;
}

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
  std::string base = kx_filepart(p);
  size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  n.filter = dir + "/" + base + ".pf";
}

const char *file_getname() { return names().set ? names().rules.c_str() : nullptr; }
const char *filter_getname() { return names().set ? names().filter.c_str() : nullptr; }
