// File commands of the rule base editor: the rule base file layer reads and
// writes the rules, the editor table holds them.
#include "kxui/rmgr/file_cmds.h"

#include "kxu/report.h"
#include "kxui/rmgr/rmgr.h"

#include <string>

namespace {

bool ends_with(const std::string &s, const char *tail) {
  std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

} // namespace

int file_load(const char *path) {
  std::optional<rule_list> rules = rulebase_read(path);
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
  } else if (file_getname()) {
    file = file_getname();
  } else {
    error(0, 0, "Save: No active file name, Use 'Save As'");
    return -1;
  }

  const rule_list rules = rule_get_rules();
  const int was_modified = rule_modified;
  if (rulebase_write(file, rules) != 0) {
    rule_modified = was_modified;
    return -1;
  }
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
