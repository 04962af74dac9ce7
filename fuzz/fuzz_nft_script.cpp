// Arbitrary text as a filter script for the module's filter compiler: a
// ruleset it writes has balanced braces and only plain words in quotes. The
// reader tells a listener of every statement it keeps and of each list
// definition.
#include "kxnft/compile.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace {
struct Counter : kxnft::ScriptListener {
  size_t statements = 0, lists = 0;
  void list(const kxnft::Script &, const kxnft::List &l, std::string_view, bool) override {
    lists += !l.name.empty();
  }
  void statement(const kxnft::Statement &, bool) override { ++statements; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 1 << 16)
    return 0;
  std::string text(reinterpret_cast<const char *>(data), size);
  Counter told;
  kxnft::Script script = kxnft::parse_script(text, &told);
  if (told.statements != script.statements.size() || told.lists < script.lists.size())
    abort();
  kxnft::Result r = kxnft::compile_ruleset(script, kxnft::Identity{{"gw", "ns"}});
  if (!r.ok)
    return r.error.empty() ? (abort(), 0) : 0;
  int depth = 0;
  bool quoted = false;
  for (char c : r.ruleset) {
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (quoted) {
      if (!isalnum(static_cast<unsigned char>(c)) && c != ' ' && c != '_' && c != '-' && c != '.')
        abort();
      continue;
    }
    depth += c == '{' ? 1 : c == '}' ? -1 : 0;
    if (depth < 0)
      abort();
  }
  if (quoted || depth != 0)
    abort();
  return 0;
}
