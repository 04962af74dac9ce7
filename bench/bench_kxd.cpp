// Management exchanges against a real kxd on loopback: sequential "stat"
// with the methods "none" and "skey", and 100 clients at once.
//
// The daemons run on 127.0.1.200 (none) and 127.0.1.201 (skey) on a free
// port, each with its own module directory under /tmp, and are stopped at
// the end.
#include "kxsys/errors.h"
#include "kxsys/kxrif.h"
#include "kxsys/serverkeys.h"
#include "kxsys/skeyauth.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kxsys;

namespace {
int free_port() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(0x7f0001c8);
  bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa);
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &len);
  close(fd);
  return ntohs(sa.sin_port);
}

void write_file(const std::string &path, const std::string &text) {
  FILE *f = fopen(path.c_str(), "w");
  fputs(text.c_str(), f);
  fclose(f);
}

struct Daemon {
  pid_t pid = -1;
  std::string dir;
  Daemon(const std::string &address, int port, const std::string &control_map, const std::string &keyline) {
    char tmpl[] = "/tmp/bench_kxd.XXXXXX";
    dir = mkdtemp(tmpl);
    write_file(dir + "/control.map", control_map);
    if (!keyline.empty())
      write_file(dir + "/skeykeys", keyline + "\n");
    int out[2];
    if (pipe(out) != 0)
      return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    std::string p = std::to_string(port);
    const char *argv[] = {KXD_PATH, "-a", address.c_str(), "-p", p.c_str(), "-d", dir.c_str(), nullptr};
    posix_spawn(&pid, KXD_PATH, &fa, nullptr, const_cast<char **>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(out[1]);
    char buf[256];
    pollfd pf{out[0], POLLIN, 0};
    if (poll(&pf, 1, 10000) <= 0 || read(out[0], buf, sizeof buf) <= 0)
      fprintf(stderr, "kxd on %s did not start\n", address.c_str());
    close(out[0]);
  }
  ~Daemon() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    std::string cmd = "rm -rf " + dir;
    (void)!system(cmd.c_str());
  }
};

struct Setup {
  int port = free_port();
  std::string keydir;
  std::unique_ptr<Daemon> none, skey;
  Setup() {
    kx_mgmt_port = port;
    none = std::make_unique<Daemon>("127.0.1.200", port, "*: none/*\n", "");
    char tmpl[] = "/tmp/bench_kx.XXXXXX";
    keydir = mkdtemp(tmpl);
    kxkey_set_dir(keydir);
    kx_skey_install(keydir);
    // The seed is this end's address as the module sees it: 127.0.0.1.
    std::string line = kx_skey_newchain("127.0.1.201", "127.0.0.1");
    skey = std::make_unique<Daemon>("127.0.1.201", port, "*: skey/*\n", line);
  }
  ~Setup() {
    std::string cmd = "rm -rf " + keydir;
    (void)!system(cmd.c_str());
  }
};

Setup &setup() {
  static Setup s;
  return s;
}

void stat_exchanges(benchmark::State &state, const char *address) {
  setup();
  std::vector<kxinfo_t> infos;
  for (auto _ : state)
    if (kx_rstat(infos, address, 200) != 4) {
      state.SkipWithError("stat failed");
      break;
    }
  state.SetItemsProcessed(state.iterations());
}

void BM_StatNone(benchmark::State &state) { stat_exchanges(state, "127.0.1.200"); }
void BM_StatSkey(benchmark::State &state) { stat_exchanges(state, "127.0.1.201"); }

void BM_HundredClientsAtOnce(benchmark::State &state) {
  setup();
  for (auto _ : state) {
    std::atomic<int> served{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < 100; ++i)
      clients.emplace_back([&served] {
        std::vector<kxinfo_t> infos;
        if (kx_rstat(infos, "127.0.1.200", 200) == 4)
          ++served;
      });
    for (auto &t : clients)
      t.join();
    if (served != 100) {
      state.SkipWithError(("only " + std::to_string(served.load()) + " of 100 served").c_str());
      break;
    }
  }
  state.counters["served"] = 100;
}
} // namespace

BENCHMARK(BM_StatNone)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_StatSkey)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_HundredClientsAtOnce)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
