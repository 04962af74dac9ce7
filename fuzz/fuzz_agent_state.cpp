// Arbitrary state files to the agent stand-in's parser: it never fails, keeps
// the seven module variables and at most its number of filter rows.
#include <cstdint>
#include <string>

#include "kxagent/agent_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const KxAgentTable t = kx_agent_parse(std::string(reinterpret_cast<const char *>(data), size));
  if (t.size() < 11 || t.size() > 11 + 2 * kx_agent_rows_max) __builtin_trap();
  for (const auto &[oid, v] : t)
    if (v.text.size() > kx_agent_line_max) __builtin_trap();
  return 0;
}
