// A status pass over 1,000 modules served by one kxagent process listening
// on 900 loopback addresses, beside the same 1,000 gets done by net-snmp's
// snmpget one after another. In the second pass the last 100 modules are
// silent: their addresses hold UDP sockets that read nothing and answer
// nothing, so their requests are dropped as a dead module's would be (no
// port-unreachable refusal that would end them early), and the pass lasts
// one time-out period of the client (every try waited out).
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kxui/obj/kxobj.h"
#include "kxui/status/kxst.h"

extern char **environ;

namespace {

constexpr int nodes = 1000;
constexpr int answering = 900; // the agent listens on the first 900 addresses

std::string address(int i) {
  return "127.0." + std::to_string(1 + i / 250) + "." + std::to_string(1 + i % 250);
}

int free_port() {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

pid_t spawn(const std::vector<std::string> &args, const char *out = nullptr) {
  std::vector<char *> argv;
  for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, out ? out : "/dev/null", O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

// One agent for the whole program.
struct AgentProcess {
  int port = free_port();
  std::string dir = "/tmp/kx_bench_status_" + std::to_string(getpid());
  pid_t pid = -1;
  AgentProcess() {
    std::system(("mkdir -p " + dir).c_str());
    std::ofstream(dir + "/snmpstate") << "state installed\nfilter Standard\ndate now\n"
                                         "accepted 1\nrejected 2\ndropped 3\nlogged 4\n";
    std::vector<std::string> args = {KXAGENT_PATH, "-f", dir + "/snmpstate"};
    for (int i = 0; i < answering; ++i)
      args.push_back("udp:" + address(i) + ":" + std::to_string(port));
    pid = spawn(args, (dir + "/agent.out").c_str());
    for (int i = 0; i < 400; ++i) {
      std::ifstream in(dir + "/agent.out");
      std::string line;
      if (std::getline(in, line) && !line.empty()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
  }
  ~AgentProcess() {
    kill(pid, SIGTERM);
    int st = 0;
    waitpid(pid, &st, 0);
    std::system(("rm -rf " + dir).c_str());
  }
};

AgentProcess &agent() {
  static AgentProcess a;
  return a;
}

// UDP sockets bound on the addresses of the silent modules, never read.
struct SilentNodes {
  std::vector<int> fds;
  SilentNodes(int port) {
    for (int i = answering; i < nodes; ++i) {
      const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_port = htons(static_cast<uint16_t>(port));
      inet_pton(AF_INET, address(i).c_str(), &a.sin_addr);
      if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0)
        fds.push_back(fd);
      else if (fd >= 0)
        close(fd);
    }
  }
  ~SilentNodes() {
    for (int fd : fds)
      close(fd);
  }
};

struct CountingView : KxStatusView {
  KxSetRef netobj;
  int disconnected = 0, installed = 0;
  const kxset *network_objects() override { return netobj.get(); }
  std::vector<std::string> main_selection() override { return {}; }
  std::vector<std::string> selected_boxes() override { return {}; }
  bool shown() override { return true; }
  void clear() override {}
  void pass_started(const std::string &) override {}
  void show_box(int, int, kxset *s) override {
    const std::string st = kxobj_get(s, "state");
    disconnected += st == "disconnected";
    installed += st == "installed";
  }
  void pass_done(const std::vector<std::string> &) override {}
};

void BM_StatusPass(benchmark::State &state) {
  const bool with_silent = state.range(0) != 0;
  AgentProcess &a = agent();
  CountingView view;
  view.netobj = kxobj_new("netobj");
  for (int i = 0; i < nodes; ++i) {
    // Without silent nodes, the last 100 nodes reuse answering addresses.
    const int at = with_silent || i < answering ? i : i - answering;
    kxset *n = kxobj_new(("fw" + std::to_string(i)).c_str());
    kxobj_put(n, "type", "gateway");
    kxobj_put(n, "location", "internal");
    kxobj_put(n, "firewall", "installed");
    kxobj_put(n, "ipaddr", address(at).c_str());
    kxobj_append(view.netobj.get(), n);
  }
  KxStatusOptions opt;
  opt.module_port = a.port;
  opt.timeout_ms = 1000;
  opt.retries = 1;
  std::optional<SilentNodes> silent;
  if (with_silent)
    silent.emplace(a.port);
  for (auto _ : state) {
    KxPollLoop loop;
    KxSnmpClient client(loop);
    KxStatusPasses passes(loop, client, view, opt);
    view.disconnected = view.installed = 0;
    passes.kxst_array_show(true);
    loop.run_until([&] { return !passes.busy(); }, std::chrono::seconds(60));
  }
  state.counters["installed"] = view.installed;
  state.counters["disconnected"] = view.disconnected;
  state.counters["silent"] = silent ? static_cast<double>(silent->fds.size()) : 0;
  // Goal: under 2 s when all answer, under one time-out period + 2 s else.
  state.counters["timeout_period_s"] = opt.timeout_ms * (opt.retries + 1) / 1000.0;
}
BENCHMARK(BM_StatusPass)->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_SnmpgetOneAfterAnother(benchmark::State &state) {
  AgentProcess &a = agent();
  for (auto _ : state) {
    for (int i = 0; i < nodes; ++i) {
      const pid_t pid =
          spawn({"/usr/bin/snmpget", "-v2c", "-c", "public", "-On",
                 address(i % answering) + ":" + std::to_string(a.port), ".1.3.6.1.4.1.32473.1.1.0",
                 ".1.3.6.1.4.1.32473.1.2.0", ".1.3.6.1.4.1.32473.1.3.0", ".1.3.6.1.4.1.32473.1.4.0",
                 ".1.3.6.1.4.1.32473.1.5.0", ".1.3.6.1.4.1.32473.1.6.0", ".1.3.6.1.4.1.32473.1.7.0"});
      int st = 0;
      waitpid(pid, &st, 0);
    }
  }
}
BENCHMARK(BM_SnmpgetOneAfterAnother)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
