// kxc status [--port N] [--address ADDR] [--timeout MS] [NODE...]: one status
// pass over the status nodes of the objects database ($KXDIR), or over the
// NODEs named, printed one line per node in object order:
//   gw: state: installed; name: Standard; date: "11Dec126  0:20:00"; accepted: 100; ...
#include "kxc/command.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/status/kxst.h"

namespace {

constexpr const char *usage = "status [--port N] [--address ADDR] [--timeout MS] [NODE...]";

struct LineView : KxStatusView {
  const kxset *netobj = nullptr;
  std::vector<std::string> only;
  std::map<int, std::string> lines;
  const kxset *network_objects() override { return netobj; }
  std::vector<std::string> main_selection() override { return only; }
  std::vector<std::string> selected_boxes() override { return {}; }
  bool shown() override { return true; }
  void clear() override {}
  void pass_started(const std::string &) override {}
  void show_box(int index, int, kxset *s) override {
    std::string line = std::string(s->getname()) + ":";
    bool first = true;
    for (const char *a : {"state", "name", "date", "accepted", "rejected", "logged"}) {
      const std::string v = kxobj_get(s, a);
      if (v.empty()) continue;
      line += std::string(first ? " " : "; ") + a + ": ";
      line += v.find_first_of(" \t;\"") == std::string::npos ? v : "\"" + v + "\"";
      first = false;
    }
    lines[index] = line;
  }
  void pass_done(const std::vector<std::string> &) override {}
};

bool number(const std::string &s, int lo, int hi, int &out) {
  char *end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

} // namespace

KXC_COMMAND(status, "status [--port N] [--address ADDR] [--timeout MS] [NODE...]",
            "ask the status nodes' SNMP agents and print one status set per node") {
  KxStatusOptions opt;
  LineView view;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--port" && has_value) {
      int port = 0;
      if (!number(args[++i], 1, 65535, port)) return kxc::usage_error(usage);
      opt.module_port = opt.router_port = port;
    } else if (a == "--address" && has_value) {
      opt.address = args[++i];
    } else if (a == "--timeout" && has_value) {
      if (!number(args[++i], 1, 600000, opt.timeout_ms)) return kxc::usage_error(usage);
    } else if (a.starts_with("-")) {
      return kxc::usage_error(usage);
    } else {
      view.only.push_back(a);
    }
  }
  const int failures = load_objects(nullptr);
  if (failures) {
    std::fprintf(stderr, "kxc status: the objects database failed to load\n");
    return 1;
  }
  view.netobj = kx_netobj;
  for (const std::string &n : view.only) {
    const kxset *obj = kxobj_obj(kx_netobj, n.c_str());
    if (!obj || !kxst_is_node(obj)) {
      std::fprintf(stderr, "kxc status: %s is not a status node\n", n.c_str());
      return 1;
    }
  }
  KxPollLoop loop;
  KxSnmpClient client(loop);
  KxStatusPasses passes(loop, client, view, opt);
  passes.kxst_array_show(true);
  // Every request ends by its answer or the library's time-out and retries.
  loop.run_until([&] { return !passes.busy(); },
                 std::chrono::milliseconds(opt.timeout_ms * (opt.retries + 1) + 10000));
  for (const auto &[index, line] : view.lines) std::printf("%s\n", line.c_str());
  return 0;
}
