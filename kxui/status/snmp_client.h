// Asynchronous SNMP requests on net-snmp, served by a KxEventLoop: one
// single-session handle per request, its descriptor watched and its time-out
// armed on the loop. At most max_sessions requests are in flight; the others
// wait in order.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kxui/status/event_loop.h"
#include "kxui/status/snmp_answer.h"

struct KxSnmpTarget {
  std::string address;            // dotted address or host name
  int port = 161;
  std::string community = "public";
  int timeout_ms = 1000;          // per try
  int retries = 1;
};

class KxSnmpClient {
public:
  using Done = std::function<void(const KxSnmpAnswer &)>;
  enum class Op { get, getnext, set };

  explicit KxSnmpClient(KxEventLoop &loop, size_t max_sessions = 200);
  ~KxSnmpClient();
  KxSnmpClient(const KxSnmpClient &) = delete;
  KxSnmpClient &operator=(const KxSnmpClient &) = delete;

  // Each returns 0 when the request is under way (done is called later from
  // the loop, exactly once) and -1 when it cannot be started (bad target or
  // variable name; done is not called).
  int get(const KxSnmpTarget &t, const std::vector<std::string> &oids, Done done);
  int getnext(const KxSnmpTarget &t, const std::vector<std::string> &oids, Done done);
  // Sets string values.
  int set(const KxSnmpTarget &t, const std::vector<std::pair<std::string, std::string>> &vars,
          Done done);

  size_t pending() const { return running_.size() + waiting_.size(); }
  // Waits on a KxPollLoop-like loop is the caller's business; this only says
  // whether anything is left.
  bool idle() const { return pending() == 0; }

  struct Request;

private:
  int read_request(Op op, const KxSnmpTarget &t, const std::vector<std::string> &oids, Done done);
  int submit(std::unique_ptr<Request> r);
  void start(std::unique_ptr<Request> r);
  void finish(Request *r);
  void arm_timer(Request *r);
  void start_waiting();

  KxEventLoop &loop_;
  size_t max_sessions_;
  std::map<Request *, std::unique_ptr<Request>> running_;
  std::deque<std::unique_ptr<Request>> waiting_;
};

// Makes the library ready once: no configuration files, no persistent
// state, no MIB modules loaded by default. Safe to call often.
void kx_snmp_init();
