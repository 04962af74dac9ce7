// Throughput and size of the compressed set encoding on a synthetic objects
// database, beside zstd level 3 on the text of the same database. Speeds are
// decimal MB/s of set text, so the figures compare directly; freeing the
// decoded trees is not timed.
// Run: build/<dir>/bench/bench_encode --benchmark_counters_tabular=true
#include "gen_objects.h"

#include "kxset/kxencode.h"
#include "kxset/sio.h"

#include <benchmark/benchmark.h>
#include <zstd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Data {
  KxSetRef db;
  std::string text;
  std::vector<uint8_t> encoded;
  std::vector<char> zstd;

  Data() {
    db = kxbench::gen_objects();
    sio_swrite(text, db.get());
    size_t len = 0;
    auto buf = EncodeKxset(db.get(), len);
    if (!buf) std::abort();
    encoded.assign(buf.get(), buf.get() + len);
    zstd.resize(ZSTD_compressBound(text.size()));
    size_t z = ZSTD_compress(zstd.data(), zstd.size(), text.data(), text.size(), 3);
    if (ZSTD_isError(z)) std::abort();
    zstd.resize(z);
    std::fprintf(stderr, "objects database: %zu bytes of set text, %zu bytes encoded, %zu bytes zstd-3\n",
                 text.size(), encoded.size(), zstd.size());
  }
};

const Data &data() {
  static Data d;
  return d;
}

double thread_cpu() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Runs `body` once per iteration, timing it only, and reports MB/s of text
// by the thread's CPU time (steady on a shared machine) and by wall time.
template <typename Body> void timed(benchmark::State &state, Body body) {
  const Data &d = data();
  double wall = 0, cpu = 0;
  for (auto _ : state) {
    Clock::time_point t0 = Clock::now();
    double c0 = thread_cpu();
    auto keep = body();
    cpu += thread_cpu() - c0;
    wall += std::chrono::duration<double>(Clock::now() - t0).count();
    benchmark::DoNotOptimize(keep);
  }
  double mb = static_cast<double>(d.text.size()) * static_cast<double>(state.iterations()) / 1e6;
  state.counters["MB/s"] = mb / cpu;
  state.counters["MB/s_wall"] = mb / wall;
  state.counters["text_bytes"] = static_cast<double>(d.text.size());
}

void BM_EncodeKxset(benchmark::State &state) {
  const Data &d = data();
  timed(state, [&] {
    size_t len = 0;
    auto buf = EncodeKxset(d.db.get(), len);
    if (!buf) std::abort();
    return buf;
  });
  state.counters["out_bytes"] = static_cast<double>(d.encoded.size());
  state.counters["ratio"] = static_cast<double>(d.encoded.size()) / static_cast<double>(d.text.size());
}

void BM_DecodeKxset(benchmark::State &state) {
  const Data &d = data();
  timed(state, [&] {
    KxSetRef s(DecodeKxset(d.encoded.data(), d.encoded.size()));
    if (!s) std::abort();
    return s;
  });
  state.counters["in_bytes"] = static_cast<double>(d.encoded.size());
}

void BM_Zstd3Compress(benchmark::State &state) {
  const Data &d = data();
  std::vector<char> out(ZSTD_compressBound(d.text.size()));
  timed(state, [&] {
    size_t z = ZSTD_compress(out.data(), out.size(), d.text.data(), d.text.size(), 3);
    if (ZSTD_isError(z)) std::abort();
    return z;
  });
  state.counters["out_bytes"] = static_cast<double>(d.zstd.size());
  state.counters["ratio"] = static_cast<double>(d.zstd.size()) / static_cast<double>(d.text.size());
}

void BM_Zstd3Decompress(benchmark::State &state) {
  const Data &d = data();
  std::vector<char> out(d.text.size());
  timed(state, [&] {
    size_t n = ZSTD_decompress(out.data(), out.size(), d.zstd.data(), d.zstd.size());
    if (ZSTD_isError(n) || n != d.text.size()) std::abort();
    return n;
  });
  state.counters["in_bytes"] = static_cast<double>(d.zstd.size());
}

// What a receiver of the database spends in all: decoding the encoding into
// sets, against decompressing zstd text and reading the sets from it.
void BM_Zstd3DecompressAndRead(benchmark::State &state) {
  const Data &d = data();
  std::vector<char> out(d.text.size());
  timed(state, [&] {
    size_t n = ZSTD_decompress(out.data(), out.size(), d.zstd.data(), d.zstd.size());
    if (ZSTD_isError(n)) std::abort();
    KxSetRef s(sio_sreadn(out.data(), n));
    if (!s) std::abort();
    return s;
  });
}

BENCHMARK(BM_EncodeKxset)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_DecodeKxset)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_Zstd3Compress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Zstd3Decompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Zstd3DecompressAndRead)->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace

BENCHMARK_MAIN();
