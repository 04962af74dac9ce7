// The import at scale: a hosts file of 100,000 lines read, sorted against a
// database of 100,000 objects (a quarter of the entries clash by name, a
// quarter by address), and applied as one edit and undone.
#include "gen_objects.h"

#include "kxu/quiet_report.h"
#include "kxu/report.h"
#include "kxui/editor/edits.h"
#include "kxui/import/import.h"
#include "kxui/obj/kxobj.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using Quiet = kxu::QuietFrontEnd; // reports go nowhere while timing

struct Site {
  KxSetRef db{kxbench::gen_objects()};
  kxset *netobj = db->get("netobj");
  std::string hosts;
  Site() {
    std::vector<kxset *> nodes;
    for (int i = 0, n = netobj->getnattr(); i < n; ++i)
      if (kxset *o = netobj->get(i); is_node(o)) nodes.push_back(o);
    for (int i = 0; i < kxbench::kObjects; ++i) {
      const kxset *o = nodes[static_cast<size_t>(i) % nodes.size()];
      const std::string fresh = "10." + std::to_string(200 + i / 65536) + "." + std::to_string(i / 256 % 256) +
                                "." + std::to_string(i % 256);
      switch (i % 4) {
      case 0: hosts += fresh + " " + o->getname() + "\n"; break;                                  // same name
      case 1: hosts += std::string(kxobj_get(o, "ipaddr")) + " imp" + std::to_string(i) + "\n"; break; // same address
      default: hosts += fresh + " new" + std::to_string(i) + " alias" + std::to_string(i) + "\n";
      }
    }
  }
};

Site &site() {
  static Site *s = new Site;
  return *s;
}

void BM_ImportReadHosts(benchmark::State &state) {
  const std::string &text = site().hosts;
  for (auto _ : state) {
    ImportRead r;
    import_parse_hosts(text, "hosts", r);
    benchmark::DoNotOptimize(r.entries.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ImportReadHosts)->Unit(benchmark::kMillisecond);

void BM_ImportPlan(benchmark::State &state) {
  ImportRead r;
  import_parse_hosts(site().hosts, "hosts", r);
  for (auto _ : state) {
    ImportPlan plan = import_plan(r, site().netobj);
    benchmark::DoNotOptimize(plan.items.data());
  }
}
BENCHMARK(BM_ImportPlan)->Unit(benchmark::kMillisecond);

// Adding the new half and replacing the clashes by name, then undoing it.
void BM_ImportApplyAndUndo(benchmark::State &state) {
  Quiet quiet;
  kxu::ScopedFrontEnd front(&quiet);
  ImportRead r;
  import_parse_hosts(site().hosts, "hosts", r);
  ImportPlan plan = import_plan(r, site().netobj);
  for (ImportItem &i : plan.items)
    if (i.clash == ImportClash::name) i.choice = ImportChoice::replace;
  for (auto _ : state) {
    const ImportResult res = import_apply(plan, site().netobj, ImportSetup{});
    if (res.refused) state.SkipWithError(res.refused->c_str());
    kx_edits().undo();
  }
  kx_edits().clear();
}
BENCHMARK(BM_ImportApplyAndUndo)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
