#include "kxui/analysis/trace.h"

#include "kxui/analysis/json.h"
#include "kxui/compiler/addr.h"
#include "kxui/compiler/cellutil.h"

namespace kxan {

bool TraceResult::accepted() const {
  if (!decided) return false;
  return !kxrb::ieq(decided->action, "drop") && !kxrb::ieq(decided->action, "reject");
}

long first_match(const Policy &policy, const Packet &p) {
  for (size_t i = 0; i < policy.rules.size(); ++i)
    if (!policy.rules[i].miss(p.src, p.dst, p.svc)) return static_cast<long>(i);
  return -1;
}

TraceResult trace(const Policy &policy, const Packet &p) {
  TraceResult t;
  for (const RuleModel &r : policy.rules) {
    std::optional<Cell> miss = r.miss(p.src, p.dst, p.svc);
    if (!t.decided) {
      if (miss) t.earlier.push_back({&r, *miss});
      else t.decided = &r;
    } else if (!miss) {
      t.shadowed.push_back(&r);
    }
  }
  return t;
}

std::string rule_label(const RuleModel &r) {
  return r.implied.empty() ? "rule " + std::to_string(r.number) : "implied rule " + r.implied;
}

namespace {

std::string why(const RuleModel &r, Cell c) {
  if (!r.note.empty()) return r.note;
  std::string s = cell_name(c);
  if (c == Cell::install) return "not installed on this target";
  s += " does not match";
  if ((c == Cell::src && r.src_domains) || (c == Cell::dst && r.dst_domains))
    s += " (domains in the cell are not matched by address)";
  return s;
}

std::string packet_text(const Packet &p) {
  std::string s = iptoa(p.src) + " -> " + iptoa(p.dst) + " " + service_text(p.svc);
  if (p.service.find('/') == std::string::npos) s += " (" + p.service + ")";
  if (p.sport >= 0) s += " from port " + std::to_string(p.sport);
  if (!p.time.empty()) s += " at " + p.time;
  return s;
}

} // namespace

std::string trace_text(const Policy &policy, const Packet &p, const TraceResult &t) {
  std::string out = "target " + policy.target.name + (policy.target.router ? " (router)" : " (firewall)") +
                    "\npacket " + packet_text(p) + "\n";
  for (const TraceStep &s : t.earlier) out += rule_label(*s.rule) + ": " + why(*s.rule, s.miss) + "\n";
  if (t.decided) {
    const RuleModel &r = *t.decided;
    out += rule_label(r) + " decides: " + r.action;
    if (!r.track.empty()) out += ", track " + r.track;
    if (!r.direction.empty()) out += " (" + r.direction + ")";
    out += "\n";
  } else {
    out += "no rule matches: drop\n";
  }
  if (!t.shadowed.empty()) {
    out += "also matching, shadowed for this connection:";
    for (const RuleModel *r : t.shadowed) out += " " + rule_label(*r);
    out += "\n";
  }
  return out;
}

std::string trace_json(const Policy &policy, const Packet &p, const TraceResult &t) {
  auto rule_ref = [](const RuleModel &r) {
    return r.implied.empty() ? "{\"rule\": " + std::to_string(r.number)
                             : "{\"implied\": " + json_quote(r.implied);
  };
  std::string out = "{\"target\": " + json_quote(policy.target.name) +
                    ", \"router\": " + (policy.target.router ? "true" : "false") +
                    ",\n \"packet\": {\"src\": " + json_quote(iptoa(p.src)) +
                    ", \"dst\": " + json_quote(iptoa(p.dst)) + ", \"service\": " + json_quote(p.service) +
                    ", \"key\": " + json_quote(service_text(p.svc));
  if (p.sport >= 0) out += ", \"sport\": " + std::to_string(p.sport);
  if (!p.time.empty()) out += ", \"time\": " + json_quote(p.time);
  out += "},\n \"earlier\": [";
  for (size_t i = 0; i < t.earlier.size(); ++i) {
    const TraceStep &s = t.earlier[i];
    out += (i ? ",\n   " : "\n   ") + rule_ref(*s.rule) + ", \"cell\": " + json_quote(cell_name(s.miss));
    if (!s.rule->note.empty()) out += ", \"note\": " + json_quote(s.rule->note);
    out += "}";
  }
  out += "],\n \"decision\": ";
  if (t.decided) {
    const RuleModel &r = *t.decided;
    out += rule_ref(r) + ", \"action\": " + json_quote(r.action) + ", \"track\": " + json_quote(r.track) +
           ", \"direction\": " + json_quote(r.direction) + "}";
  } else {
    out += "{\"rule\": null, \"action\": \"drop\", \"track\": \"\", \"direction\": \"\"}";
  }
  out += ",\n \"accepted\": " + std::string(t.accepted() ? "true" : "false") + ",\n \"shadowed\": [";
  for (size_t i = 0; i < t.shadowed.size(); ++i) out += (i ? ", " : "") + rule_ref(*t.shadowed[i]) + "}";
  out += "]}\n";
  return out;
}

} // namespace kxan
