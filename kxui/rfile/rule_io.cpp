// Reading and writing rule base files. The objects view is the dictionary
// both ways, so a file names objects and reading it gives the very objects.
#include "kxu/report.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/rule.h"
#include "kxset/sio.h"

#include <string>

namespace {

// The message name of the file being read, for the few refusals of our own.
std::string &reading_name() {
  static std::string *name = new std::string;
  return *name;
}

void replace_rules(kxset *set) {
  kxset_save(set);
  kxset_destroy(kx_rules);
  kx_rules = set;
}

// A rule that is also held elsewhere (an object the file names by reference,
// or a rule it names twice) is replaced by a copy of its own, so that editing
// one rule never changes an object or another rule.
kxset *own_rules(kxset *top) {
  const KxAtom rule_name("rule");
  const int n = top->getnattr();
  bool shared = false;
  for (int i = 0; i < n && !shared; ++i)
    shared = top->getattrnamea(i) == rule_name && top->get(i)->refcount() > 1;
  if (!shared) return top;
  kxset *base = kxset::make(top->getnamea());
  for (int i = 0; i < n; ++i) {
    const kxattribute *a = top->attr(i);
    kxset *v = a->value();
    const bool copy = a->name() == rule_name && v->refcount() > 1;
    base->append(a->name(), copy ? rule_copy(v) : v);
  }
  return base;
}

} // namespace

std::optional<rule_list> kxset_read(FILE *f) {
  rule_init();
  kxset *top = sio_readx(f, kx_objects);
  if (sio_errno() != 0) {
    // The previous rule base stays: its attributes other than the rules
    // would otherwise be lost with the next save of the table.
    error(0, 0, "Failed to read rule file:\n%s", sio_messages().c_str());
    return std::nullopt;
  }
  if (top && top->refcount() > 0) {
    // The file is the bare name of an object: writing rules into it would
    // change that object.
    std::string where = reading_name().empty() ? "" : "\"" + reading_name() + "\": ";
    error(0, 0, "Failed to read rule file:\n%s<%s> is not a rule base\n", where.c_str(),
          top->getname());
    return std::nullopt;
  }
  KxSetRef read(top ? top : kxset::make());
  replace_rules(own_rules(read.get()));

  rule_list rules;
  kxset_iterator it(kx_rules, KxAtom("rule"));
  while (kxset *r = it.next()) rules.emplace_back(r);
  const size_t n = rules.size();
  kx_message("%zu rule%s read", n, n == 1 ? "" : "s");
  return rules;
}

std::optional<rule_list> rule_read(const char *name, FILE *f) {
  sio_setfile(name);
  reading_name() = name ? name : "";
  return kxset_read(f);
}

int kxset_write(FILE *f, const rule_list &rules) {
  rule_init();
  // A new rule base set: the other attributes in their order, then the
  // rules. Built afresh so that the cost stays linear in the rule count.
  const KxAtom rule_name("rule");
  kxset *base = kxset::make(kx_rules->getnamea());
  const int n = kx_rules->getnattr();
  for (int i = 0; i < n; ++i) {
    const kxattribute *a = kx_rules->attr(i);
    if (!(a->name() == rule_name) && a->value()) base->append(a->name(), a->value());
  }
  for (const KxSetRef &r : rules)
    if (r) base->append(rule_name, r.get());
  replace_rules(base);

  // The rules name objects by reference: the objects file must hold them
  // before a rule base that refers to them exists on disk.
  if (kx_confobj && save_objects(nullptr) < 0) return -1;

  if (sio_writex(f, kx_rules, kx_objects) < 0) return -1;
  rule_modified = 0;
  return 0;
}

int rule_write(const char *name, FILE *f, const rule_list &rules) {
  sio_setfile(name);
  return kxset_write(f, rules);
}

int kxset_dump(FILE *f, const kxset *set) { return sio_write(f, set); }
