// The user database file beside gdbm: store, fetch and delete 100,000 user
// records (~300 bytes of set text each) with the same keys and values; and
// kxa_store of one more user into a group of 1,000, 10,000 and 100,000
// members.
#include "kxui/users/kxa.h"
#include "kxui/users/ndb.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gdbm.h>
#include <string>
#include <vector>

namespace {

constexpr int kRecords = 100000;

std::string scratch() {
  static std::string d = [] {
    char t[] = "/tmp/bench_ndbXXXXXX";
    return std::string(mkdtemp(t));
  }();
  return d;
}

std::string key_of(int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "user%06d", i);
  return buf;
}

std::string value_of(int i) {
  std::string v = "(" + key_of(i) +
                  "\n\t:type (user)\n\t:color (Blue)\n\t:groups (\n\t\t: sales\n\t)\n"
                  "\t:expiration_date (31-Dec-2029)\n\t:fromhour (08:00)\n\t:tohour (18:00)\n"
                  "\t:days (\n\t\t: MON\n\t\t: TUE\n\t\t: WED\n\t\t: THU\n\t\t: FRI\n\t)\n"
                  "\t:auth_method (S/Key)\n\t:SKEY_gateway (gw)\n\t:SKEY_seed (";
  v += key_of(i) + ")\n\t:SKEY_number (100)\n\t:SKEY_passwd (D1854218EBBB0B51)\n)\n";
  return v;
}

// Wall and CPU seconds of one phase (the machine is shared: CPU time is the
// steadier figure, wall time includes waiting for the disk).
struct Phase {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  std::clock_t cpu = std::clock();
};
struct Seconds {
  double wall, cpu;
};
Seconds since(const Phase &p) {
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - p.wall).count(),
          double(std::clock() - p.cpu) / CLOCKS_PER_SEC};
}

void report(benchmark::State &state, Seconds store, Seconds fetch, Seconds del) {
  state.counters["1store_s"] = store.wall;
  state.counters["2fetch_s"] = fetch.wall;
  state.counters["3delete_s"] = del.wall;
  state.counters["4store_cpu"] = store.cpu;
  state.counters["5fetch_cpu"] = fetch.cpu;
  state.counters["6delete_cpu"] = del.cpu;
}

void BM_NdbStoreFetchDelete(benchmark::State &state) {
  for (auto _ : state) {
    std::string name = scratch() + "/ndb";
    std::filesystem::remove(name + ".NDB");
    std::filesystem::remove(name + ".NDBBKP");
    NDB *db = ndb_open(name);
    Phase t;
    for (int i = 0; i < kRecords; ++i)
      ndb_store(db, KXA_USER, key_of(i), value_of(i));
    Seconds store = since(t);
    // Fetches start from a freshly opened file, as a reader's would.
    ndb_close(db);
    db = ndb_open(name);
    t = Phase();
    size_t bytes = 0;
    for (int i = 0; i < kRecords; ++i)
      bytes += ndb_fetch(db, KXA_USER, key_of(i)).dsize;
    Seconds fetch = since(t);
    benchmark::DoNotOptimize(bytes);
    t = Phase();
    for (int i = 0; i < kRecords; ++i)
      ndb_delete(db, KXA_USER, key_of(i));
    Seconds del = since(t);
    ndb_close(db);
    report(state, store, fetch, del);
  }
}

void BM_GdbmStoreFetchDelete(benchmark::State &state) {
  for (auto _ : state) {
    std::string name = scratch() + "/gdbm.db";
    std::filesystem::remove(name);
    GDBM_FILE db = gdbm_open(name.c_str(), 0, GDBM_NEWDB, 0600, nullptr);
    if (!db) {
      state.SkipWithError("gdbm_open failed");
      return;
    }
    auto datum_of = [](const std::string &s) {
      return datum{const_cast<char *>(s.data()), static_cast<int>(s.size())};
    };
    Phase t;
    for (int i = 0; i < kRecords; ++i) {
      std::string k = key_of(i), v = value_of(i);
      gdbm_store(db, datum_of(k), datum_of(v), GDBM_REPLACE);
    }
    Seconds store = since(t);
    gdbm_close(db);
    db = gdbm_open(name.c_str(), 0, GDBM_WRITER, 0600, nullptr);
    if (!db) {
      state.SkipWithError("gdbm_open failed");
      return;
    }
    t = Phase();
    size_t bytes = 0;
    for (int i = 0; i < kRecords; ++i) {
      std::string k = key_of(i);
      datum d = gdbm_fetch(db, datum_of(k));
      bytes += static_cast<size_t>(d.dsize);
      std::free(d.dptr);
    }
    Seconds fetch = since(t);
    benchmark::DoNotOptimize(bytes);
    t = Phase();
    for (int i = 0; i < kRecords; ++i) {
      std::string k = key_of(i);
      gdbm_delete(db, datum_of(k));
    }
    Seconds del = since(t);
    gdbm_close(db);
    report(state, store, fetch, del);
  }
}

// kxa_store of a user who belongs to a group that already has range(0)
// members: the group record is read, extended and written whole. per_member
// is the time of one store divided by the group's size. Instruction counts,
// steadier on a busy machine:
// valgrind --tool=callgrind --toggle-collect='kxa_store*' with
// --benchmark_filter='KxaStore.*/10000/' counts the five stores.
void BM_KxaStoreIntoGroup(benchmark::State &state) {
  int members = static_cast<int>(state.range(0));
  std::string name = scratch() + "/kxa" + std::to_string(members);
  std::filesystem::remove(name + ".NDB");
  std::filesystem::remove(name + ".NDBBKP");
  kxa_db_init_named(name);
  {
    KxSetRef group(kxset::make(KxAtom("big")));
    kxa_put(group.get(), "type", "usrgroup");
    for (int i = 0; i < members; ++i) {
      kxset *m = kxset::make(KxAtom(key_of(i)));
      kxa_put(m, "type", "user");
      group->append(KxAtom::null(), m);
    }
    kxdb_store(kxa_db(), KXA_GROUP, group.get());
  }
  int next = members;
  for (auto _ : state) {
    KxSetRef user(kxset::make(KxAtom(key_of(next++))));
    kxa_put(user.get(), "type", "user");
    kxset *groups = kxset::make();
    groups->append(KxAtom::null(), kxset::make(KxAtom("big")));
    user->set(KxAtom("groups"), groups);
    kxa_store(user.get());
  }
  // Linear growth keeps this figure flat across group sizes.
  state.counters["per_member"] = benchmark::Counter(
      double(state.iterations()) * members, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  kxa_db_close();
}

} // namespace

BENCHMARK(BM_NdbStoreFetchDelete)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GdbmStoreFetchDelete)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KxaStoreIntoGroup)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
