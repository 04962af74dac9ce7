// An objects database with its routers and a rule base (see policy_input.h)
// through the Cisco access list generator.
#include "fuzz/policy_input.h"
#include "kxui/kxcisco/cisco.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::optional<rule_list> rules = kxfuzz::installation().load(data, size);
  if (!rules) return 0;
  for (int install : {0, 1}) cisco_rulebase(*rules, nullptr, install);
  return 0;
}
