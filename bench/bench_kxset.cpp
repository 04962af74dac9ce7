// Interning and set-building costs at the scale of a large objects database.
#include "kxset/kxpool.h"
#include "kxset/kxset.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Heap bytes in use, with the blocks of sets counted by use rather than
// their chunks by size.
size_t live_heap_bytes() { return mallinfo2().uordblks; }
size_t live_bytes() { return live_heap_bytes() - kxpool::chunk_bytes + kxpool::live_bytes; }

// 1,000,000 interning calls over 500,000 distinct names: every name is
// interned twice, the second time as a repeat.
void BM_InternMillionHalfRepeats(benchmark::State &state) {
  std::vector<std::string> names;
  names.reserve(1000000);
  for (int i = 0; i < 500000; ++i) names.push_back("host-" + std::to_string(static_cast<int64_t>(i) * 7919 % 1000003));
  for (int i = 0; i < 500000; ++i) names.push_back(names[static_cast<size_t>(i)]);
  for (auto _ : state) {
    std::vector<KxAtom> held;
    held.reserve(names.size());
    for (const std::string &n : names) held.emplace_back(n);
    benchmark::DoNotOptimize(held.data());
    state.PauseTiming();
    held.clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
}
BENCHMARK(BM_InternMillionHalfRepeats)->Unit(benchmark::kMillisecond);

// A table of 100,000 objects, each with 6 attributes (type, ipaddr, comments,
// color, and two flags), values as plain sets, as a reader would build them.
kxset *build_tree(int n) {
  kxset *table = kxset::make("network_objects");
  static const char *types[] = {"host", "gateway", "network", "group"};
  static const char *colors[] = {"red", "blue", "green", "black"};
  for (int i = 0; i < n; ++i) {
    kxset *obj = kxset::make("obj-" + std::to_string(i));
    obj->append("type", kxset::make(types[i % 4]));
    obj->append("ipaddr", kxset::make("10." + std::to_string(i >> 16 & 255) + "." + std::to_string(i >> 8 & 255) +
                                      "." + std::to_string(i & 255)));
    obj->append("comments", kxset::make("object number " + std::to_string(i)));
    obj->append("color", kxset::make(colors[i % 4]));
    obj->append("is_in_any", kxset::make("true"));
    obj->append("firewall", kxset::make("not-installed"));
    table->append(obj->getnamea(), obj);
  }
  return table;
}

void BM_BuildAndDestroyTree(benchmark::State &state) {
  const int n = 100000;
  size_t bytes_per_object = 0;
  for (auto _ : state) {
    // Pool chunks made in the first round are counted there as heap; later
    // rounds reuse them and count the blocks instead.
    size_t before = live_bytes();
    kxset *table = build_tree(n);
    kxset_save(table);
    size_t after = live_bytes();
    bytes_per_object = (after - before) / n;
    kxset_destroy(table);
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["bytes/object"] = static_cast<double>(bytes_per_object);
}
BENCHMARK(BM_BuildAndDestroyTree)->Unit(benchmark::kMillisecond);

// Name lookups in the 100,000-member table (the index path).
void BM_LookupInLargeTable(benchmark::State &state) {
  KxSetRef table(build_tree(100000));
  std::vector<KxAtom> keys;
  for (int i = 0; i < 100000; i += 7) keys.emplace_back("obj-" + std::to_string(i));
  for (auto _ : state)
    for (const KxAtom &k : keys) benchmark::DoNotOptimize(table->get(k));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}
BENCHMARK(BM_LookupInLargeTable)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
