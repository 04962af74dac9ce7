// kxc rules FILE.W: reads a rule base against the installation's objects and
// lists its rules, one per line:
//   1. src: gate mail; dst: not servers; services: smtp; action: accept; track: Alert; install: gateway
#include "kxc/command.h"

#include "kxu/filename.h"
#include "kxu/report.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/rule.h"

#include <cstdio>
#include <string>

namespace {

const char *const kCells[] = {RULE_SRC,    RULE_DST,   RULE_SERVICES,
                              RULE_ACTION, RULE_TRACK, RULE_INSTALL};

bool standard_cell(const KxAtom &name) {
  for (const char *c : kCells)
    if (name.view() == c) return true;
  return false;
}

// The cell's items separated by blanks ("-" for none); a name with a blank
// in it is quoted so that the items stay apart.
std::string cell_text(const kxset *rule, const char *cell) {
  std::string items;
  kxset_iterator it(rule_get_set(rule, cell), KxAtom::null());
  while (kxset *item = it.next()) {
    if (!items.empty()) items += ' ';
    const std::string name = item->getname();
    const bool quote = name.empty() || name.find_first_of(" \t\n") != std::string::npos;
    items += quote ? "\"" + name + "\"" : name;
  }
  if (items.empty()) items = "-";
  return rule_negated(rule, cell) ? "not " + items : items;
}

std::string rule_line(const kxset *rule) {
  std::string line;
  for (const char *c : kCells) {
    if (!line.empty()) line += "; ";
    line += std::string(c) + ": " + cell_text(rule, c);
  }
  // Cells this listing does not know still show, in their order.
  for (int i = 0; i < rule->getnattr(); ++i) {
    const KxAtom name = rule->getattrnamea(i);
    if (!name.is_named() || name.is_private() || standard_cell(name)) continue;
    line += "; " + name.str() + ": " + cell_text(rule, name.c_str());
  }
  return line;
}

} // namespace

KXC_COMMAND(rules, "rules FILE.W", "list the rules of a rule base with their cells") {
  if (args.size() != 1) return kxc::usage_error("rules FILE.W");
  const std::string &path = args[0];
  load_objects(nullptr);
  FILE *f = std::fopen(path.c_str(), "r");
  if (!f) {
    error(0, -1, "Failed to open '%s'", path.c_str());
    return 1;
  }
  std::optional<rule_list> rules = rule_read(kx_filepart(path).c_str(), f);
  std::fclose(f);
  if (!rules) return 1;
  int n = 0;
  for (const KxSetRef &r : *rules) std::printf("%d. %s\n", ++n, rule_line(r.get()).c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}
