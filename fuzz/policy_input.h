// Policy inputs for the fuzz targets of the compiler, the router generators
// and the rule base reader. One input is an installation's files separated
// by lines "%%":
//   conf/objects.C %% a rule base %% lib/setup.C %% conf/wellfleet.C
// Missing parts are empty files, except the set-up, which then is a small
// fixed one. The files go to a scratch installation made once per process;
// names resolve through the objects only (no name service queries).
#pragma once

#include "fuzz/quiet.h"
#include "kxu/kxdir.h"
#include "kxui/compiler/addr.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/rule.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kxfuzz {

inline const char kDefaultSetup[] = R"((setup
	:actobj ( : (accept :action (accept)) : (drop :action (drop)) : (reject :action (reject)) )
	:trackobj ( : (short :macro (LOG)) : (long :macro (LOG)) : (alert :macro (ALERT)) )
	:targobj ( : (Src) : (Dst) : (Gateways) : (Routers) )
	:kxobj ( : (Any) )
))";

// The parts of an input, split at lines "%%".
inline std::vector<std::string_view> policy_parts(const uint8_t *data, size_t size) {
  std::string_view in(reinterpret_cast<const char *>(data), size);
  std::vector<std::string_view> parts;
  for (;;) {
    size_t at = in.find("\n%%\n");
    if (at == std::string_view::npos) break;
    parts.push_back(in.substr(0, at + 1));
    in.remove_prefix(at + 4);
  }
  parts.push_back(in);
  return parts;
}

class PolicyInstallation {
public:
  PolicyInstallation() {
    silence_reports();
    char tmpl[] = "/tmp/kxfuzz.XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    dir_ = tmpl;
    for (const char *sub : {"/conf", "/lib", "/tmp"})
      if (mkdir((dir_ + sub).c_str(), 0700) != 0) std::abort();
    kxdir = dir_;
    kxcomp::set_symbol_lookup([](const char *, const char *, uint32_t *) { return false; });
  }
  ~PolicyInstallation() {
    for (const char *name : kFiles) unlink((dir_ + name).c_str());
    for (const char *sub : {"/conf", "/lib", "/tmp", ""}) rmdir((dir_ + sub).c_str());
  }
  PolicyInstallation(const PolicyInstallation &) = delete;
  PolicyInstallation &operator=(const PolicyInstallation &) = delete;

  // Writes the files of `data`, loads the objects database and reads the
  // rule base; nothing when the rule base is refused.
  std::optional<rule_list> load(const uint8_t *data, size_t size) {
    std::vector<std::string_view> parts = policy_parts(data, size);
    auto part = [&](size_t i) { return i < parts.size() ? parts[i] : std::string_view(); };
    write("/conf/objects.C", part(0));
    write("/lib/setup.C", parts.size() > 2 ? part(2) : std::string_view(kDefaultSetup));
    write("/conf/wellfleet.C", part(3));
    write("/conf/auth.C", "(auth)\n");
    write("/conf/policy.W", part(1));
    load_objects(nullptr);
    FILE *f = std::fopen((dir_ + "/conf/policy.W").c_str(), "r");
    if (!f) std::abort();
    std::optional<rule_list> rules = rule_read("policy.W", f);
    std::fclose(f);
    return rules;
  }

private:
  static constexpr const char *kFiles[] = {"/conf/objects.C", "/lib/setup.C", "/conf/wellfleet.C",
                                           "/conf/auth.C", "/conf/policy.W"};

  void write(const char *name, std::string_view text) {
    FILE *f = std::fopen((dir_ + name).c_str(), "w");
    if (!f) std::abort();
    if (std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
    std::fclose(f);
  }

  std::string dir_;
};

inline PolicyInstallation &installation() {
  static PolicyInstallation inst;
  return inst;
}

} // namespace kxfuzz
