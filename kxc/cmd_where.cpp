// kxc where NAME [FILE.W...] [--json]: every group and every rule cell that
// names the object or service NAME, directly or through groups. Without
// FILE.W the rule bases of the installation's conf directory are searched.
#include "kxc/command.h"

#include "kxu/kxdir.h"
#include "kxui/analysis/load.h"
#include "kxui/analysis/where.h"
#include "kxui/objfile/objects.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

KXC_COMMAND(where, "where NAME [FILE.W...] [--json]",
            "every group and rule that uses an object or service") {
  constexpr const char *kUsage = "where NAME [FILE.W...] [--json]";
  std::vector<std::string> words;
  bool json = false;
  for (const std::string &a : args) {
    if (a == "--json") json = true;
    else if (a.starts_with("-")) return kxc::usage_error(kUsage);
    else words.push_back(a);
  }
  if (words.empty()) return kxc::usage_error(kUsage);
  load_objects(nullptr);
  std::vector<std::string> files(words.begin() + 1, words.end());
  if (files.empty()) {
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(kxdir + "/conf", ec))
      if (e.path().extension() == ".W") files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
  }
  std::string err;
  std::vector<rule_list> keep;
  std::vector<kxan::NamedRulebase> rulebases;
  for (const std::string &f : files) {
    std::optional<rule_list> rules = kxan::read_rulebase(f, &err);
    if (!rules) {
      std::fprintf(stderr, "kxc where: %s\n", err.c_str());
      return 1;
    }
    rule_array ra;
    for (const KxSetRef &r : *rules) ra.push_back(r.get());
    keep.push_back(std::move(*rules));
    rulebases.emplace_back(f, std::move(ra));
  }
  std::optional<kxan::WhereUsed> w = kxan::where_used(words[0], rulebases, &err);
  if (!w) {
    std::fprintf(stderr, "kxc where: %s\n", err.c_str());
    return 1;
  }
  std::string out = json ? kxan::where_json(*w) : kxan::where_text(*w);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
