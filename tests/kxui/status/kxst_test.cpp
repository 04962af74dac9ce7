// Status passes against a real snmpd that serves the module variables, a
// Wellfleet filter row, and nodes that cannot be asked or never answer.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <poll.h>
#include <thread>

#include "kxui/obj/kxobj.h"
#include "kxui/status/kxst.h"
#include "kxui/status/kxst_answer.h"
#include "kxu/report.h"
#include "support/snmp_daemons.h"

namespace {

struct View : KxStatusView {
  KxSetRef netobj;
  std::map<std::string, std::map<std::string, std::string>> boxes;
  std::vector<std::string> selected;
  int started = 0, done = 0;
  const kxset *network_objects() override { return netobj.get(); }
  std::vector<std::string> main_selection() override { return {}; }
  std::vector<std::string> selected_boxes() override { return selected; }
  bool shown() override { return true; }
  void clear() override { boxes.clear(); }
  void pass_started(const std::string &) override { ++started; }
  void show_box(int, int, kxset *s) override {
    auto &b = boxes[s->getname()];
    b.clear();
    for (const char *a : {"state", "name", "date", "accepted", "rejected", "logged"})
      if (*kxobj_get(s, a)) b[a] = kxobj_get(s, a);
  }
  void pass_done(const std::vector<std::string> &) override { ++done; }
};

kxset *node(const char *name, const char *type, const char *addr, bool wellfleet = false) {
  kxset *n = kxobj_new(name);
  kxobj_put(n, "type", type);
  kxobj_put(n, "location", "internal");
  if (*addr) kxobj_put(n, "ipaddr", addr);
  if (wellfleet) kxobj_put(n, "vendor", "wellfleet");
  else kxobj_put(n, "firewall", "installed");
  return n;
}

// A node whose first request is lost on the way: datagrams to `address`
// are relayed to the agent at 127.0.0.1, all but the first, and the answers
// relayed back.
class LossyRelay {
public:
  LossyRelay(const char *address, int port, int agent_port) {
    front_ = socket(AF_INET, SOCK_DGRAM, 0);
    back_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address, &a.sin_addr);
    bound_ = bind(front_, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    a.sin_port = htons(static_cast<uint16_t>(agent_port));
    inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    connect(back_, reinterpret_cast<sockaddr *>(&a), sizeof a);
    thread_ = std::thread([this] { run(); });
  }
  ~LossyRelay() {
    stop_ = true;
    thread_.join();
    close(front_);
    close(back_);
  }
  bool bound() const { return bound_; }
  int dropped() const { return dropped_; }

private:
  void run() {
    sockaddr_in client{};
    char buf[65536];
    while (!stop_) {
      pollfd fds[2] = {{front_, POLLIN, 0}, {back_, POLLIN, 0}};
      if (poll(fds, 2, 20) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        socklen_t len = sizeof client;
        const ssize_t n =
            recvfrom(front_, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&client), &len);
        if (n <= 0) continue;
        if (seen_++ == 0) ++dropped_;
        else send(back_, buf, static_cast<size_t>(n), 0);
      }
      if (fds[1].revents & POLLIN) {
        const ssize_t n = recv(back_, buf, sizeof buf, 0);
        if (n > 0)
          sendto(front_, buf, static_cast<size_t>(n), 0, reinterpret_cast<sockaddr *>(&client),
                 sizeof client);
      }
    }
  }
  int front_ = -1, back_ = -1;
  bool bound_ = false;
  std::atomic<bool> stop_{false};
  int seen_ = 0;
  std::atomic<int> dropped_{0};
  std::thread thread_;
};

class StatusPass : public ::testing::Test {
protected:
  kxtest::SnmpDaemon agent{"/usr/sbin/snmpd", kxtest::module_agent_conf};
  KxPollLoop loop;
  KxSnmpClient client{loop};
  View view;
  KxStatusOptions opt;

  void SetUp() override {
    ASSERT_TRUE(agent.wait_for("NET-SNMP version")) << agent.log();
    opt.module_port = opt.router_port = agent.port();
    opt.timeout_ms = 1000; // room for a loaded machine; the silent node waits this long
    opt.retries = 0;
    view.netobj = kxobj_new("netobj");
    kxobj_append(view.netobj.get(), node("fw1", "gateway", "127.0.0.1"));
    kxobj_append(view.netobj.get(), node("silent", "host", "127.0.1.77"));
    kxobj_append(view.netobj.get(), node("noaddr", "host", ""));
    kxobj_append(view.netobj.get(), node("wf1", "router", "127.0.0.1", true));
    kxset *outside = node("outside", "gateway", "127.0.0.1");
    kxobj_put(outside, "location", "external");
    kxobj_append(view.netobj.get(), outside);
  }
};

TEST_F(StatusPass, EveryNodeGetsItsStateAndThePassEnds) {
  KxStatusPasses passes(loop, client, view, opt);
  passes.kxst_array_show(true);
  ASSERT_TRUE(loop.run_until([&] { return !passes.busy(); }, std::chrono::seconds(10)));
  EXPECT_EQ(view.done, 1);
  ASSERT_EQ(view.boxes.size(), 4u); // the external gateway is not shown
  auto &fw = view.boxes["fw1"];
  EXPECT_EQ(fw["state"], "installed");
  EXPECT_EQ(fw["name"], "Standard");
  EXPECT_EQ(fw["date"], "11Dec126  0:20:00");
  EXPECT_EQ(fw["accepted"], "100");
  EXPECT_EQ(fw["rejected"], "15");
  EXPECT_EQ(fw["logged"], "7");
  EXPECT_EQ(view.boxes["silent"]["state"], "disconnected");
  EXPECT_EQ(view.boxes["noaddr"]["state"], "unknown");
  EXPECT_EQ(view.boxes["wf1"]["state"], "installed");
  EXPECT_EQ(view.boxes["wf1"]["name"], "Standard");
  EXPECT_EQ(view.boxes["wf1"]["date"], kx_time_text(1));
  loop.run_once(std::chrono::milliseconds(0));
  EXPECT_EQ(loop.watched(), 0u);
  EXPECT_TRUE(client.idle());
}

// With one retry, a node that answers only the retry is shown with its
// state: the pass waits for the retry's answer.
TEST_F(StatusPass, ANodeThatAnswersOnlyTheRetryIsShown) {
  LossyRelay relay("127.0.1.78", agent.port(), agent.port());
  ASSERT_TRUE(relay.bound());
  opt.retries = 1;
  view.netobj = kxobj_new("netobj");
  kxobj_append(view.netobj.get(), node("lossy", "gateway", "127.0.1.78"));
  KxStatusPasses passes(loop, client, view, opt);
  passes.kxst_array_show(true);
  ASSERT_TRUE(loop.run_until([&] { return !passes.busy(); }, std::chrono::seconds(10)));
  EXPECT_EQ(relay.dropped(), 1);
  EXPECT_EQ(view.boxes["lossy"]["state"], "installed");
  EXPECT_EQ(view.boxes["lossy"]["name"], "Standard");
}

TEST_F(StatusPass, RequestsDuringAPassMergeIntoOneMore) {
  KxStatusPasses passes(loop, client, view, opt);
  passes.kxst_array_show(true);
  for (int i = 0; i < 3; ++i) passes.kxst_array_show(true);
  ASSERT_TRUE(loop.run_until([&] { return !passes.busy(); }, std::chrono::seconds(10)));
  EXPECT_EQ(passes.passes_started(), 2);
  EXPECT_EQ(view.done, 2);
}

TEST_F(StatusPass, SelectedBoxesOnlyAndIntervalSwitch) {
  KxStatusPasses passes(loop, client, view, opt);
  view.selected = {"fw1"};
  passes.kxst_array_show(false);
  ASSERT_TRUE(loop.run_until([&] { return !passes.busy(); }, std::chrono::seconds(10)));
  EXPECT_EQ(view.boxes.size(), 1u);
  passes.kxst_set_update_interval(0);
  EXPECT_EQ(passes.interval(), 0);
  EXPECT_EQ(loop.timers(), 0u);
  passes.kxst_set_update_interval(14);
  EXPECT_EQ(passes.interval(), 0);
  passes.kxst_set_update_interval(60);
  EXPECT_EQ(passes.interval(), 60);
  EXPECT_EQ(loop.timers(), 1u);
  passes.kxst_done();
  EXPECT_EQ(loop.timers(), 0u);
}

TEST_F(StatusPass, PassEndedBeforeLateAnswersArrive) {
  // The model goes away while requests are in flight: nothing is called.
  {
    KxStatusPasses passes(loop, client, view, opt);
    passes.kxst_array_show(true);
  }
  loop.run_until([&] { return client.idle(); }, std::chrono::seconds(10));
  EXPECT_EQ(view.done, 0);
}

} // namespace
