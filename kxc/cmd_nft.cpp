// kxc nft SCRIPT.pf [--module NAME|ADDRESS]...: the nftables ruleset a Linux
// module loads for a filter script (written by kxc compile), on standard
// output. The module is the object NAME of the script, or the objects whose
// address is ADDRESS; without --module only the statements installed on
// every module apply. A construct the module cannot enforce is refused
// with the rule that holds it (exit 1). --no-maps tests every rule in turn
// instead of grouping rules into maps, --no-first-hit keeps the lowest place
// found in every run of maps (both for comparisons).
#include "kxc/command.h"

#include "kxnft/compile.h"

#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <sstream>

KXC_COMMAND(nft, "nft SCRIPT.pf [--module NAME|ADDRESS]... [--no-maps] [--no-first-hit]",
            "the nftables ruleset of a filter script for one Linux module") {
  std::string path;
  std::vector<std::string> modules;
  kxnft::Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--module" && i + 1 < args.size())
      modules.push_back(args[++i]);
    else if (args[i] == "--no-maps")
      options.maps = false;
    else if (args[i] == "--no-first-hit")
      options.first_hit = false;
    else if (path.empty() && !args[i].starts_with("-"))
      path = args[i];
    else
      return kxc::usage_error("nft SCRIPT.pf [--module NAME|ADDRESS]... [--no-maps] [--no-first-hit]");
  }
  if (path.empty()) return kxc::usage_error("nft SCRIPT.pf [--module NAME|ADDRESS]... [--no-maps] [--no-first-hit]");
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "kxc: cannot open '%s'\n", path.c_str());
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  kxnft::Script script = kxnft::parse_script(text.str());
  kxnft::Identity self;
  for (const auto &m : modules) {
    in_addr a{};
    std::vector<uint32_t> addrs;
    if (inet_pton(AF_INET, m.c_str(), &a) == 1) addrs.push_back(a.s_addr);
    auto id = kxnft::identity_for(script, m, addrs);
    self.names.insert(id.names.begin(), id.names.end());
  }
  kxnft::Result r = kxnft::compile_ruleset(script, self, options);
  if (!r.ok) {
    std::fprintf(stderr, "kxc: %s: %s\n", path.c_str(), r.error.c_str());
    return 1;
  }
  std::fwrite(r.ruleset.data(), 1, r.ruleset.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
