#include "lognet.h"

#include "kxlog/logfile.h"
#include "kxlog/logprint.h"
#include "kxsys/auth.h"
#include "kxsys/comm.h"
#include "kxsys/conn.h"
#include "kxu/report.h"

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace kxlogd {

using namespace kxsys;

namespace {
// Handshakes in progress at once; a burst beyond this waits in the backlog.
constexpr int kMaxHandshakes = 64;
// Bytes read from one session per round, so that a busy client cannot keep
// the others waiting.
constexpr size_t kReadChunk = 128 * 1024;
// Buffered file bytes above which no session is read until the file takes them.
constexpr size_t kMaxBacklog = 64u << 20;

bool write_full(int fd, const void *p, size_t n) {
  const uint8_t *b = static_cast<const uint8_t *>(p);
  while (n > 0) {
    const ssize_t w = ::write(fd, b, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    b += w;
    n -= size_t(w);
  }
  return true;
}
} // namespace

LogServer::Shared::~Shared() {
  for (int fd : handoff)
    if (fd >= 0) ::close(fd);
}

LogServer::LogServer() : shared_(std::make_shared<Shared>()) {}

LogServer::~LogServer() {
  for (auto &[id, out] : outs_) ::close(id);
  if (listener_ >= 0) ::close(listener_);
  for (int fd : control_)
    if (fd >= 0) ::close(fd);
}

bool LogServer::start(const LogServerOptions &options, std::string &err) {
  options_ = options;
  core_.ask_retry = options.ask_retry;
  shared_->table = kxusr_load(options.confdir);
  for (const auto &m : shared_->table.messages) error(0, 0, "%s", m.c_str());
  if (!shared_->table.fatal.empty()) {
    err = shared_->table.fatal;
    return false;
  }
  if (pipe2(shared_->handoff, O_CLOEXEC) != 0 || pipe2(control_, O_CLOEXEC | O_NONBLOCK) != 0) {
    err = "pipe failed";
    return false;
  }
  listener_ = kx_establish(options.address, options.port, 4, &port_);
  if (listener_ < 0) {
    err = "Cannot bind server on port " + std::to_string(options.port);
    return false;
  }
  fcntl(listener_, F_SETFL, fcntl(listener_, F_GETFL) | O_NONBLOCK);
  if (!kxlog_my_addr) kxlog_my_addr = options.address;
  if (!options.alerts_objects.empty()) {
    alerts_ = std::make_unique<LogAlerts>(options.alerts_objects);
    alerts_->act_maxproc = options.act_maxproc;
    stream_ = std::make_unique<LogStream>([this](const log_shown &s) {
      if (s.kind == log_shown::kRecord && !s.action_name.empty() && s.action_name[0] == '!')
        alerts_->log_action(s.action_name, log_line(s, stream_->hosts()));
    });
    core_.on_append = [this](const kxlogrec &h, const uint8_t *data, size_t length) {
      stream_->feed(h, data, length, recnum_++);
    };
  }
  if (!book_.open(options.logfile + ".resume", err)) return false;
  // Records of a killed server that were never marked (nor acknowledged)
  // go: their clients send them again. A torn record among them goes too.
  if (const uint64_t cut = book_.cut_unmarked(options.logfile))
    kx_message("Removed %llu bytes written after the last resume mark of %s",
               static_cast<unsigned long long>(cut), options.logfile.c_str());
  if (!out_.open(options.logfile, kxlog_my_addr)) {
    err = "Failed to open logfile " + options.logfile;
    return false;
  }
  commit();
  return true;
}

void LogServer::stop() {
  const char c = 'T';
  (void)!::write(control_[1], &c, 1);
}

void LogServer::reopen() {
  const char c = 'H';
  (void)!::write(control_[1], &c, 1);
}

// The version word and the authentication run on a thread of their own:
// both wait for the peer, and a silent peer must not hold up the others.
void LogServer::serve_handshake(std::shared_ptr<Shared> shared, int fd, uint32_t peer) {
  int32_t version = 0;
  bool ok = readint(fd, version) != 0;
  const bool resumes = uint32_t(version) == LOG_VERSION_RESUME;
  if (ok && uint32_t(version) != LOG_VERSION && uint32_t(version) != LOG_VERSION_ACK && !resumes) {
    error(0, 0, "Log version %08x wrong from %s on %d", uint32_t(version), kx_dotted(peer).c_str(),
          fd);
    ok = false;
  } else if (ok && kx_auth_verify(fd, shared->table, peer, "log") != 1) {
    error(0, 0, "Log Authtentication failed from %s on %d", kx_dotted(peer).c_str(), fd);
    ok = false;
  }
  int32_t high = 0, low = 0;
  if (ok && resumes && (readint(fd, high) == 0 || readint(fd, low) == 0)) ok = false;
  if (ok) {
    const Handoff h{fd, peer, uint32_t(version), uint64_t(uint32_t(high)) << 32 | uint32_t(low)};
    ok = write_full(shared->handoff[1], &h, sizeof h);
  }
  if (!ok) ::close(fd);
  --shared->handshakes;
}

void LogServer::accept_one() {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  const int fd = accept4(listener_, reinterpret_cast<sockaddr *>(&sa), &len,
                         SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) {
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) error(0, -1, "Accept failed");
    return;
  }
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  const uint32_t peer = ntohl(sa.sin_addr.s_addr);
  ++shared_->handshakes;
  try {
    std::thread(&LogServer::serve_handshake, shared_, fd, peer).detach();
  } catch (const std::system_error &) {
    --shared_->handshakes;
    ::close(fd);
  }
}

void LogServer::take_handoffs() {
  Handoff h{};
  if (read(shared_->handoff[0], &h, sizeof h) != ssize_t(sizeof h)) return;
  const time_t now = time(nullptr);
  const std::string name = kx_dotted(h.peer);
  const bool resumes = h.version == LOG_VERSION_RESUME;
  if (resumes) {
    // The same client again: its old connection is gone, whatever the
    // kernel still holds of it was not acknowledged and comes again.
    std::vector<int> old;
    for (const auto &[id, o] : outs_) {
      const LogServerSession *s = core_.session(id);
      if (s && s->resumes && s->client == h.client) old.push_back(id);
    }
    for (int id : old) close_session(id);
  }
  LogServerSession &s = core_.begin(h.fd, h.peer, name, h.version != LOG_VERSION, now);
  if (resumes) {
    s.resumes = s.resume_due = true;
    s.client = h.client;
    s.base = book_.last(h.client);
  }
  outs_[h.fd] = Out{};
  kx_message("Got connection from %s on %d", name.c_str(), h.fd);
}

bool LogServer::commit() {
  if (!out_.flush()) return false;
  for (const auto &[id, o] : outs_) {
    const LogServerSession *s = core_.session(id);
    if (s && s->resumes) book_.set(s->client, s->base + s->taken);
  }
  return book_.mark(out_.inode(), out_.end());
}

void LogServer::close_session(int id, bool report) {
  LogServerSession *s = core_.session(id);
  if (!s) return;
  if (report) kx_message("End connection from %s on %d", s->name.c_str(), id);
  if (s->resumes) book_.set(s->client, s->base + s->taken);
  core_.end(id, time(nullptr));
  outs_.erase(id);
  ::close(id);
}

void LogServer::read_session(LogServerSession &s, std::vector<int> &ended) {
  uint8_t *space = s.parser.space(kReadChunk);
  const ssize_t n = ::read(s.id, space, kReadChunk);
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
    error(0, -1, "log_read_net: failed on %d", s.id);
    ended.push_back(s.id);
    return;
  }
  if (n == 0) {
    if (s.parser.buffered())
      error(0, 0, "log_read_net: Got %zu bytes of a record from %s", s.parser.buffered(),
            s.name.c_str());
    ended.push_back(s.id);
    return;
  }
  s.parser.commit(size_t(n));
  if (!core_.take(s, time(nullptr))) ended.push_back(s.id);
}

// Requests and acknowledgements: composed only when the last ones are out,
// so a client that does not read costs at most a few bytes.
void LogServer::send_due(LogServerSession &s, std::vector<int> &ended) {
  Out &o = outs_[s.id];
  if (o.bytes.empty()) {
    if (s.resume_due) {
      uint8_t answer[LOG_RESUME_SIZE];
      ::put_be32(answer, LOG_RESUME_WORD);
      ::put_be32(answer + 4, uint32_t(book_.book() >> 32));
      ::put_be32(answer + 8, uint32_t(book_.book()));
      ::put_be32(answer + 12, uint32_t(s.base >> 32));
      ::put_be32(answer + 16, uint32_t(s.base));
      o.bytes.insert(o.bytes.end(), answer, answer + sizeof answer);
      s.resume_due = false;
    }
    if (s.request_due) {
      o.bytes.insert(o.bytes.end(), LOG_REQUEST_SIZE, 0);
      s.request_due = false;
    }
    if (s.acks && s.taken != o.acked) {
      uint8_t ack[LOG_ACK_SIZE];
      ::put_be32(ack, LOG_ACK_WORD);
      ::put_be32(ack + 4, s.taken);
      o.bytes.insert(o.bytes.end(), ack, ack + sizeof ack);
      o.acked = s.taken;
    }
  }
  if (o.bytes.empty()) return;
  const ssize_t w = ::send(s.id, o.bytes.data(), o.bytes.size(), MSG_NOSIGNAL);
  if (w < 0) {
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) ended.push_back(s.id);
    return;
  }
  o.bytes.erase(o.bytes.begin(), o.bytes.begin() + w);
}

void LogServer::control(char c) {
  if (c == 'T') stopping_ = true;
  if (c == 'H') {
    // A new file: every filter's log-info and every client's interface
    // list are written into it again before their next records.
    commit();
    if (!out_.open(options_.logfile, kxlog_my_addr))
      error(0, -1, "Failed to open logfile %s", options_.logfile.c_str());
    commit();
  }
}

int LogServer::run() {
  std::vector<pollfd> fds;
  std::vector<int> ended;
  while (!stopping_) {
    fds.clear();
    fds.push_back({control_[0], POLLIN, 0});
    fds.push_back({shared_->handoff[0], POLLIN, 0});
    const bool accepting = shared_->handshakes.load() < kMaxHandshakes;
    fds.push_back({accepting ? listener_ : -1, POLLIN, 0});
    const bool reading = out_.pending() < kMaxBacklog;
    for (const auto &[id, o] : outs_)
      fds.push_back({id, short((reading ? POLLIN : 0) | (o.bytes.empty() ? 0 : POLLOUT)), 0});
    // Alerts waiting for a command to end are started soon after.
    const int wait = !reading || (alerts_ && alerts_->waiting()) ? 50 : 1000;
    const int n = poll(fds.data(), fds.size(), wait);
    if (n < 0 && errno != EINTR) {
      error(0, -1, "log server: poll failed");
      return 1;
    }
    if (fds[0].revents) {
      char c[16];
      const ssize_t k = read(control_[0], c, sizeof c);
      for (ssize_t i = 0; i < k; ++i) control(c[i]);
    }
    if (fds[1].revents & POLLIN) take_handoffs();
    if (fds[2].revents & POLLIN) accept_one();
    ended.clear();
    for (size_t i = 3; i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      LogServerSession *s = core_.session(fds[i].fd);
      if (!s) continue;
      if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) read_session(*s, ended);
      if (out_.pending() >= LogAppender::flush_threshold()) commit();
    }
    // What was read is in the file, and marked, before it is acknowledged.
    const bool flushed = commit();
    for (auto &[id, o] : outs_) {
      LogServerSession *s = core_.session(id);
      if (s && flushed) send_due(*s, ended);
    }
    for (int id : ended) close_session(id);
    if (alerts_) alerts_->poll();
  }
  shut_down();
  return 0;
}

void LogServer::shut_down() {
  std::vector<int> ended;
  const bool flushed = commit();
  for (auto &[id, o] : outs_) {
    LogServerSession *s = core_.session(id);
    if (!s) continue;
    // A short wait for the last acknowledgement to go out.
    for (int i = 0; flushed && i < 10; ++i) {
      send_due(*s, ended);
      if (o.bytes.empty()) break;
      pollfd p{id, POLLOUT, 0};
      poll(&p, 1, 100);
    }
    // Closing with unread bytes would reset the connection, and the reset
    // could overtake the acknowledgement: say we are done and read until
    // the client closes too. What is read now is not acknowledged, so the
    // client keeps it.
    ::shutdown(id, SHUT_WR);
    uint8_t sink[65536];
    for (int i = 0; i < 20; ++i) {
      pollfd p{id, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      const ssize_t n = ::read(id, sink, sizeof sink);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
    }
  }
  std::vector<int> ids;
  for (const auto &[id, o] : outs_) ids.push_back(id);
  for (int id : ids) close_session(id, false);
  commit();
  out_.close();
  ::close(listener_);
  listener_ = -1;
}

} // namespace kxlogd
