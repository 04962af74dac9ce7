// Loading and saving an objects database of 100,000 objects, as start-up and
// "Save Objects" do: the whole load (all files, merged view, table globals),
// a save after a change (group ordering, writing ".new", the byte
// comparison, ".bak" and rename), and a save without change.
#include "gen_objects.h"

#include "kxset/sio.h"
#include "kxu/kxdir.h"
#include "kxu/quiet_report.h"
#include "kxu/report.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Quiet = kxu::QuietFrontEnd; // reports go nowhere while timing

void write_text(const std::string &path, const char *text) {
  FILE *f = std::fopen(path.c_str(), "w");
  if (!f || std::fputs(text, f) < 0 || std::fclose(f) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// A scratch installation holding the generated database; removed at exit.
struct Installation {
  Installation() {
    dir = (std::filesystem::temp_directory_path() / "kxbench_objects.XXXXXX").string();
    if (!mkdtemp(dir.data())) std::exit(1);
    std::filesystem::create_directories(dir + "/conf");
    std::filesystem::create_directories(dir + "/lib");
    write_text(dir + "/lib/setup.C", "(setup :actobj ( : (accept :action (accept))))\n");
    write_text(dir + "/conf/auth.C", "(auth :auth-domain ())\n");
    write_text(dir + "/conf/wellfleet.C", "(wellfleet :fields ())\n");
    KxSetRef db(kxbench::gen_objects());
    FILE *f = std::fopen((dir + "/conf/objects.C").c_str(), "w");
    if (!f || sio_write(f, db.get()) != 0 || std::fclose(f) != 0) std::exit(1);
    kxdir = dir;
    unsetenv("KX_OBJECTS");
  }
  ~Installation() {
    destruct_objects();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string dir;
};

Installation &installation() {
  static Installation inst;
  return inst;
}

Quiet quiet;
kxu::ScopedFrontEnd front_end(&quiet);

void BM_LoadObjects(benchmark::State &state) {
  installation();
  for (auto _ : state) {
    if (load_objects(nullptr) != 0) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(kx_netobj);
  }
  state.counters["objects"] = kxobj_nmember(kx_netobj) + kxobj_nmember(kx_services);
}
BENCHMARK(BM_LoadObjects)->Unit(benchmark::kMillisecond);

void BM_SaveObjectsChanged(benchmark::State &state) {
  installation();
  load_objects(nullptr);
  kxset *host = kxobj_ithmember(kx_netobj, 0);
  long n = 0;
  for (auto _ : state) {
    kxobj_put(host, "comments", ("edit " + std::to_string(++n)).c_str());
    if (save_objects(nullptr) != 0) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_SaveObjectsChanged)->Unit(benchmark::kMillisecond);

void BM_SaveObjectsUnchanged(benchmark::State &state) {
  installation();
  load_objects(nullptr);
  save_objects(nullptr);
  for (auto _ : state)
    if (save_objects(nullptr) != 0) state.SkipWithError("save failed");
}
BENCHMARK(BM_SaveObjectsUnchanged)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
