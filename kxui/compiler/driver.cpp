#include "kxui/compiler/driver.h"

#include "kxui/compiler/access.h"
#include "kxui/compiler/auth.h"
#include "kxui/compiler/cellutil.h"
#include "kxui/compiler/expr.h"
#include "kxui/compiler/logtab.h"
#include "kxui/compiler/rule_gen.h"
#include "kxui/compiler/run.h"
#include "kxui/compiler/sections.h"
#include "kxui/compiler/targets.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/file.h"
#include "kxset/sio.h"
#include "kxu/report.h"

#include <cerrno>
#include <new>
#include <set>
#include <vector>

using namespace kxrb;

namespace {

void show_text_default(const char *title, const char *text) { error(0, 0, "%s\n%s", title, text); }

void party_add(kxset *party, kxset *obj, std::set<const kxset *> &seen) {
  if (is_group(obj) && seen.insert(obj).second)
    each_member(obj, [&](kxset *m) { party_add(party, m, seen); });
  if (!kxobj_obj(party, obj->getname())) party->append(KxAtom::null(), obj);
}

// The compilation's shared tables.
struct Tables {
  KxSetRef lists{kxset::make()};
  KxSetRef services{kxset::make()};
  KxSetRef addresses{kxset::make()};
  KxSetRef party{kxset::make()};
  KxSetRef exports{kxset::make()};
};

} // namespace

void (*kx_show_text)(const char *title, const char *text) = show_text_default;

rule_array rules_of(const rule_list &rules) {
  rule_array out;
  out.reserve(rules.size());
  for (const KxSetRef &r : rules) out.push_back(r.get());
  return out;
}

int make_party(kxset *party, const kxset *rule, int n) {
  kxset *src = rule ? rule->get(KxAtom("src")) : nullptr;
  if (!src || !party) return -1;
  std::string_view p = text(rule_action_obj(rule), "party");
  if (p.empty() || (p[0] != 't' && p[0] != 'T')) return 0;
  std::set<const kxset *> seen;
  each_member(src, [&](kxset *m) { party_add(party, m, seen); });
  party->set(KxAtom(kxu::format("rule_%d", n)), src);
  return 0;
}

void gen_kxset(std::string &dst, const kxset *export_set) {
  if (!export_set || export_set->getnattr() == 0) return;
  dst += "\n// Auth Rules Database\n";
  dst += "\nexport {\n";
  sio_swrite(dst, export_set, kx_objects);
  dst += "}.set;\n";
}

std::optional<std::string> gen_rulebase(const rule_array &rules, std::string *party_out,
                                        const char *rulebase) {
  CompileRun run;
  CompileRunScope in_run(run);
  if (std::optional<std::string> warnings = gen_check(rules, 0)) {
    kx_show_text("Filter Verify Warnings:", warnings->c_str());
    return std::nullopt;
  }
  TargetCache cache;
  Tables t;
  t.exports->set(KxAtom("auth"), gen_authrulebase(rules));
  t.exports->set(KxAtom("party"), t.party.get());

  std::string access;
  if (!gen_all_accesslists(access, t.lists.get(), t.addresses.get())) return std::nullopt;

  std::vector<std::string> texts(rules.size());
  int failures = 0;
  for (size_t i = 0; i < rules.size(); ++i) {
    int n = static_cast<int>(i + 1);
    const kxset *rule = rules[i];
    bool ok = is_authrule(rule)
                  ? gen_authrule(texts[i], rule, t.lists.get(), t.services.get(), t.addresses.get(), n)
                  : gen_rule(texts[i], rule, t.lists.get(), t.services.get(), t.addresses.get(), n);
    if (!ok) {
      error(0, 0, "Failed to generate rule %d", n);
      ++failures;
    }
    if (make_party(t.party.get(), rule, n) < 0) {
      error(0, 0, "Failed to generate rule %d", n);
      ++failures;
    }
  }
  if (failures) return std::nullopt;
  if (party_out) {
    party_out->clear();
    sio_swrite(*party_out, t.party.get(), kx_objects);
  }

  std::string header = "// ";
  gen_filter_label(header, rulebase ? rulebase : file_getname());
  header += "// ";
  gen_filter_version(header);
  gen_kxset(header, t.exports.get());
  gen_prologue1(header);

  std::string section;
  if (!gen_prologue(section, t.services.get())) return std::nullopt;
  kxset *props = props_set();
  if (props && props->get(KxAtom("default_track")))
    gen_alerts(resolve_named(props->get(KxAtom("default_track")), kx_trackobj));
  gen_alertdefs(section);
  if (!gen_definitions(section, t.addresses.get(), "ADDR")) return std::nullopt;
  gen_listdefs(section, t.lists.get());
  section += access;
  section += "\n// Default Properties Code\n//\n";
  gen_properties(section, "first");

  std::string epilogue, before_last;
  gen_epilogue(epilogue);
  gen_properties(before_last, "before last");
  gen_logdefs(header);

  size_t size = header.size() + section.size() + before_last.size() + epilogue.size() + 1;
  for (const std::string &s : texts) size += s.size() + 1;
  std::string script;
  try {
    script.reserve(size);
  } catch (const std::bad_alloc &) {
    errno = ENOMEM;
    error(0, -1, "Filter Memory Allocation Failed (%zu bytes)", size);
    return std::nullopt;
  }
  script += header;
  script += section;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i + 1 == texts.size()) script += before_last;
    script += texts[i];
  }
  if (texts.empty()) script += before_last;
  script += epilogue;
  return script;
}

std::optional<std::string> dump_rulebase(const rule_array &rules, std::string *party_out) {
  return gen_rulebase(rules, party_out);
}

std::optional<std::string> check_rulebase(const rule_array &rules) {
  CompileRun run;
  CompileRunScope in_run(run);
  return gen_check(rules, 1);
}

std::optional<std::string> check_routers_rulebase(const rule_array &rules) {
  CompileRun run;
  CompileRunScope in_run(run);
  return gen_check(rules, -1);
}
