#include "kxui/status/kxst.h"

#include <algorithm>
#include <strings.h>

#include "kxui/obj/kxobj.h"
#include "kxui/status/kxst_answer.h"
#include "kxu/report.h"

namespace {

bool ieq(const char *a, const char *b) { return strcasecmp(a, b) == 0; }

std::string community(const kxset *node, const char *attr) {
  const char *c = kxobj_get(node, attr);
  return *c ? c : "public";
}

} // namespace

bool kxst_is_wellfleet(const kxset *obj) {
  return ieq(kxobj_type(obj), "router") && ieq(kxobj_get(obj, "vendor"), "wellfleet");
}

bool kxst_is_node(const kxset *obj) {
  if (!ieq(kxobj_get(obj, "location"), "internal")) return false;
  const char *type = kxobj_type(obj);
  if (ieq(type, "host") || ieq(type, "gateway"))
    return ieq(kxobj_get(obj, "firewall"), "installed");
  return kxst_is_wellfleet(obj);
}

std::vector<kxset *> kxst_nodes(const kxset *list) {
  std::vector<kxset *> out;
  const int n = list ? kxobj_nmember(list) : 0;
  for (int i = 0; i < n; ++i)
    if (kxset *m = kxobj_ithmember(list, i); m && kxst_is_node(m)) out.push_back(m);
  return out;
}

int kxsnmpstat(KxSnmpClient &client, const kxset *node, const KxStatusOptions &opt,
               std::function<void(kxset *status)> done) {
  const std::string name = node->getname();
  const char *addr = opt.address.empty() ? kxobj_get(node, "ipaddr") : opt.address.c_str();
  if (!*addr) {
    KxSetRef s = kxst_unknown_status(name.c_str(), opt.now());
    done(s.get());
    return -1;
  }
  KxSnmpTarget t;
  t.address = addr;
  t.community = community(node, "read_community");
  t.timeout_ms = opt.timeout_ms;
  t.retries = opt.retries;
  auto now = opt.now;
  int rc;
  if (kxst_is_wellfleet(node)) {
    t.port = opt.router_port;
    rc = client.getnext(t, {kx_wf_filter_name_column}, [name, now, done](const KxSnmpAnswer &a) {
      KxSetRef s = kxst_wellfleet_status(name.c_str(), a, now());
      done(s.get());
    });
  } else {
    t.port = opt.module_port;
    rc = client.get(t, std::vector<std::string>(kx_module_vars, kx_module_vars + 7),
                    [name, now, done](const KxSnmpAnswer &a) {
                      KxSetRef s = kxst_module_status(name.c_str(), a, now());
                      done(s.get());
                    });
  }
  if (rc < 0) {
    error(0, 0, "Cannot get snmp info for %s", name.c_str());
    KxSetRef s = kxst_unknown_status(name.c_str(), opt.now());
    done(s.get());
    return -1;
  }
  return 0;
}

KxStatusPasses::KxStatusPasses(KxEventLoop &loop, KxSnmpClient &client, KxStatusView &view,
                               KxStatusOptions opt)
    : loop_(loop), client_(client), view_(view), opt_(std::move(opt)) {}

KxStatusPasses::~KxStatusPasses() {
  kxst_done();
}

void KxStatusPasses::kxst_array_show(bool all) {
  if (in_progress_) {
    ++pending_;
    arm_interval();
    return;
  }
  in_progress_ = true;
  ++passes_;
  const kxset *netobj = view_.network_objects();
  std::vector<kxset *> nodes;
  const std::vector<std::string> sel = view_.main_selection();
  if (sel.empty()) {
    nodes = kxst_nodes(netobj);
  } else {
    for (kxset *n : kxst_nodes(netobj))
      if (std::find(sel.begin(), sel.end(), n->getname()) != sel.end()) nodes.push_back(n);
  }
  boxes_.clear();
  for (kxset *n : nodes) boxes_.emplace_back(n->getname());
  reselect_ = view_.selected_boxes();
  if (nodes.empty()) {
    view_.clear();
    in_progress_ = false;
    return;
  }
  std::vector<kxset *> show;
  if (all) {
    show = nodes;
  } else {
    for (kxset *n : nodes)
      if (std::find(reselect_.begin(), reselect_.end(), n->getname()) != reselect_.end())
        show.push_back(n);
  }
  if (show.empty()) {
    in_progress_ = false;
    return;
  }
  const std::string now = kx_time_text(opt_.now());
  view_.pass_started(now.size() > 7 ? now.substr(now.size() - 8) : now);
  show_nboxes_ = static_cast<int>(show.size());
  curr_ = 0;
  const uint64_t pass = ++pass_id_;
  // Keep the nodes alive while their requests run.
  for (kxset *n : show) {
    KxSetRef keep(n);
    std::weak_ptr<int> alive = alive_;
    kxsnmpstat(client_, n, opt_, [this, pass, keep, alive](kxset *status) {
      if (!alive.expired()) answer(pass, status);
    });
  }
}

void KxStatusPasses::answer(uint64_t pass, kxset *status) {
  if (pass != pass_id_ || !in_progress_) return; // an answer after its pass ended
  const auto it = std::find(boxes_.begin(), boxes_.end(), status->getname());
  const int index = it == boxes_.end() ? -1 : static_cast<int>(it - boxes_.begin());
  view_.show_box(index, static_cast<int>(boxes_.size()), status);
  if (++curr_ >= show_nboxes_) end_pass();
}

void KxStatusPasses::end_pass() {
  view_.pass_done(reselect_);
  in_progress_ = false;
  if (pending_ > 0) {
    pending_ = 0;
    kxst_array_show(true);
  }
}

void KxStatusPasses::kxst_set_update_interval(int seconds) {
  interval_ = seconds < 15 ? 0 : seconds;
  arm_interval();
}

void KxStatusPasses::arm_interval() {
  if (interval_timer_) loop_.cancel_timer(interval_timer_);
  interval_timer_ = 0;
  if (interval_ <= 0) return;
  interval_timer_ = loop_.add_timer(std::chrono::seconds(interval_), [this] {
    interval_timer_ = 0;
    if (view_.shown()) kxst_array_show(true);
    if (!interval_timer_) arm_interval();
  });
}

void KxStatusPasses::kxst_done() {
  if (interval_timer_) loop_.cancel_timer(interval_timer_);
  interval_timer_ = 0;
}
