// A scratch installation with an objects database and a rule base written
// as set text, for the router generator tests. Reports are collected instead
// of printed.
#pragma once

#include "kxu/kxdir.h"
#include "kxu/report.h"
#include "kxui/compiler/addr.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/rule.h"
#include "support/reports.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kxtest {

inline const char kSetup[] = R"((setup
	:actobj ( : (accept :action (accept)) : (drop :action (drop)) )
	:trackobj ( : (short :macro (LOG)) : (long :macro (LOG)) )
	:targobj ( : (Src) : (Dst) : (Gateways) : (Routers) )
	:kxobj ( : (Any) )
))";

// Loads `objects` (the text of conf/objects.C) and, when given, the text
// of conf/wellfleet.C; then reads rule bases with rules().
class RouterPolicy {
public:
  explicit RouterPolicy(const std::string &objects, const std::string &wellfleet = "") {
    dir_.write("lib/setup.C", kSetup);
    dir_.write("conf/objects.C", objects);
    dir_.write("conf/auth.C", "(auth)\n");
    if (!wellfleet.empty()) dir_.write("conf/wellfleet.C", wellfleet);
    kxdir = dir_.path();
    // Names are known through the objects only: no name service queries.
    prev_lookup_ = kxcomp::set_symbol_lookup([](const char *, const char *, uint32_t *) { return false; });
    kxu::ScopedFrontEnd fe(&load_messages_);
    load_objects(nullptr);
  }
  ~RouterPolicy() {
    destruct_objects();
    kxcomp::set_symbol_lookup(prev_lookup_);
  }

  rule_list rules(const std::string &text) {
    std::string path = dir_.write("policy.W", text);
    FILE *f = std::fopen(path.c_str(), "r");
    kxu::ScopedFrontEnd fe(&load_messages_);
    std::optional<rule_list> r = rule_read("policy.W", f);
    std::fclose(f);
    EXPECT_TRUE(r.has_value()) << load_messages_.joined();
    return r ? std::move(*r) : rule_list{};
  }
  const TempDir &dir() const { return dir_; }
  std::string load_messages() const { return load_messages_.joined(); }

private:
  TempDir dir_;
  CollectReports load_messages_;
  kxcomp::SymbolLookup prev_lookup_ = nullptr;
};

} // namespace kxtest
