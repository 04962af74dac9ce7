// A small objects table for the relation and condition tests, built in
// memory, with a fixed name service and the reports collected.
#pragma once

#include "kxset/kxset.h"
#include "kxu/report.h"
#include "kxui/compiler/addr.h"
#include "support/reports.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kxtest {

using Props = std::vector<std::pair<std::string, std::string>>;

// The name service of the tests: no system lookups.
inline bool fake_lookup(const char *name, const char *types, uint32_t *out) {
  static const std::map<std::string, uint32_t> hosts = {
      {"namedhost", 0x0a010909}, // 10.1.9.9
      {"localhost", 0x7f000001},
  };
  static const std::map<std::string, uint32_t> services = {{"smtp", 25}, {"telnet", 23}};
  std::string t(types);
  const auto &table = t.find("hosts") != std::string::npos ? hosts : services;
  auto it = table.find(name);
  if (it == table.end()) return false;
  *out = it->second;
  return true;
}

class ObjectsFixture : public ::testing::Test {
protected:
  ObjectsFixture() : front_(&reports_), table_(kxset::make()) {
    prev_lookup_ = kxcomp::set_symbol_lookup(fake_lookup);
  }
  ~ObjectsFixture() override { kxcomp::set_symbol_lookup(prev_lookup_); }

  // A new object in the table.
  kxset *obj(const std::string &name, const std::string &type, const Props &props = {}) {
    kxset *o = kxset::make(KxAtom(name));
    if (!type.empty()) o->set(KxAtom("type"), kxset::make(KxAtom(type)));
    for (const auto &[k, v] : props) o->set(KxAtom(k), kxset::make(KxAtom(v)));
    table_->append(KxAtom::null(), o);
    return o;
  }
  // An interface entry stored under `slot` ("if-0", ...).
  kxset *iface(kxset *owner, const std::string &slot, const Props &props) {
    kxset *i = kxset::make();
    for (const auto &[k, v] : props) i->set(KxAtom(k), kxset::make(KxAtom(v)));
    owner->set(KxAtom(slot), i);
    return i;
  }
  kxset *group(const std::string &name, std::initializer_list<kxset *> members) {
    kxset *g = obj(name, "group");
    for (kxset *m : members) g->append(KxAtom::null(), m);
    return g;
  }
  // A rule cell holding the members, "not in" when negated. Kept alive by
  // the fixture.
  kxset *cell(std::initializer_list<kxset *> members, bool negated = false) {
    kxset *c = kxset::make();
    for (kxset *m : members) c->append(KxAtom::null(), m);
    if (negated) c->set(KxAtom("op"), kxset::make(KxAtom("not in")));
    cells_.emplace_back(c);
    return c;
  }

  CollectReports reports_;
  kxu::ScopedFrontEnd front_;
  KxSetRef table_;
  std::vector<KxSetRef> cells_;
  kxcomp::SymbolLookup prev_lookup_ = nullptr;
};

// Names of the anonymous members of a set, joined by blanks.
inline std::string member_names(const kxset *s) {
  std::string out;
  for (int i = 0, n = s ? s->getnattr() : 0; i < n; ++i)
    if (s->getattrnamea(i).is_null() && s->get(i)) {
      if (!out.empty()) out += ' ';
      out += s->get(i)->getname();
    }
  return out;
}

} // namespace kxtest
