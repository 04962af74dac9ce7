// The module's status beside its commands: counters from a provider in
// "stat", the SNMP agent's state file after loads, unloads and counter
// changes, and keep-alives while a command works.
#include "kxd_keepalive.h"
#include "kxd_module.h"
#include "kxd_server.h"

#include "kxagent/agent_state.h"
#include "kxsys/comm.h"
#include "kxsys/commands.h"
#include "kxsys/errors.h"
#include "kxsys/kxrif.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace kxsys;

namespace {
struct FakeCounters : kxd::CounterProvider {
  std::mutex lock;
  std::map<std::pair<std::string, int>, kxd::FilterCounters> values;
  kxd::FilterCounters counters(const std::string &ifname, int direction) override {
    std::lock_guard g(lock);
    return values[{ifname, direction}];
  }
};

kxloadx_t file_set(const std::string &ifs) {
  auto bytes = [](const std::string &s) { return Bytes(s.begin(), s.end()); };
  return {{{"fc", bytes("inbound all@gw accept;\n")},
           {"lg", bytes("# log formats of Std\n%%format: long 1\nsrc ipaddr\n")},
           {"ft", bytes("servers hosts 10.0.0.1\n")},
           {"ifs", bytes(ifs)}}};
}

std::string snmpstate(const kxtest::TempDir &d) {
  auto b = kx_read_file(d.file("state/snmpstate"));
  return b ? std::string(b->begin(), b->end()) : "";
}

std::string served(const KxAgentTable &t, std::initializer_list<uint32_t> tail) {
  KxAgentOid oid = {1, 3, 6, 1, 4, 1, 32473, 1};
  oid.insert(oid.end(), tail);
  auto it = t.find(oid);
  if (it == t.end())
    return "?";
  return it->second.counter ? std::to_string(it->second.count) : it->second.text;
}
} // namespace

TEST(ModuleStatus, StatAndSnmpstateFollowLoadsUnloadsAndCounters) {
  kxtest::TempDir d;
  d.write("control.map", "*: none/*\n");
  d.write("interfaces", "le0 le1\n");
  kxd::Module m(d.path());
  ASSERT_EQ(m.error(), "");
  auto counters = std::make_shared<FakeCounters>();
  m.set_counter_provider(counters);
  ASSERT_TRUE(m.update_snmpstate());
  EXPECT_EQ(snmpstate(d), "state not installed\nfilter\naccepted 0\nrejected 0\ndropped 0\nlogged 0\n");

  auto out = m.serve(KXC_LOAD, {AlStrings{{"x"}}, AlLoadx{file_set("Std\nle1\n")}});
  ASSERT_EQ(std::get<AlRc>(out.at(0)).rc, 0);
  m.after_reply(); // as the daemon does once the reply is out
  KxAgentTable agent = kx_agent_parse(snmpstate(d));
  EXPECT_EQ(served(agent, {1, 0}), "installed");
  EXPECT_EQ(served(agent, {2, 0}), "Std");
  EXPECT_NE(served(agent, {3, 0}), "");

  // Counters count where a filter is loaded; the file follows them once the
  // daemon's timer calls update_snmpstate.
  counters->values[{"le1", 0}] = {10, 7, 1, 2, 3};
  counters->values[{"le1", 1}] = {5, 5, 0, 0, 1};
  counters->values[{"le0", 0}] = {99, 99, 99, 99, 99}; // nothing loaded there
  out = m.serve(KXC_STAT, {AlStrings{{"x"}}, AlInt{200}});
  const auto &infos = std::get<AlInfoArray>(out.at(1)).v;
  ASSERT_EQ(infos.size(), 4u);
  EXPECT_EQ(infos[0].npacket, 0);
  EXPECT_EQ(infos[2].ifname_str(), "le1");
  EXPECT_EQ((std::vector<int32_t>{infos[2].npacket, infos[2].naccept, infos[2].nreject, infos[2].ndrop,
                                  infos[2].nlog}),
            (std::vector<int32_t>{10, 7, 1, 2, 3}));
  ASSERT_TRUE(m.update_snmpstate());
  agent = kx_agent_parse(snmpstate(d));
  EXPECT_EQ(served(agent, {4, 0}), "12"); // accepted
  EXPECT_EQ(served(agent, {5, 0}), "1");
  EXPECT_EQ(served(agent, {6, 0}), "2");
  EXPECT_EQ(served(agent, {7, 0}), "4");

  out = m.serve(KXC_UNLOAD, {AlStrings{{"x"}}, AlStrings{{"all"}}});
  ASSERT_EQ(std::get<AlRc>(out.at(0)).rc, 0);
  m.after_reply();
  EXPECT_EQ(snmpstate(d).rfind("state not installed\nfilter\n", 0), 0u) << snmpstate(d);
}

TEST(ModuleStatus, KeepAlivesComeEveryIntervalAndStopWithTheCommand) {
  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  int saved = kxd::keepalive_ms;
  kxd::keepalive_ms = 5;
  {
    kxd::KeepAlive alive(sv[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_GE(alive.sent(), 2);
  }
  pollfd p{sv[1], POLLIN, 0};
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  uint8_t buf[4096];
  ssize_t n = read(sv[1], buf, sizeof buf);
  ASSERT_GT(n, 0);
  ASSERT_EQ(n % 8, 0);
  for (ssize_t i = 0; i < n; i += 8) {
    EXPECT_EQ(int32_t(get_be32(buf + i)), -1);
    EXPECT_EQ(int32_t(get_be32(buf + i + 4)), KXD_KEEPALIVE);
  }
  // Nothing after the command ended.
  EXPECT_EQ(poll(&p, 1, 30), 0);
  kxd::keepalive_ms = saved;
  close(sv[0]);
  close(sv[1]);
}

TEST(ModuleStatus, ACommandWithKeepAlivesStillAnswers) {
  kxtest::TempDir d;
  d.write("control.map", "*: none/*\n");
  kxd::Module m(d.path());
  int saved = kxd::keepalive_ms;
  kxd::keepalive_ms = 1; // every load takes longer than this
  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  std::thread server([&] { kxd::serve_connection(m, sv[0], 0); });
  int rc = -1;
  try {
    kx_buffered_io io(sv[1]);
    WriteInt(sv[1], int32_t(KX_VERSION));
    if (al_call(sv[1], KXW_LOAD, {AlStrings{{"x"}}, AlLoadx{file_set("Std\nall\n")}}) == 0) {
      AlValues out = al_getout(sv[1], KXW_LOAD);
      rc = std::get<AlRc>(out.at(0)).rc;
      WriteInt(sv[1], 0);
    }
  } catch (const kx_unwind &e) {
    ADD_FAILURE() << e.what();
  }
  server.join();
  close(sv[1]);
  kxd::keepalive_ms = saved;
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(kx_agent_parse(snmpstate(d)).at({1, 3, 6, 1, 4, 1, 32473, 1, 2, 0}).text, "Std");
}
