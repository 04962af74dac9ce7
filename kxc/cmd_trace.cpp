// kxc trace FILE.W --src ADDR --dst ADDR --service NAME|PROTO/PORT
//   [--sport PORT] [--target GATEWAY|ROUTER] [--time ISO] [--json]:
// the rule that decides the connection on the target, why each earlier rule
// did not, and the later rules that would have matched. Exit 0 when the
// connection is accepted, 3 when it is dropped or rejected.
#include "kxc/command.h"

#include "kxui/analysis/load.h"
#include "kxui/analysis/trace.h"
#include "kxui/compiler/targets.h"
#include "kxui/objfile/objects.h"

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr const char *kUsage =
    "trace FILE.W --src ADDR --dst ADDR --service NAME|PROTO/PORT [--sport PORT] "
    "[--target GATEWAY|ROUTER] [--time ISO] [--json]";

int refuse(const std::string &why) {
  std::fprintf(stderr, "kxc trace: %s\n", why.c_str());
  return 1;
}

} // namespace

KXC_COMMAND(trace, "trace FILE.W --src ADDR --dst ADDR --service NAME|PROTO/PORT [...]",
            "the rule that decides a connection, and why the earlier ones do not") {
  std::string file;
  std::map<std::string, std::string> opt;
  bool json = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &a = args[i];
    if (a == "--json") {
      json = true;
    } else if (a == "--src" || a == "--dst" || a == "--service" || a == "--sport" || a == "--target" ||
               a == "--time") {
      if (i + 1 >= args.size() || opt.count(a)) return kxc::usage_error(kUsage);
      opt[a] = args[++i];
    } else if (a.starts_with("-") || !file.empty()) {
      return kxc::usage_error(kUsage);
    } else {
      file = a;
    }
  }
  if (file.empty() || !opt.count("--src") || !opt.count("--dst") || !opt.count("--service"))
    return kxc::usage_error(kUsage);

  load_objects(nullptr);
  std::string err;
  std::optional<rule_list> rules = kxan::read_rulebase(file, &err);
  if (!rules) return refuse(err);
  rule_array ra;
  for (const KxSetRef &r : *rules) ra.push_back(r.get());

  kxan::PolicyBuilder builder;
  kxan::Packet p;
  std::optional<uint32_t> src = kxan::parse_address(opt["--src"], &err);
  if (!src) return refuse(err);
  std::optional<uint32_t> dst = kxan::parse_address(opt["--dst"], &err);
  if (!dst) return refuse(err);
  std::optional<uint64_t> svc = kxan::parse_service(opt["--service"], builder.services(), &err);
  if (!svc) return refuse(err);
  p.src = *src, p.dst = *dst, p.svc = *svc, p.service = opt["--service"];
  if (opt.count("--sport")) {
    std::optional<long> sp = kxan::parse_port(opt["--sport"], &err);
    if (!sp) return refuse(err);
    p.sport = *sp;
  }
  if (opt.count("--time")) {
    if (!kxan::valid_iso_time(opt["--time"])) return refuse("malformed time '" + opt["--time"] + "'");
    p.time = opt["--time"];
  }
  std::optional<kxan::Target> target = kxan::choose_target(ra, opt["--target"], &err);
  if (!target) return refuse(err);

  kxan::Policy policy = builder.build(ra, *target);
  kxan::TraceResult t = kxan::trace(policy, p);
  std::string out = json ? kxan::trace_json(policy, p, t) : kxan::trace_text(policy, p, t);
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0) return 1;
  return t.accepted() ? 0 : 3;
}
