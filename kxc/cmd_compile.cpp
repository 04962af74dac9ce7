// kxc compile FILE.W: the filter script of a rule base, compiled against the
// objects database of $KXDIR as the management program loads it, on
// standard output. Verification warnings and failures go to standard error
// and make the exit status 1.
//
// kxc verify FILE.W: the verification of "Verify ...": the warnings on
// standard output and exit status 1, or "Filter Verified".
#include "kxc/command.h"

#include "kxui/compiler/driver.h"
#include "kxu/kxdir.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/rule.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

void show_on_stderr(const char *title, const char *text) { std::fprintf(stderr, "%s\n%s", title, text); }

// Loads the objects and reads the rule base; nothing when it cannot be read
// (reported).
std::optional<rule_list> load(const std::string &path) {
  load_objects(nullptr);
  FILE *f = std::fopen(path.c_str(), "r");
  if (!f) {
    std::fprintf(stderr, "kxc: cannot open '%s': %s\n", path.c_str(), std::strerror(errno));
    return std::nullopt;
  }
  const char *base = std::strrchr(path.c_str(), '/');
  std::optional<rule_list> rules = rule_read(base ? base + 1 : path.c_str(), f);
  std::fclose(f);
  return rules;
}

} // namespace

KXC_COMMAND(compile, "compile FILE.W",
            "compile a rule base into a filter script (objects from $KXDIR)") {
  if (args.size() != 1 || args[0].starts_with("-")) return kxc::usage_error("compile FILE.W");
  std::optional<rule_list> rules = load(args[0]);
  if (!rules) return 1;
  kx_show_text = show_on_stderr;
  std::optional<std::string> script = gen_rulebase(rules_of(*rules), nullptr, args[0].c_str());
  if (!script) return 1;
  std::fwrite(script->data(), 1, script->size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

KXC_COMMAND(verify, "verify FILE.W", "verify a rule base as \"Verify ...\" does") {
  if (args.size() != 1 || args[0].starts_with("-")) return kxc::usage_error("verify FILE.W");
  std::optional<rule_list> rules = load(args[0]);
  if (!rules) return 1;
  if (std::optional<std::string> warnings = check_rulebase(rules_of(*rules))) {
    std::fputs(warnings->c_str(), stdout);
    return 1;
  }
  std::fputs("Filter Verified\n", stdout);
  return 0;
}
