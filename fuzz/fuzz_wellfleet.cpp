// An objects database, a rule base and the Wellfleet data file (see
// policy_input.h) through the Wellfleet filter generator.
#include "fuzz/policy_input.h"
#include "kxui/wellfleet/wellfleet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::optional<rule_list> rules = kxfuzz::installation().load(data, size);
  if (!rules) return 0;
  wellfleet_rulebase(*rules, nullptr);
  return 0;
}
