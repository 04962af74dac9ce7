// Loading and saving a rule base of 10,000 rules that name objects of a
// 100,000-object database. Saving includes writing the objects database
// first, as every rule base save does.
#include "kxu/kxdir.h"
#include "kxu/quiet_report.h"
#include "kxu/report.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/rule.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxui/rmgr/rmgr.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

constexpr int kObjects = 100000;
constexpr int kGroups = 1000;
constexpr int kServices = 1000;
constexpr int kRules = 10000;

using Quiet = kxu::QuietFrontEnd; // reports go nowhere while timing

std::string host(int i) { return "h" + std::to_string(i); }

void write_file(const std::string &path, const std::string &text) {
  FILE *f = std::fopen(path.c_str(), "w");
  if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// Hosts, then groups of ten earlier hosts; services; the editor's set-up.
void write_installation(const std::string &dir) {
  std::string t = "(objects\n\t:netobj (\n";
  const int hosts = kObjects - kGroups;
  for (int i = 0; i < hosts; ++i)
    t += "\t\t: (" + host(i) + "\n\t\t\t:type (host)\n\t\t\t:ipaddr (10." +
         std::to_string(i >> 16) + "." + std::to_string((i >> 8) & 255) + "." +
         std::to_string(i & 255) + ")\n\t\t\t:location (internal)\n\t\t)\n";
  for (int g = 0; g < kGroups; ++g) {
    t += "\t\t: (grp" + std::to_string(g) + "\n\t\t\t:type (group)\n";
    for (int m = 0; m < 10; ++m) t += "\t\t\t: " + host((g * 10 + m) % hosts) + "\n";
    t += "\t\t)\n";
  }
  t += "\t)\n\t:servobj (\n";
  for (int s = 0; s < kServices; ++s)
    t += "\t\t: (svc" + std::to_string(s) + "\n\t\t\t:type (tcp)\n\t\t\t:port (" +
         std::to_string(1000 + s) + ")\n\t\t)\n";
  t += "\t)\n)\n";
  write_file(dir + "/conf/objects.C", t);
  write_file(dir + "/conf/auth.C", "(auth\n)\n");
  write_file(dir + "/conf/wellfleet.C", "(wellfleet\n)\n");
  write_file(dir + "/lib/setup.C",
             "(setup\n\t:actobj (\n\t\t: (accept)\n\t\t: (drop)\n\t)\n"
             "\t:trackobj (\n\t\t: (Short)\n\t\t: (Long)\n\t)\n"
             "\t:targobj (\n\t\t: (Gateways)\n\t)\n\t:kxobj (\n\t\t: (Any)\n\t)\n)\n");
}

void write_rulebase(const std::string &path) {
  std::mt19937 rng(7);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto cell = [](const char *name, const std::string &items, bool negate) {
    return std::string("\t\t:") + name + " (\n" + (negate ? "\t\t\t:op (\"not in\")\n" : "") +
           items + "\t\t)\n";
  };
  std::string t = "(\n";
  for (int r = 0; r < kRules; ++r) {
    std::string src, dst, svc;
    for (int k = 0; k < 3; ++k) src += "\t\t\t: " + host(pick(kObjects - kGroups)) + "\n";
    dst = "\t\t\t: grp" + std::to_string(pick(kGroups)) + "\n\t\t\t: " +
          host(pick(kObjects - kGroups)) + "\n";
    for (int k = 0; k < 2; ++k) svc += "\t\t\t: svc" + std::to_string(pick(kServices)) + "\n";
    t += "\t:rule (\n" + cell("src", src, false) + cell("dst", dst, r % 7 == 0) +
         cell("services", svc, false) + cell("action", r % 2 ? "\t\t\t: accept\n" : "\t\t\t: drop\n", false) +
         cell("track", "\t\t\t: Long\n", false) + cell("install", "\t\t\t: Gateways\n", false) +
         "\t)\n";
  }
  t += ")\n";
  write_file(path, t);
}

struct Installation {
  std::string dir;
  std::string rules;
  Installation() {
    char tmpl[] = "/tmp/kxbench_rules.XXXXXX";
    if (!mkdtemp(tmpl)) std::exit(1);
    dir = tmpl;
    std::filesystem::create_directories(dir + "/conf");
    std::filesystem::create_directories(dir + "/lib");
    write_installation(dir);
    rules = dir + "/conf/bench.W";
    write_rulebase(rules);
    setenv("KXDIR", dir.c_str(), 1);
    kxdir = dir;
    if (load_objects(nullptr) != 0) std::exit(1);
  }
  ~Installation() { std::filesystem::remove_all(dir); }
};

Installation &installation() {
  static Installation inst;
  return inst;
}

void BM_LoadRuleBase(benchmark::State &state) {
  Quiet quiet;
  kxu::ScopedFrontEnd fe(&quiet);
  Installation &inst = installation();
  for (auto _ : state)
    if (file_load(inst.rules.c_str()) != 0) state.SkipWithError("load failed");
  state.counters["rules"] = rmgr_count();
}

void BM_SaveRuleBase(benchmark::State &state) {
  Quiet quiet;
  kxu::ScopedFrontEnd fe(&quiet);
  Installation &inst = installation();
  if (file_load(inst.rules.c_str()) != 0) state.SkipWithError("load failed");
  for (auto _ : state)
    if (file_save(nullptr) != 1) state.SkipWithError("save failed");
  state.counters["rules"] = rmgr_count();
}

// The share of a save that is the objects database.
void BM_SaveObjectsOnly(benchmark::State &state) {
  Quiet quiet;
  kxu::ScopedFrontEnd fe(&quiet);
  installation();
  for (auto _ : state)
    if (save_objects(nullptr) != 0) state.SkipWithError("save failed");
}

BENCHMARK(BM_LoadRuleBase)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SaveRuleBase)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SaveObjectsOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
