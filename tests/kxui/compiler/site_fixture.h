// The small installation under tests/golden/compiler/site, loaded once per
// process, with rules built from words as the editor builds them, the
// reports collected and property changes undone after each test.
#pragma once

#include "kxui/compiler/cellutil.h"
#include "kxui/compiler/check.h"
#include "kxu/kxdir.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/rule.h"
#include "kxu/report.h"
#include "support/golden.h"
#include "support/reports.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace kxtest {

// Cells of a rule as words; "!" before the words of src, dst or services
// negates the cell.
struct RuleWords {
  std::string src = "Any", dst = "Any", services = "Any", action = "accept", track = "",
              install = "Gateways";
};

class SiteTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static bool loaded = [] {
      setenv("KXDIR", test_path("golden/compiler/site").c_str(), 1);
      kxdir.clear();
      load_objects(nullptr);
      return true;
    }();
    (void)loaded;
  }

  SiteTest() : front_(&reports_) {
    saved_props_ = KxSetRef(kxsetcopy(kxrb::props_set(), -1));
  }
  ~SiteTest() override {
    kx_props->remove(0);
    kx_props->insert(0, KxAtom::null(), saved_props_.get());
  }

  kxset *rule(const RuleWords &w) {
    kxset *r = rule_new();
    rules_.emplace_back(r);
    auto cell = [&](const char *name, std::string words) {
      bool neg = !words.empty() && words[0] == '!';
      rule_set(r, name, "", neg ? words.c_str() + 1 : words.c_str());
      if (neg) rule_set(r, name, "op", "not in");
    };
    cell("src", w.src);
    cell("dst", w.dst);
    cell("services", w.services);
    if (kxset *act = kxobj_obj_or_null(kx_actions, w.action.c_str())) {
      rule_set(r, "action", "", "");
      rule_put(r, "action", "", act);
    } else {
      cell("action", w.action);
    }
    cell("track", w.track);
    cell("install", w.install);
    return r;
  }
  rule_array rules(std::initializer_list<RuleWords> ws) {
    rule_array out;
    for (const RuleWords &w : ws) out.push_back(rule(w));
    return out;
  }

  // Sets a global property for this test.
  void prop(const char *name, const char *value) {
    kxrb::props_set()->set(KxAtom(name), kxset::make(KxAtom(value)));
  }
  kxset *netobj(const char *name) { return kxobj_obj_or_null(kx_netobj, name); }

  static kxset *kxobj_obj_or_null(const kxset *table, const char *name) {
    kxset *found = nullptr;
    kxrb::each_member(table, [&](kxset *m) {
      if (!found && m->getnamea().view() == name) found = m;
    });
    return found;
  }

  CollectReports reports_;
  kxu::ScopedFrontEnd front_;
  KxSetRef saved_props_;
  std::vector<KxSetRef> rules_;
};

} // namespace kxtest
