// Policy analysis on a generated installation (bench/analysis_bench.sh makes
// it and names it in KX_ANALYSIS_DIR): building the decision model of the
// rule base "conf/bench.W" on the gateway, tracing one packet in the built
// model, tracing 100,000 random packets, and the semantic diff against
// "conf/changed.W" (the same rule base with ten rules changed).
#include "kxu/kxdir.h"
#include "kxu/quiet_report.h"
#include "kxu/report.h"
#include "kxui/analysis/diff.h"
#include "kxui/analysis/load.h"
#include "kxui/analysis/trace.h"
#include "kxui/objfile/objects.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

using Quiet = kxu::QuietFrontEnd; // reports go nowhere while timing

struct Loaded {
  rule_list rules, changed;
  rule_array array, changed_array;
  std::vector<kxan::Target> targets;
};

Loaded &loaded() {
  static Loaded l = [] {
    Loaded x;
    const char *dir = std::getenv("KX_ANALYSIS_DIR");
    if (!dir) {
      // make bench runs every program: this one needs the script's policies.
      std::fprintf(stderr, "bench_analysis: KX_ANALYSIS_DIR is not set; run bench/analysis_bench.sh\n");
      std::exit(0);
    }
    static Quiet quiet;
    kxu::set_report_front_end(&quiet);
    kxdir = dir;
    if (load_objects(nullptr) != 0) std::exit(2);
    std::string err;
    std::optional<rule_list> r = kxan::read_rulebase(std::string(dir) + "/conf/bench.W", &err);
    std::optional<rule_list> c = kxan::read_rulebase(std::string(dir) + "/conf/changed.W", &err);
    if (!r || !c) {
      std::fprintf(stderr, "%s\n", err.c_str());
      std::exit(2);
    }
    x.rules = std::move(*r);
    x.changed = std::move(*c);
    for (const KxSetRef &s : x.rules) x.array.push_back(s.get());
    for (const KxSetRef &s : x.changed) x.changed_array.push_back(s.get());
    x.targets = kxan::install_targets(x.array);
    return x;
  }();
  return l;
}

const kxan::Target &gateway() {
  for (const kxan::Target &t : loaded().targets)
    if (!t.router) return t;
  return loaded().targets.front();
}

void BM_BuildModel(benchmark::State &state) {
  Loaded &l = loaded();
  for (auto _ : state) {
    kxan::PolicyBuilder b;
    benchmark::DoNotOptimize(b.build(l.array, gateway()).rules.size());
  }
  state.counters["rules"] = double(l.array.size());
}
BENCHMARK(BM_BuildModel)->Unit(benchmark::kMillisecond);

// Random packets: most aimed at the addresses and services the rules name.
std::vector<kxan::Packet> packets(const kxan::Policy &p, size_t n) {
  std::mt19937_64 rng(1);
  auto pick = [&](const kxan::IntervalSet &s, uint64_t any_max) -> uint64_t {
    if (s.ranges().empty() || rng() % 4 == 0) return rng() % (any_max + 1 == 0 ? UINT64_MAX : any_max + 1);
    const auto &r = s.ranges()[rng() % s.ranges().size()];
    return r.first + (r.second - r.first == UINT64_MAX ? rng() : rng() % (r.second - r.first + 1));
  };
  std::vector<kxan::Packet> out(n);
  for (kxan::Packet &x : out) {
    const kxan::RuleModel &r = p.rules[rng() % p.rules.size()];
    x.src = uint32_t(pick(r.src, kxan::kAddrMax));
    x.dst = uint32_t(pick(r.dst, kxan::kAddrMax));
    x.svc = pick(r.svc, kxan::kServiceMax);
  }
  return out;
}

void BM_TraceOnePacket(benchmark::State &state) {
  kxan::PolicyBuilder b;
  const kxan::Policy p = b.build(loaded().array, gateway());
  const std::vector<kxan::Packet> ps = packets(p, 1024);
  size_t i = 0;
  for (auto _ : state) {
    kxan::TraceResult t = kxan::trace(p, ps[i++ % ps.size()]);
    benchmark::DoNotOptimize(t.decided);
  }
}
BENCHMARK(BM_TraceOnePacket)->Unit(benchmark::kMicrosecond);

void BM_Trace100kPackets(benchmark::State &state) {
  kxan::PolicyBuilder b;
  const kxan::Policy p = b.build(loaded().array, gateway());
  const std::vector<kxan::Packet> ps = packets(p, 100000);
  for (auto _ : state) {
    long accepted = 0;
    for (const kxan::Packet &x : ps) {
      const long k = kxan::first_match(p, x);
      accepted += k >= 0 && p.rules[size_t(k)].action == "accept";
    }
    benchmark::DoNotOptimize(accepted);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(ps.size()));
}
BENCHMARK(BM_Trace100kPackets)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DiffTenChangedRules(benchmark::State &state) {
  Loaded &l = loaded();
  for (auto _ : state) {
    kxan::ServiceKeys keys;
    kxan::SideModel a = kxan::model_side(l.array, l.targets, keys);
    kxan::SideModel c = kxan::model_side(l.changed_array, l.targets, keys);
    kxan::PolicyDiff d = kxan::diff_sides(a, c, l.targets);
    benchmark::DoNotOptimize(d.traffic.size());
  }
}
BENCHMARK(BM_DiffTenChangedRules)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
