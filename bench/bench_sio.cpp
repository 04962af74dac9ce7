// Throughput of the set text reader and writer on a synthetic objects
// database, and the reader against two DOM parses of the same data as JSON
// (RapidJSON's, and simdjson's with its parser kept between parses, as that
// library is meant to be used).
// Reported in decimal MB/s of text; freeing the trees is not timed. The
// counters use the thread's CPU time, so that a busy machine (shared build
// hosts) does not count other processes' time against us.
#include "gen_objects.h"

#include "kxset/kxscope.h"
#include "kxset/sio.h"

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <simdjson.h>

#include <malloc.h>
#include <unistd.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// The calling thread's CPU time.
struct Clock {
  using time_point = double;
  static time_point now() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }
};

// The same tree as JSON: a leaf or a set known in scope is its name as a
// string; any other set is an object with "name", its named attributes as
// keys and its anonymous members under "members".
class JsonWriter {
public:
  std::string run(const kxset *s) {
    write(s);
    return std::move(out_);
  }

private:
  void str(std::string_view v) {
    out_ += '"';
    for (char c : v) {
      if (c == '"' || c == '\\') out_ += '\\';
      if (static_cast<unsigned char>(c) < 0x20) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        out_ += buf;
      } else {
        out_ += c;
      }
    }
    out_ += '"';
  }
  void write(const kxset *s) {
    const KxAtom &name = s->getnamea();
    if (s->getnattr() == 0 || (name.is_named() && scope_.Get(name))) {
      str(name.view());
      if (name.is_named()) scope_.Add(name, const_cast<kxset *>(s));
      return;
    }
    out_ += "{\"name\":";
    str(name.view());
    scope_.Push(const_cast<kxset *>(s));
    int anon = 0;
    for (int i = 0; i < s->getnattr(); ++i) {
      const kxattribute *a = s->attr(i);
      if (!a->name().is_named()) {
        ++anon;
        continue;
      }
      out_ += ',';
      str(a->name().view());
      out_ += ':';
      write(a->value());
    }
    if (anon) {
      out_ += ",\"members\":[";
      for (int i = 0, k = 0; i < s->getnattr(); ++i) {
        if (s->attr(i)->name().is_named()) continue;
        if (k++) out_ += ',';
        write(s->attr(i)->value());
      }
      out_ += ']';
    }
    scope_.Pop();
    out_ += '}';
    if (name.is_named()) scope_.Add(name, const_cast<kxset *>(s));
  }

  std::string out_;
  KxScope scope_;
};

struct Data {
  KxSetRef db;
  std::string text, json, path;

  Data() {
    db = kxbench::gen_objects();
    sio_swrite(text, db.get());
    json = JsonWriter().run(db.get());
    char tmpl[] = "/tmp/bench_sio_XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
    close(fd);
    path = tmpl;
    std::fprintf(stderr, "objects database: %zu bytes of set text, %zu bytes of JSON\n", text.size(),
                 json.size());
  }
  ~Data() { unlink(path.c_str()); }
};

const Data &data() {
  static Data d;
  return d;
}

double seconds(Clock::time_point a, Clock::time_point b) { return b - a; }

// Runs `body` once per iteration, timing it only, and reports MB/s of `bytes`.
template <typename Body> void timed(benchmark::State &state, size_t bytes, Body body) {
  double total = 0;
  for (auto _ : state) {
    Clock::time_point t0 = Clock::now();
    auto keep = body();
    total += seconds(t0, Clock::now());
    benchmark::DoNotOptimize(keep);
  }
  state.counters["MB/s"] = static_cast<double>(bytes) * static_cast<double>(state.iterations()) / total / 1e6;
}

KxSetRef read_file(const std::string &path) {
  FILE *f = std::fopen(path.c_str(), "r");
  KxSetRef s = sio_read(f);
  std::fclose(f);
  return s;
}

// Heap bytes per object of the tree read from the file, counted around the
// first read of the process (so that no memory freed by earlier trees is
// reused): every set, attribute array, atom and atom table slot it made.
void BM_ReadMemory(benchmark::State &state) {
  const Data &d = data();
  for (auto _ : state) {
    size_t before = mallinfo2().uordblks;
    KxSetRef s = read_file(d.path);
    size_t after = mallinfo2().uordblks;
    state.counters["bytes/object"] = static_cast<double>(after - before) / kxbench::kObjects;
  }
}

void BM_SioRead(benchmark::State &state) {
  const Data &d = data();
  timed(state, d.text.size(), [&] { return read_file(d.path); });
}

void BM_SioReadString(benchmark::State &state) {
  const Data &d = data();
  timed(state, d.text.size(), [&] { return KxSetRef(sio_sreadn(d.text.data(), d.text.size())); });
}

void BM_SioWrite(benchmark::State &state) {
  const Data &d = data();
  FILE *null = std::fopen("/dev/null", "w");
  timed(state, d.text.size(), [&] { return sio_write(null, d.db.get()); });
  std::fclose(null);
}

void BM_SioWriteString(benchmark::State &state) {
  const Data &d = data();
  std::string out;
  out.reserve(d.text.size());
  timed(state, d.text.size(), [&] {
    out.clear();
    return sio_swrite(out, d.db.get());
  });
}

void BM_RapidJsonParse(benchmark::State &state) {
  const Data &d = data();
  timed(state, d.json.size(), [&] {
    auto doc = std::make_unique<rapidjson::Document>();
    doc->Parse(d.json.c_str());
    if (doc->HasParseError()) std::abort();
    return doc;
  });
}

void BM_SimdjsonParse(benchmark::State &state) {
  const Data &d = data();
  simdjson::padded_string json(d.json);
  simdjson::dom::parser parser;
  timed(state, d.json.size(), [&] {
    simdjson::dom::element doc;
    if (parser.parse(json).get(doc)) std::abort();
    return doc.is_object();
  });
}

// Our read time over the JSON DOM parse times of the same database, measured
// in turn within one run.
void BM_ReadVsJson(benchmark::State &state) {
  const Data &d = data();
  simdjson::padded_string padded(d.json);
  simdjson::dom::parser parser;
  double ours_file = 0, ours_mem = 0, json = 0, simd = 0;
  for (auto _ : state) {
    Clock::time_point t0 = Clock::now();
    KxSetRef a = read_file(d.path);
    Clock::time_point t1 = Clock::now();
    KxSetRef b = sio_sreadn(d.text.data(), d.text.size());
    Clock::time_point t2 = Clock::now();
    rapidjson::Document doc;
    doc.Parse(d.json.c_str());
    Clock::time_point t3 = Clock::now();
    simdjson::dom::element root;
    if (parser.parse(padded).get(root)) std::abort();
    Clock::time_point t4 = Clock::now();
    ours_file += seconds(t0, t1);
    ours_mem += seconds(t1, t2);
    json += seconds(t2, t3);
    simd += seconds(t3, t4);
  }
  state.counters["rapidjson_file"] = ours_file / json;
  state.counters["rapidjson_mem"] = ours_mem / json;
  state.counters["simdjson_file"] = ours_file / simd;
  state.counters["simdjson_mem"] = ours_mem / simd;
}

BENCHMARK(BM_ReadMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SioRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SioReadString)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SioWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SioWriteString)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RapidJsonParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SimdjsonParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadVsJson)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
