#include "kxui/compiler/rule_gen.h"

#include "kxui/compiler/cellutil.h"
#include "kxui/compiler/expr.h"
#include "kxui/compiler/logtab.h"
#include "kxui/compiler/targets.h"
#include "kxu/report.h"

using namespace kxrb;

namespace {

// Longest alert key before the program gives up finding a free one.
constexpr size_t kMaxAlertKey = 200;

kxset *cell_of(const kxset *rule, const char *name) { return rule ? rule->get(KxAtom(name)) : nullptr; }

void put_sep(std::string &dst, bool sep) {
  if (sep) dst += GEN_SEP;
}

// "LOG_<KEY>" for an alert, entering the key into the log macro table; two
// alerts whose keys collide get the key followed by as many "_" as needed.
std::string alert_ref(std::string_view alert) {
  std::string key = upper_key(alert);
  std::string txt = alert_text(std::string(alert).c_str());
  kxset *tab = kx_logmacros();
  for (;;) {
    const kxset *have = tab->get(KxAtom(key));
    std::string_view t = name(have);
    if (!have || t.empty() || t == txt) break;
    key += '_';
    if (key.size() > kMaxAlertKey) error(1, 0, "internal error in gen_andlist:%s", key.c_str());
  }
  tab->set(KxAtom(key), kxset::make(KxAtom(txt)));
  return "LOG_" + key;
}

} // namespace

kxset *rule_action_obj(const kxset *rule) { return first(cell_of(rule, "action")); }

const char *ruleaction(const kxset *rule) {
  const kxset *a = rule_action_obj(rule);
  return a ? a->getname() : "";
}

int is_authrule(const kxset *rule) { return ieq(ruleaction(rule), "User Auth"); }

bool gen_action(std::string &dst, const kxset *action_cell, bool *accept) {
  const kxset *act = first(action_cell);
  if (!act || name(act).empty()) return false;
  std::string word;
  if (const kxset *v = act->get(KxAtom("action")))
    word = name(v).empty() ? "drop" : std::string(name(v));
  else
    word = name(act);
  if (accept) *accept = word == "accept";
  dst += script_name(word);
  dst += '\t';
  return true;
}

bool gen_action_action(std::string &dst, const kxset *action_cell, bool sep, int n) {
  const kxset *act = first(action_cell);
  bool wrote = false;
  std::string_view macro = text(act, "macro");
  if (!macro.empty()) {
    put_sep(dst, sep);
    dst += macro;
    dst += kxu::format("(%d)", n);
    wrote = sep = true;
  }
  std::string_view trap = text(act, "trap");
  if (!trap.empty()) {
    put_sep(dst, sep);
    dst += "TRAP(" + script_name(trap) + kxu::format(",%d)", n);
    wrote = true;
  }
  return wrote;
}

bool gen_andlist(std::string &dst, const kxset *track_cell, bool sep, int n) {
  bool wrote = false;
  each_member(track_cell, [&](kxset *raw) {
    const kxset *e = raw;
    if (name(e).empty()) return;
    if (!wrote) put_sep(dst, sep);
    else dst += ", ";
    std::string_view macro = text(e, "macro");
    std::string_view alert = text(e, "alert");
    std::string_view format = text(e, "format");
    dst += macro.empty() ? std::string_view("LOG") : macro;
    dst += '(';
    dst += script_name(format.empty() ? name(e) : format);
    dst += ',';
    dst += alert.empty() ? std::string("LOG_NOALERT") : alert_ref(alert);
    dst += kxu::format(",%d)", n);
    wrote = true;
  });
  return wrote;
}

bool gen_rule(std::string &dst, const kxset *rule, kxset *lists, kxset *services,
              kxset *addresses, int n) {
  size_t start = dst.size();
  if (!gen_scope(dst, rule, lists, addresses)) return true; // no firewall target
  bool accept = false;
  if (!gen_action(dst, cell_of(rule, "action"), &accept)) {
    dst.resize(start);
    return false;
  }
  size_t after_action = dst.size();
  gen_rule_services(dst, cell_of(rule, "services"), services);
  if (!gen_netobj(dst, "ip_src", cell_of(rule, "src"), lists, addresses,
                   dst.size() != after_action, accept, true, nullptr) ||
      !gen_netobj(dst, "ip_dst", cell_of(rule, "dst"), lists, addresses,
                   dst.size() != after_action, accept, true, nullptr)) {
    dst.resize(start);
    return false;
  }
  gen_action_action(dst, cell_of(rule, "action"), dst.size() != after_action, n);
  gen_andlist(dst, cell_of(rule, "track"), dst.size() != after_action, n);
  dst += ";\n";
  return true;
}
