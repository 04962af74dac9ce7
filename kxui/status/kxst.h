// Status collection: which nodes are shown, asking one node, and the status
// passes with their merging, interval and reselection. The window that
// draws the boxes (or the command line) is a KxStatusView.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kxui/status/snmp_client.h"
#include "kxset/kxset.h"

// A status node: "location" "internal", and a host or gateway with
// "firewall" "installed", or a router with "vendor" "wellfleet".
bool kxst_is_node(const kxset *obj);
bool kxst_is_wellfleet(const kxset *obj);
// The status nodes among the members of a list or table, in its order.
std::vector<kxset *> kxst_nodes(const kxset *list);

// How nodes are asked: ports (a test or a stand-in may move them), the
// library's time-out per try and retries.
struct KxStatusOptions {
  int module_port = 260;
  int router_port = 161;
  int timeout_ms = 1000;
  int retries = 1;
  std::string address; // when set, every node is asked there (demo, tests)
  std::function<time_t()> now = [] { return time(nullptr); };
};

// Asks one node; `done` receives the status set (count 0, named after the
// node) from the loop, or at once when the node cannot be asked ("unknown",
// with "Cannot get snmp info for %s" reported when the request could not
// start). Returns 0 when asked, -1 when answered at once.
int kxsnmpstat(KxSnmpClient &client, const kxset *node, const KxStatusOptions &opt,
               std::function<void(kxset *status)> done);

// What a status pass needs of its window.
class KxStatusView {
public:
  virtual ~KxStatusView() = default;
  virtual const kxset *network_objects() = 0;          // the netobj table
  virtual std::vector<std::string> main_selection() = 0; // objects selected in the main window
  virtual std::vector<std::string> selected_boxes() = 0;
  virtual bool shown() = 0;
  virtual void clear() = 0;                             // no status nodes at all
  virtual void pass_started(const std::string &time_part) = 0; // "Last Update:", busy
  // One answer: the node's index in `boxes`, the number of boxes.
  virtual void show_box(int index, int nboxes, kxset *status) = 0;
  virtual void pass_done(const std::vector<std::string> &reselect) = 0;
};

class KxStatusPasses {
public:
  KxStatusPasses(KxEventLoop &loop, KxSnmpClient &client, KxStatusView &view,
                 KxStatusOptions opt = {});
  ~KxStatusPasses();

  // Starts a pass (all: every node, else the selected boxes). During a pass
  // the request is counted and merged into one pass with all = true after it.
  void kxst_array_show(bool all);
  // Automatic passes every `seconds` while the view is shown; below 15
  // seconds the automatic update is off.
  void kxst_set_update_interval(int seconds);
  int interval() const { return interval_; }
  bool busy() const { return in_progress_; }
  int passes_started() const { return passes_; }
  void kxst_done(); // stops the interval timer, keeps the interval

private:
  void answer(uint64_t pass, kxset *status);
  void end_pass();
  void arm_interval();

  KxEventLoop &loop_;
  KxSnmpClient &client_;
  KxStatusView &view_;
  KxStatusOptions opt_;
  bool in_progress_ = false;
  int pending_ = 0;
  int interval_ = 0;
  uint64_t interval_timer_ = 0;
  uint64_t pass_id_ = 0;
  int passes_ = 0;
  std::vector<std::string> boxes_, reselect_;
  int show_nboxes_ = 0, curr_ = 0;
  // Answers still under way when the model goes hold only a weak reference.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
