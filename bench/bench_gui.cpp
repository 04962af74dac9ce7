// The station's window on a large policy: 100,000 objects and 10,000 rules
// from ../shared/bench/gen_policy.py, drawn on Qt's offscreen platform.
// Measures start-up to the first painted rule table, scrolling a page,
// selecting all rules, moving half of them, and opening the network objects
// manager. Goals: first paint under 1 s, each interaction under 50 ms,
// memory under 300 MB (reported as max_rss_mb).
//
// KX_GUI_BENCH_DIR names a generated policy (objects.C, setup.C, bench.W);
// without it the generator runs once into a scratch directory.
#include "kxu/kxdir.h"
#include "kxui/editor/edits.h"
#include "kxui/gui/gui.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/gui/objmanager.h"
#include "kxui/objfile/objects.h"
#include "kxui/rmgr/file_cmds.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QScrollBar>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

std::string policy_dir;
std::unique_ptr<MainWindow> window;

double max_rss_mb() {
  struct rusage ru {};
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_maxrss) / 1024.0;
}

std::string prepare_policy() {
  if (const char *d = std::getenv("KX_GUI_BENCH_DIR"); d && *d) return d;
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / "kx_gui_bench";
  const fs::path gen = fs::path(KX_SOURCE_DIR) / "../shared/bench/gen_policy.py";
  if (!fs::exists(root / "conf" / "bench.W")) {
    fs::create_directories(root / "gen");
    const std::string cmd = "python3 '" + gen.string() + "' -o '" + (root / "gen").string() +
                            "' -H 90000 -N 9000 -G 500 -S 500 -R 10000 --allow-shadow --formats project "
                            "--seed 1 > /dev/null";
    if (std::system(cmd.c_str()) != 0) {
      std::fprintf(stderr, "bench_gui: the generator failed: %s\n", cmd.c_str());
      std::exit(1);
    }
    fs::create_directories(root / "conf");
    fs::create_directories(root / "lib");
    fs::copy_file(root / "gen/objects.C", root / "conf/objects.C", fs::copy_options::overwrite_existing);
    fs::copy_file(root / "gen/bench.W", root / "conf/bench.W", fs::copy_options::overwrite_existing);
    fs::copy_file(root / "gen/setup.C", root / "lib/setup.C", fs::copy_options::overwrite_existing);
    for (const char *f : {"conf/auth.C", "conf/wellfleet.C"})
      if (FILE *out = std::fopen((root / f).c_str(), "w")) {
        std::fputs("()\n", out);
        std::fclose(out);
      }
  }
  return root.string();
}

// Start-up to the first painted rule table: objects, rule base, window.
void open_station() {
  window.reset();
  kx_edits().clear();
  file_close();
  load_objects(nullptr);
  window = std::make_unique<MainWindow>();
  window->load(QString::fromStdString(policy_dir + "/conf/bench.W"));
  window->show();
  window->grab(); // paints the window
  QApplication::processEvents();
}

void BM_FirstPaint(benchmark::State &state) {
  for (auto _ : state) open_station();
  state.counters["rules"] = rmgr_count();
  state.counters["objects"] = kx_netobj ? kx_netobj->getnattr() : 0;
  state.counters["max_rss_mb"] = max_rss_mb();
}

void BM_ScrollPage(benchmark::State &state) {
  if (!window) open_station();
  QScrollBar *bar = window->table()->verticalScrollBar();
  for (auto _ : state) {
    if (bar->value() >= bar->maximum()) bar->setValue(0);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    window->table()->viewport()->grab();
  }
  state.counters["max_rss_mb"] = max_rss_mb();
}

void BM_SelectAll(benchmark::State &state) {
  if (!window) open_station();
  for (auto _ : state) {
    window->table()->clearSelection();
    window->table()->selectAll();
    window->table()->viewport()->grab();
  }
}

// Half of the rules (every other one) move down by one place, as one edit.
void BM_MoveSelection(benchmark::State &state) {
  if (!window) open_station();
  RuleTable *t = window->table();
  for (auto _ : state) {
    state.PauseTiming();
    QItemSelection sel;
    for (int r = 0; r + 1 < rmgr_count(); r += 2)
      sel.select(window->model()->index(r, 0), window->model()->index(r, RuleModel::ncolumns - 1));
    t->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
    state.ResumeTiming();
    window->move_selection(1);
    t->viewport()->grab();
    state.PauseTiming();
    window->undo();
    state.ResumeTiming();
  }
  state.counters["max_rss_mb"] = max_rss_mb();
}

void BM_OpenNetworkManager(benchmark::State &state) {
  if (!window) open_station();
  for (auto _ : state) {
    auto m = std::make_unique<ObjectManager>(ObjList::netobj, window.get());
    m->show();
    m->grab();
  }
  state.counters["max_rss_mb"] = max_rss_mb();
}

BENCHMARK(BM_FirstPaint)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveSelection)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_OpenNetworkManager)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  policy_dir = prepare_policy();
  kxdir = policy_dir;
  QApplication app(argc, argv);
  GuiUnattended quiet;
  gui_set_unattended(&quiet);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  window.reset();
  gui_set_unattended(nullptr);
  return 0;
}
