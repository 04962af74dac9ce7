#include "kxui/status/snmp_client.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/library/large_fd_set.h>

#include <cstdlib>
#include <cstring>

namespace {

KxSnmpVar decode_var(const netsnmp_variable_list *v) {
  KxSnmpVar out;
  std::vector<uint32_t> parts(v->name, v->name + v->name_length);
  out.name = kx_oid_text(parts.data(), parts.size());
  switch (v->type) {
  case ASN_OCTET_STR:
  case ASN_OPAQUE:
    out.kind = KxSnmpVar::text;
    out.value.assign(reinterpret_cast<const char *>(v->val.string), v->val_len);
    break;
  case ASN_INTEGER:
    out.kind = KxSnmpVar::number;
    out.negative = *v->val.integer < 0;
    out.count = static_cast<uint64_t>(*v->val.integer);
    break;
  case ASN_COUNTER:
  case ASN_GAUGE:
  case ASN_TIMETICKS:
  case ASN_UINTEGER:
    out.kind = KxSnmpVar::number;
    out.count = static_cast<uint32_t>(*v->val.integer);
    break;
  case ASN_COUNTER64:
    out.kind = KxSnmpVar::number;
    out.count = (static_cast<uint64_t>(v->val.counter64->high) << 32) | v->val.counter64->low;
    break;
  case ASN_IPADDRESS:
    out.kind = KxSnmpVar::address;
    if (v->val_len == 4) {
      const unsigned char *a = v->val.string;
      out.value = std::to_string(a[0]) + "." + std::to_string(a[1]) + "." +
                  std::to_string(a[2]) + "." + std::to_string(a[3]);
    }
    break;
  case ASN_OBJECT_ID: {
    out.kind = KxSnmpVar::oid;
    std::vector<uint32_t> id(v->val.objid, v->val.objid + v->val_len / sizeof(oid));
    out.value = kx_oid_text(id.data(), id.size());
    break;
  }
  case ASN_NULL:
    out.kind = KxSnmpVar::null;
    break;
  default: // noSuchObject, noSuchInstance, endOfMibView and the unknown
    out.kind = KxSnmpVar::exception;
    break;
  }
  return out;
}

} // namespace

struct KxSnmpClient::Request {
  KxSnmpClient *client = nullptr;
  KxSnmpTarget target;
  Op op = Op::get;
  std::vector<std::vector<uint32_t>> oids;
  std::vector<std::string> values; // for set
  Done done;
  void *session = nullptr;
  int fd = -1;
  uint64_t timer = 0;
  bool answered = false;
  KxSnmpAnswer answer;

  ~Request() {
    if (session) snmp_sess_close(session);
  }
};

namespace {

int on_pdu(int op, netsnmp_session *, int, netsnmp_pdu *pdu, void *magic) {
  auto *r = static_cast<KxSnmpClient::Request *>(magic);
  // A retry being sent is news, not the end: its answer is still awaited.
  if (op == NETSNMP_CALLBACK_OP_RESEND || r->answered) return 1;
  r->answered = true;
  if (op == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu) {
    r->answer.status = static_cast<int>(pdu->errstat);
    if (pdu->errstat != SNMP_ERR_NOERROR) r->answer.error = snmp_errstring(pdu->errstat);
    for (netsnmp_variable_list *v = pdu->variables; v; v = v->next_variable)
      r->answer.vars.push_back(decode_var(v));
  } else {
    r->answer.status = -1;
    r->answer.error = op == NETSNMP_CALLBACK_OP_TIMED_OUT ? "Timeout" : "No answer";
  }
  return 1;
}

} // namespace

void kx_snmp_init() {
  static bool done = false;
  if (done) return;
  done = true;
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
  // No MIB modules unless one is named: the station asks by number.
  setenv("MIBS", "", 0);
  snmp_disable_log();
  init_snmp("kx");
}

KxSnmpClient::KxSnmpClient(KxEventLoop &loop, size_t max_sessions)
    : loop_(loop), max_sessions_(max_sessions ? max_sessions : 1) {
  kx_snmp_init();
}

KxSnmpClient::~KxSnmpClient() {
  for (auto &[p, r] : running_) {
    if (r->fd >= 0) loop_.unwatch_fd(r->fd);
    if (r->timer) loop_.cancel_timer(r->timer);
  }
}

// A get or get-next of the variables named by `oids`.
int KxSnmpClient::read_request(Op op, const KxSnmpTarget &t, const std::vector<std::string> &oids,
                               Done done) {
  auto r = std::make_unique<Request>();
  r->target = t;
  r->op = op;
  for (const std::string &o : oids) {
    std::vector<uint32_t> parts;
    if (!kx_parse_oid(o, parts)) return -1;
    r->oids.push_back(std::move(parts));
  }
  r->done = std::move(done);
  return submit(std::move(r));
}

int KxSnmpClient::get(const KxSnmpTarget &t, const std::vector<std::string> &oids, Done done) {
  return read_request(Op::get, t, oids, std::move(done));
}

int KxSnmpClient::getnext(const KxSnmpTarget &t, const std::vector<std::string> &oids,
                          Done done) {
  return read_request(Op::getnext, t, oids, std::move(done));
}

int KxSnmpClient::set(const KxSnmpTarget &t,
                      const std::vector<std::pair<std::string, std::string>> &vars, Done done) {
  auto r = std::make_unique<Request>();
  r->target = t;
  r->op = Op::set;
  for (const auto &[o, v] : vars) {
    std::vector<uint32_t> parts;
    if (!kx_parse_oid(o, parts)) return -1;
    r->oids.push_back(std::move(parts));
    r->values.push_back(v);
  }
  r->done = std::move(done);
  return submit(std::move(r));
}

int KxSnmpClient::submit(std::unique_ptr<Request> r) {
  if (r->target.address.empty() || r->oids.empty() || r->target.port <= 0 ||
      r->target.port > 65535)
    return -1;
  r->client = this;
  if (running_.size() < max_sessions_) {
    Request *p = r.get();
    start(std::move(r));
    if (!running_.count(p)) return -1;
    return 0;
  }
  waiting_.push_back(std::move(r));
  return 0;
}

// Opens the session and sends; on failure the request is dropped and not in
// running_ afterwards.
void KxSnmpClient::start(std::unique_ptr<Request> r) {
  netsnmp_session s;
  snmp_sess_init(&s);
  s.version = SNMP_VERSION_2c;
  const std::string peer = "udp:" + r->target.address + ":" + std::to_string(r->target.port);
  std::vector<char> peer_buf(peer.begin(), peer.end());
  peer_buf.push_back('\0');
  s.peername = peer_buf.data();
  std::vector<unsigned char> community(r->target.community.begin(), r->target.community.end());
  community.push_back(0);
  s.community = community.data();
  s.community_len = r->target.community.size();
  s.timeout = static_cast<long>(r->target.timeout_ms) * 1000L;
  s.retries = r->target.retries;
  r->session = snmp_sess_open(&s);
  if (!r->session) return;

  const int type = r->op == Op::get ? SNMP_MSG_GET : r->op == Op::getnext ? SNMP_MSG_GETNEXT
                                                                          : SNMP_MSG_SET;
  netsnmp_pdu *pdu = snmp_pdu_create(type);
  for (size_t i = 0; i < r->oids.size(); ++i) {
    std::vector<oid> name(r->oids[i].begin(), r->oids[i].end());
    if (r->op == Op::set)
      snmp_pdu_add_variable(pdu, name.data(), name.size(), ASN_OCTET_STR, r->values[i].data(),
                            r->values[i].size());
    else
      snmp_add_null_var(pdu, name.data(), name.size());
  }
  if (!snmp_sess_async_send(r->session, pdu, on_pdu, r.get())) {
    snmp_free_pdu(pdu);
    return;
  }
  netsnmp_transport *tr = snmp_sess_transport(r->session);
  r->fd = tr ? tr->sock : -1;
  Request *p = r.get();
  running_[p] = std::move(r);
  if (p->fd >= 0) {
    loop_.watch_fd(p->fd, [this, p] {
      netsnmp_large_fd_set fds;
      netsnmp_large_fd_set_init(&fds, p->fd + 1);
      NETSNMP_LARGE_FD_SET(p->fd, &fds);
      snmp_sess_read2(p->session, &fds);
      netsnmp_large_fd_set_cleanup(&fds);
      if (p->answered) finish(p);
      else arm_timer(p);
    });
  }
  arm_timer(p);
}

void KxSnmpClient::arm_timer(Request *p) {
  if (p->timer) loop_.cancel_timer(p->timer);
  p->timer = 0;
  int numfds = 0, block = 1;
  timeval tv{};
  netsnmp_large_fd_set fds;
  netsnmp_large_fd_set_init(&fds, p->fd + 1);
  snmp_sess_select_info2(p->session, &numfds, &fds, &tv, &block);
  netsnmp_large_fd_set_cleanup(&fds);
  if (block) {
    // Nothing outstanding any more: the library has given up on the request.
    if (!p->answered) {
      p->answered = true;
      p->answer.status = -1;
      p->answer.error = "No answer";
    }
  }
  const auto ms = std::chrono::milliseconds(tv.tv_sec * 1000 + (tv.tv_usec + 999) / 1000);
  p->timer = loop_.add_timer(block ? std::chrono::milliseconds(0) : ms, [this, p] {
    p->timer = 0;
    if (!p->answered) snmp_sess_timeout(p->session);
    if (p->answered) finish(p);
    else arm_timer(p);
  });
}

void KxSnmpClient::finish(Request *p) {
  auto it = running_.find(p);
  if (it == running_.end()) return;
  std::unique_ptr<Request> r = std::move(it->second);
  running_.erase(it);
  if (r->fd >= 0) loop_.unwatch_fd(r->fd);
  if (r->timer) loop_.cancel_timer(r->timer);
  Done done = std::move(r->done);
  KxSnmpAnswer answer = std::move(r->answer);
  r.reset(); // closes the session before the next one starts
  start_waiting();
  if (done) done(answer);
}

void KxSnmpClient::start_waiting() {
  while (running_.size() < max_sessions_ && !waiting_.empty()) {
    std::unique_ptr<Request> r = std::move(waiting_.front());
    waiting_.pop_front();
    Request *p = r.get();
    Done done = r->done;
    start(std::move(r));
    if (!running_.count(p)) {
      // Could not be started now that its turn came: it ends without an
      // answer, from the loop, like any other failure.
      KxSnmpAnswer a;
      a.status = -1;
      a.error = "Cannot start request";
      loop_.add_timer(std::chrono::milliseconds(0), [done, a] {
        if (done) done(a);
      });
    }
  }
}
