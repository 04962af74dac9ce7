// Comparing every rule with every earlier one, as the rule base verification
// does, on precomputed cell forms: 10,000 rules over a site of hosts,
// networks, groups and services.
#include "kxui/compiler/cellform.h"

#include "kxset/kxset.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

kxset *object(kxset *table, const std::string &name, const char *type,
              std::initializer_list<std::pair<const char *, std::string>> props) {
  kxset *o = kxset::make(KxAtom(name));
  o->set(KxAtom("type"), kxset::make(KxAtom(type)));
  for (const auto &[k, v] : props) o->set(KxAtom(k), kxset::make(KxAtom(v)));
  table->append(KxAtom::null(), o);
  return o;
}

struct Site {
  KxSetRef netobj{kxset::make()}, servobj{kxset::make()};
  std::vector<kxset *> nets, services;
  std::vector<KxSetRef> src, dst, srv;

  explicit Site(int rules) {
    std::mt19937 rnd(7);
    kxset *any = kxset::make(KxAtom("Any"));
    netobj->append(KxAtom::null(), any);
    for (int i = 0; i < 2000; ++i)
      nets.push_back(object(netobj.get(), "h" + std::to_string(i), "host",
                            {{"ipaddr", "10." + std::to_string(i / 250) + "." +
                                            std::to_string(i % 250) + ".1"}}));
    for (int i = 0; i < 200; ++i)
      nets.push_back(object(netobj.get(), "n" + std::to_string(i), "network",
                            {{"ipaddr", "10." + std::to_string(i % 8) + "." + std::to_string(i) + ".0"},
                             {"netmask", "255.255.255.0"}}));
    for (int g = 0; g < 100; ++g) {
      kxset *grp = object(netobj.get(), "g" + std::to_string(g), "group", {});
      for (int k = 0; k < 20; ++k) grp->append(KxAtom::null(), nets[rnd() % 2000]);
      nets.push_back(grp);
    }
    for (int i = 0; i < 50; ++i)
      services.push_back(object(servobj.get(), "s" + std::to_string(i), i % 2 ? "udp" : "tcp",
                                {{"port", std::to_string(1000 + i)}}));
    auto make_cell = [&](const std::vector<kxset *> &pool) {
      KxSetRef c(kxset::make());
      if (rnd() % 10 == 0) {
        c->append(KxAtom::null(), any);
        return c;
      }
      for (unsigned k = 0, n = 1 + rnd() % 3; k < n; ++k)
        c->append(KxAtom::null(), pool[rnd() % pool.size()]);
      if (rnd() % 20 == 0) c->set(KxAtom("op"), kxset::make(KxAtom("not in")));
      return c;
    };
    for (int r = 0; r < rules; ++r) {
      src.push_back(make_cell(nets));
      dst.push_back(make_cell(nets));
      srv.push_back(make_cell(services));
    }
  }
};

void BM_VerifyAllPairs(benchmark::State &state) {
  const int rules = static_cast<int>(state.range(0));
  Site site(rules);
  for (auto _ : state) {
    kxcomp::FormCache nets(site.netobj.get()), servs(site.servobj.get());
    std::vector<const kxcomp::CellForm *> s, d, v;
    for (int r = 0; r < rules; ++r) {
      s.push_back(&nets.form(site.src[r].get()));
      d.push_back(&nets.form(site.dst[r].get()));
      v.push_back(&servs.form(site.srv[r].get()));
    }
    long shadowed = 0;
    for (int i = 1; i < rules; ++i)
      for (int j = 0; j < i; ++j)
        if (kxcomp::form_contained(*s[i], *s[j]) && kxcomp::form_contained(*d[i], *d[j]) &&
            kxcomp::form_have_common(*v[i], *v[j]))
          ++shadowed;
    benchmark::DoNotOptimize(shadowed);
    state.counters["shadowed"] = static_cast<double>(shadowed);
  }
}
BENCHMARK(BM_VerifyAllPairs)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
