// Rule base files (the second part of a policy input, see policy_input.h)
// through the rule base reader. A rule base that is read writes out, and
// what it writes reads back and writes the same text again.
#include "fuzz/policy_input.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::string written(const rule_list &rules) {
  char *buf = nullptr;
  size_t len = 0;
  FILE *f = open_memstream(&buf, &len);
  if (!f) std::abort();
  int rc = rule_write("policy.W", f, rules);
  std::fclose(f);
  std::string text(buf, len);
  std::free(buf);
  if (rc != 0) std::abort();
  return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::optional<rule_list> rules = kxfuzz::installation().load(data, size);
  if (!rules) return 0;
  std::string text = written(*rules);
  FILE *f = fmemopen(text.data(), text.size(), "r");
  if (!f) return 0; // an empty text: nothing to read back
  std::optional<rule_list> again = rule_read("policy.W", f);
  std::fclose(f);
  if (!again || written(*again) != text) std::abort();
  return 0;
}
