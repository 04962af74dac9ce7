// kxc diff OLD.W NEW.W [--objects OLD_OBJECTS.C] [--json]: the rules added,
// removed, moved and changed, then the traffic whose decision differs on each
// install target. Exit 0 when the two decide every connection alike, 1 when
// they differ or the input is refused.
#include "kxc/command.h"

#include "kxui/analysis/diff.h"
#include "kxui/analysis/load.h"
#include "kxui/objfile/objects.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr const char *kUsage = "diff OLD.W NEW.W [--objects OLD_OBJECTS.C] [--json]";

int refuse(const std::string &why) {
  std::fprintf(stderr, "kxc diff: %s\n", why.c_str());
  return 1;
}

// Loads the objects database (the installation's, or `file` instead of its
// objects file) and reads one rule base against it.
struct Loaded {
  rule_list rules;
  rule_array array;
};
std::optional<Loaded> load(const std::string &objects, const std::string &rulebase, std::string *err) {
  if (objects.empty()) unsetenv("KX_OBJECTS");
  else setenv("KX_OBJECTS", objects.c_str(), 1);
  int failed = load_objects(nullptr);
  unsetenv("KX_OBJECTS");
  if (failed) {
    *err = "cannot load the objects database" + (objects.empty() ? std::string() : " '" + objects + "'");
    return std::nullopt;
  }
  std::optional<rule_list> rules = kxan::read_rulebase(rulebase, err);
  if (!rules) return std::nullopt;
  Loaded l{std::move(*rules), {}};
  for (const KxSetRef &r : l.rules) l.array.push_back(r.get());
  if (std::optional<std::string> bad = kxan::unknown_names(l.array, rulebase)) {
    *err = *bad;
    return std::nullopt;
  }
  return l;
}

} // namespace

KXC_COMMAND(diff, "diff OLD.W NEW.W [--objects OLD_OBJECTS.C] [--json]",
            "rules changed between two rule bases, and the traffic decided differently") {
  std::vector<std::string> files;
  std::string old_objects;
  bool json = false, objects_given = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--objects") {
      if (i + 1 >= args.size() || objects_given) return kxc::usage_error(kUsage);
      objects_given = true;
      std::error_code ec;
      old_objects = std::filesystem::absolute(args[++i], ec).string();
      if (ec || args[i].empty()) return kxc::usage_error(kUsage);
    } else if (args[i].starts_with("-")) {
      return kxc::usage_error(kUsage);
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2) return kxc::usage_error(kUsage);

  std::string err;
  kxan::ServiceKeys keys;
  kxan::RangeNames names;
  kxan::SideModel old_side, new_side;
  std::vector<kxan::Target> targets;
  if (!objects_given) {
    std::optional<Loaded> o = load("", files[0], &err);
    if (!o) return refuse(err);
    std::optional<rule_list> nr = kxan::read_rulebase(files[1], &err);
    if (!nr) return refuse(err);
    rule_array na;
    for (const KxSetRef &r : *nr) na.push_back(r.get());
    if (std::optional<std::string> bad = kxan::unknown_names(na, files[1])) return refuse(*bad);
    targets = kxan::merge_targets(kxan::install_targets(o->array), kxan::install_targets(na));
    old_side = kxan::model_side(o->array, targets, keys);
    new_side = kxan::model_side(na, targets, keys);
    names.add_loaded(keys);
  } else {
    // The new side's targets first, then each side modelled on its own objects.
    std::vector<kxan::Target> new_targets;
    {
      std::optional<Loaded> n = load("", files[1], &err);
      if (!n) return refuse(err);
      new_targets = kxan::install_targets(n->array);
    }
    {
      std::optional<Loaded> o = load(old_objects, files[0], &err);
      if (!o) return refuse(err);
      targets = kxan::merge_targets(kxan::install_targets(o->array), new_targets);
      old_side = kxan::model_side(o->array, targets, keys);
    }
    std::optional<Loaded> n = load("", files[1], &err);
    if (!n) return refuse(err);
    new_side = kxan::model_side(n->array, targets, keys);
    names.add_loaded(keys);
  }
  kxan::PolicyDiff d = kxan::diff_sides(old_side, new_side, targets);
  std::string out = json ? kxan::diff_json(d, names) : kxan::diff_text(d, names);
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0) return 1;
  return d.equal_in_effect() ? 0 : 1;
}
