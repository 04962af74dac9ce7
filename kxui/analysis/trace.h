// Packet trace: which rule decides a connection on one target, why every
// earlier rule did not, and which later rules would have matched it too.
#pragma once

#include "kxui/analysis/model.h"
#include "kxui/analysis/packet.h"

#include <string>
#include <vector>

namespace kxan {

struct TraceStep {
  const RuleModel *rule;
  Cell miss; // the first cell that did not match
};

struct TraceResult {
  std::vector<TraceStep> earlier;          // every rule before the deciding one
  const RuleModel *decided = nullptr;      // null: no rule matched, the packet is dropped
  std::vector<const RuleModel *> shadowed; // later rules that match as well
  // The decision is to let the connection through.
  bool accepted() const;
};

TraceResult trace(const Policy &policy, const Packet &packet);
// The index into policy.rules of the deciding rule, or -1: the first step of
// trace without the report.
long first_match(const Policy &policy, const Packet &packet);

// "rule 12" or "implied rule accept_icmp".
std::string rule_label(const RuleModel &r);
std::string trace_text(const Policy &policy, const Packet &packet, const TraceResult &t);
std::string trace_json(const Policy &policy, const Packet &packet, const TraceResult &t);

} // namespace kxan
