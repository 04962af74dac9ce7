// kxc cisco / kxc wellfleet: the router filters of a rule base on standard
// output, for the routers named (default: every router of the vendor).
#include "kxc/command.h"

#include "kxu/report.h"
#include "kxui/kxcisco/cisco.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/file.h"
#include "kxui/rfile/rule.h"
#include "kxui/wellfleet/wellfleet.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

struct Policy {
  rule_list rules;
  KxSetRef routers; // null: every router
};

// Loads the objects database and the rule base, and looks the routers up.
std::optional<Policy> load_policy(const kxc::Args &args) {
  load_objects(nullptr);
  const std::string &path = args[0];
  FILE *f = std::fopen(path.c_str(), "r");
  if (!f) {
    error(0, -1, "Failed to open '%s'", path.c_str());
    return std::nullopt;
  }
  const char *slash = std::strrchr(path.c_str(), '/');
  std::optional<rule_list> rules = rule_read(slash ? slash + 1 : path.c_str(), f);
  std::fclose(f);
  if (!rules) return std::nullopt;
  file_setname(path.c_str());
  Policy p{std::move(*rules), {}};
  if (args.size() > 1) {
    p.routers = KxSetRef(kxobj_newlist());
    for (size_t i = 1; i < args.size(); ++i) {
      kxset *r = kxobj_obj(kx_netobj, args[i].c_str());
      if (!r) {
        error(0, 0, "cannot find object '%s'", args[i].c_str());
        return std::nullopt;
      }
      kxobj_append(p.routers.get(), r);
    }
  }
  return p;
}

int emit(const char *text) {
  if (!text) return 1;
  std::fputs(text, stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

KXC_COMMAND(cisco, "cisco FILE.W [ROUTER...]", "Cisco access lists of a rule base") {
  if (args.empty()) return kxc::usage_error("cisco FILE.W [ROUTER...]");
  std::optional<Policy> p = load_policy(args);
  if (!p) return 1;
  return emit(cisco_rulebase(p->rules, p->routers.get(), 1));
}

KXC_COMMAND(wellfleet, "wellfleet FILE.W [ROUTER...]", "Wellfleet filter of a rule base") {
  if (args.empty()) return kxc::usage_error("wellfleet FILE.W [ROUTER...]");
  std::optional<Policy> p = load_policy(args);
  if (!p) return 1;
  std::optional<std::string> text = wellfleet_rulebase(p->rules, p->routers.get());
  return emit(text ? text->c_str() : nullptr);
}
