#include "logcollect.h"

#include "logconnect.h"
#include "logdoubt.h"
#include "logmodule.h"
#include "logproto.h"

#include "kxlog/logbatch.h"
#include "kxu/report.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kxlogd {

namespace {
constexpr uint32_t kTrapWord = 0x50415254; // "PART"
constexpr int kFilterCheckSeconds = 2;
constexpr int kMessagesPerRound = 512;

// A datagram socket bound to `path` (an old socket file there is
// replaced); -1 with `err`.
int bind_datagrams(const std::string &path, std::string &err) {
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  if (path.size() >= sizeof sa.sun_path) {
    err = "socket path too long: " + path;
    return -1;
  }
  std::copy(path.begin(), path.end(), sa.sun_path);
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  unlink(path.c_str());
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
    err = "cannot bind the message socket " + path + ": " + strerror(errno);
    if (fd >= 0) ::close(fd);
    return -1;
  }
  const int rcvbuf = 4 << 20;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
  return fd;
}

kxlogrec record_header(uint32_t origin, uint32_t time, uint8_t format, uint8_t fid = 0) {
  kxlogrec h;
  h.origin = origin;
  h.time = time;
  h.format = format;
  h.fid = fid;
  return h;
}

// Points each of `count` message headers at its own `size`-byte slot of
// `buf`, for one recvmmsg call.
void point_at_slots(mmsghdr *msgs, iovec *iov, unsigned count, uint8_t *buf, size_t size) {
  for (unsigned i = 0; i < count; ++i) {
    iov[i] = {buf + i * size, size};
    msgs[i] = {};
    msgs[i].msg_hdr.msg_iov = &iov[i];
    msgs[i].msg_hdr.msg_iovlen = 1;
  }
}

} // namespace

LogCollector::LogCollector(CollectorOptions options) : o_(std::move(options)) {
  if (o_.input.empty()) o_.input = o_.moduledir + "/log/kxlog.sock";
  if (o_.batches.empty()) o_.batches = o_.moduledir + "/log/kxlog.batch";
  if (o_.logfile.empty()) o_.logfile = o_.moduledir + "/log/kx.log";
  if (o_.id_file.empty()) o_.id_file = o_.moduledir + "/log/kxlog.id";
  if (o_.pending.empty()) o_.pending = o_.moduledir + "/log/kxlog.pending";
}

LogCollector::~LogCollector() {
  close_server();
  if (input_ >= 0) {
    ::close(input_);
    unlink(o_.input.c_str());
  }
  if (batch_input_ >= 0) {
    ::close(batch_input_);
    unlink(o_.batches.c_str());
  }
  for (int fd : control_)
    if (fd >= 0) ::close(fd);
}

bool LogCollector::start(std::string &err) {
  interfaces_ = module_interfaces(o_.moduledir);
  if (pipe2(control_, O_CLOEXEC | O_NONBLOCK) != 0) {
    err = "pipe failed";
    return false;
  }
  if ((input_ = bind_datagrams(o_.input, err)) < 0) return false;
  if ((batch_input_ = bind_datagrams(o_.batches, err)) < 0) return false;
  client_ = collector_client_id(o_.id_file);
  // Records in doubt when we last stopped: held again (and in memory only
  // from here on, like every record not yet acknowledged).
  DoubtfulRecords doubt;
  if (load_doubtful(o_.pending, doubt)) {
    for (size_t at = 0; at < doubt.records.size();) {
      const size_t n = LOG_HEADER_SIZE + x2kxlogrec(&doubt.records[at]).length;
      window_.push(&doubt.records[at], n);
      at += n;
    }
    window_.number(doubt.book, doubt.first);
  }
  unlink(o_.pending.c_str());
  note_filter();
  if (o_.servers.empty()) {
    go_local();
  } else if (log_connect() < 0) {
    kx_message("Connection to log servers failed");
    go_local();
    kx_message("Retrying...");
    next_connect_ = time(nullptr) + o_.retry;
  }
  return true;
}

void LogCollector::stop() {
  const char c = 'T';
  (void)!::write(control_[1], &c, 1);
}

void LogCollector::reopen() {
  const char c = 'H';
  (void)!::write(control_[1], &c, 1);
}

// The filter the module daemon installed, announced like the packet filter
// announces a new filter: a log-info record of filter number 1.
void LogCollector::note_filter() {
  const time_t changed = module_filter_changed(o_.moduledir);
  if (changed == filter_changed_) return;
  filter_changed_ = changed;
  auto f = module_filter(o_.moduledir);
  if (!f) return;
  std::vector<uint8_t> msg = f->info;
  msg.insert(msg.end(), {LOG_FMT_INFO, 0, 0, 1});
  log_message(msg.data(), msg.size(), uint32_t(time(nullptr)));
}

bool LogCollector::log_message(const uint8_t *message, size_t length, uint32_t read_time) {
  if (length < 4 || length % 4 || length - 4 > LOG_MAX_EXPORT) {
    error(0, 0, "Bad log message of %zu bytes", length);
    return false;
  }
  const size_t n = length - 4;
  const uint8_t *t = message + n;
  kxlogrec h = record_header(o_.origin, read_time, t[0], t[3]);
  h.actif = t[1];
  h.direction = t[2];
  switch (h.format) {
  case LOG_FMT_INFO: {
    kxlogdom dom;
    if (x2kxlogdom(message, n, &dom) >= 0) {
      infos_[h.fid].assign(message, message + n);
      if (on_domain_tables) on_domain_tables(dom.domain_text);
    } else {
      infos_.erase(h.fid);
      if (on_domain_tables) on_domain_tables("");
    }
    break;
  }
  case LOG_FMT_DOMAIN:
    if (n >= 4 && on_domain_request) on_domain_request(be32(message));
    return true;
  case LOG_FMT_SYSTEM: return true; // the filter's own notes are not log
  default:
    if (n >= 8 && be32(message) == kTrapWord) {
      std::vector<uint32_t> words(n / 4);
      for (size_t i = 0; i < words.size(); ++i) words[i] = be32(message + 4 * i);
      if (on_trap) on_trap(h, words.data(), words.size());
      return true;
    }
    break;
  }
  store(h, message, n);
  return true;
}

void LogCollector::store(const kxlogrec &h, const uint8_t *data, size_t length) {
  if (state_ == kNone && o_.servers.empty()) go_local();
  if (state_ == kConnected) {
    window_.push(h, data, length);
    if (window_.unsent_size() >= (256u << 10)) send_some();
  } else if (state_ == kLocal) {
    local_.add(h, data, length);
    if (local_.pending() >= LogAppender::flush_threshold()) local_.flush();
  }
}

// The interface list and the log-info record of every filter, so that what
// follows can be read.
void LogCollector::describe(bool with_filters) {
  const uint32_t now = uint32_t(time(nullptr));
  kxlogrec ifs = record_header(o_.origin, now, 0);
  ifs.type = LOG_TYPE_IFNAME;
  const std::vector<uint8_t> list = kxif_list2x(interfaces_);
  store(ifs, list.data(), list.size());
  if (!with_filters) return;
  for (const auto &[fid, info] : infos_)
    store(record_header(o_.origin, now, LOG_FMT_INFO, fid), info.data(), info.size());
}

void LogCollector::close_server() {
  if (server_ < 0) return;
  ::close(server_);
  server_ = -1;
  from_server_.clear();
}

int LogCollector::log_connect() {
  const time_t now = time(nullptr);
  if (attempted_ && now - last_attempt_ < o_.min_retry && now >= last_attempt_) return -1;
  attempted_ = true;
  last_attempt_ = now;
  close_server();
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  for (const auto &name : o_.servers) {
    if (name == "localhost" || name == host) {
      go_local();
      return -1;
    }
    std::string why;
    LogResumePoint point;
    const int fd = client_ ? log_connect_resuming(name, o_.port, o_.connect_timeout, client_, point,
                                                  why, o_.origin)
                           : log_connect_server(name, o_.port, o_.connect_timeout, true, why,
                                                o_.origin);
    if (fd < 0) {
      if (why.find("Authentication") != std::string::npos) kx_message("%s", why.c_str());
      continue;
    }
    server_ = fd;
    server_name_ = name;
    state_ = kConnected;
    local_.close(); // the next loss reopens it with its sync record
    kx_message("Connected to log server %s", name.c_str());
    // Of the records in doubt, those numbered up to the server's last are
    // written already.
    size_t written = 0;
    const uint64_t book = window_.book(), first = window_.first();
    if (book != 0 && point.book == book) {
      if (point.last + 1 >= first && point.last + 1 - first <= window_.records())
        written = size_t(point.last + 1 - first);
      else
        error(0, 0, "log server %s holds record %llu, not one of those in doubt (%llu on)",
              name.c_str(), static_cast<unsigned long long>(point.last),
              static_cast<unsigned long long>(first));
    }
    std::vector<uint8_t> held;
    size_t skipped = 0;
    window_.drain([&](const uint8_t *r, size_t n) {
      if (skipped++ >= written) held.insert(held.end(), r, r + n);
    });
    window_.number(point.book, point.last + 1);
    const std::vector<uint8_t> text = logsys_data(LOGSYS_SENDING, name);
    store(record_header(o_.origin, uint32_t(now), LOG_FMT_SYSTEM), text.data(), text.size());
    describe(true);
    for (size_t at = 0; at + LOG_HEADER_SIZE <= held.size();) {
      const size_t n = LOG_HEADER_SIZE + x2kxlogrec(&held[at]).length;
      window_.push(&held[at], n);
      at += n;
    }
    return fd;
  }
  return -1;
}

void LogCollector::go_local() {
  if (!local_.is_open()) {
    if (!local_.open(o_.logfile, o_.origin)) {
      error(0, -1, "Failed to open logfile %s", o_.logfile.c_str());
      state_ = kNone;
      return;
    }
    state_ = kLocal;
    describe(true);
  }
  state_ = kLocal;
}

void LogCollector::server_down() {
  kx_message("Log server %s went down", server_name_.empty() ? "(unknown)" : server_name_.c_str());
  close_server();
  state_ = kNone;
  if (stopping_ && window_.empty()) return;
  if (!stopping_ && log_connect() >= 0) return; // what was held goes to the new server
  go_local();
  // What a server that does not resume did not acknowledge is kept here;
  // a resuming server's records in doubt wait for the next connection.
  if (window_.book() == 0)
    window_.drain([&](const uint8_t *r, size_t n) {
      const kxlogrec h = x2kxlogrec(r);
      if (state_ == kLocal) local_.add(h, r + LOG_HEADER_SIZE, n - LOG_HEADER_SIZE);
    });
  next_connect_ = time(nullptr) + o_.retry;
}

void LogCollector::send_some() {
  while (server_ >= 0 && window_.unsent_size() > 0) {
    const ssize_t w = ::send(server_, window_.unsent(), window_.unsent_size(),
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (w < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;
      if (errno == EINTR) continue;
      server_down();
      return;
    }
    window_.sent(size_t(w));
  }
}

// Acknowledgements, and requests to describe the module again.
void LogCollector::server_input() {
  uint8_t buf[4096];
  const ssize_t n = ::read(server_, buf, sizeof buf);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  if (n <= 0) {
    server_down();
    return;
  }
  from_server_.insert(from_server_.end(), buf, buf + n);
  size_t at = 0;
  while (from_server_.size() - at >= 4) {
    const uint32_t word = be32(&from_server_[at]);
    if (word == LOG_ACK_WORD) {
      if (from_server_.size() - at < LOG_ACK_SIZE) break;
      if (!window_.ack(be32(&from_server_[at + 4]))) {
        error(0, 0, "log server %s acknowledged records it was not sent", server_name_.c_str());
        server_down();
        return;
      }
      at += LOG_ACK_SIZE;
      continue;
    }
    // A request while the window is full waits: the description would
    // only pile up behind what the server has not taken yet.
    if (!window_.full()) describe(true);
    at += 4;
  }
  from_server_.erase(from_server_.begin(), from_server_.begin() + ptrdiff_t(at));
}

// Messages come in batches of datagrams, one system call per batch; the
// time a batch was read is the time of its records.
int LogCollector::read_messages() {
  constexpr unsigned kBatch = 64;
  constexpr size_t kSize = LOG_MAX_EXPORT + 64;
  static thread_local std::vector<uint8_t> buf(kBatch * kSize);
  mmsghdr msgs[kBatch];
  iovec iov[kBatch];
  int taken = 0;
  for (int round = 0; round < kMessagesPerRound / int(kBatch); ++round) {
    if (full()) break;
    point_at_slots(msgs, iov, kBatch, buf.data(), kSize);
    const int n = recvmmsg(input_, msgs, kBatch, MSG_DONTWAIT, nullptr);
    if (n <= 0) break;
    taken += n;
    const uint32_t now = uint32_t(time(nullptr));
    for (int i = 0; i < n; ++i) log_message(buf.data() + size_t(i) * kSize, msgs[i].msg_len, now);
    if (n < int(kBatch)) break;
  }
  return taken;
}

// Batches of messages: a few datagrams per system call, each split into
// its messages. A batch whose framing is broken, or that was cut short,
// keeps the messages before the fault.
int LogCollector::read_batches() {
  constexpr unsigned kBatches = 8;
  batch_buf_.resize(kBatches * LOG_BATCH_MAX);
  mmsghdr msgs[kBatches];
  iovec iov[kBatches];
  point_at_slots(msgs, iov, kBatches, batch_buf_.data(), LOG_BATCH_MAX);
  const int n = recvmmsg(batch_input_, msgs, kBatches, MSG_DONTWAIT, nullptr);
  if (n <= 0) return 0;
  const uint32_t now = uint32_t(time(nullptr));
  for (int i = 0; i < n; ++i) {
    const uint8_t *batch = batch_buf_.data() + size_t(i) * LOG_BATCH_MAX;
    const size_t size = std::min<size_t>(msgs[i].msg_len, LOG_BATCH_MAX);
    const LogBatchFault fault = log_batch_split(
        batch, size, [&](const uint8_t *m, size_t length) { log_message(m, length, now); });
    if (msgs[i].msg_hdr.msg_flags & MSG_TRUNC)
      error(0, 0, "Log batch longer than %zu bytes: the rest is lost", LOG_BATCH_MAX);
    else if (!fault.what.empty())
      error(0, 0, "Bad log batch of %zu bytes: %s; %zu bytes dropped", size, fault.what.c_str(),
            fault.dropped);
  }
  return n;
}

int LogCollector::run() {
  while (!stopping_) {
    const time_t now = time(nullptr);
    if (now >= next_filter_check_) {
      note_filter();
      next_filter_check_ = now + kFilterCheckSeconds;
    }
    if (state_ != kConnected && next_connect_ && now >= next_connect_) {
      if (log_connect() >= 0) next_connect_ = 0;
      else next_connect_ = now + o_.retry;
    }
    pollfd fds[5] = {{control_[0], POLLIN, 0},
                     {full() ? -1 : input_, POLLIN, 0},
                     {server_, short(POLLIN | (window_.unsent_size() ? POLLOUT : 0)), 0},
                     {extra_fd ? extra_fd() : -1, POLLIN, 0},
                     {full() ? -1 : batch_input_, POLLIN, 0}};
    if (poll(fds, 5, 500) < 0 && errno != EINTR) return 1;
    if (fds[3].fd >= 0 && fds[3].revents && on_extra) on_extra();
    if (fds[0].revents) {
      char c[8];
      const ssize_t k = read(control_[0], c, sizeof c);
      for (ssize_t i = 0; i < k; ++i) {
        if (c[i] == 'T') stopping_ = true;
        // A new local file (the old one was moved away): it begins with
        // the module's description like every opening.
        if (c[i] == 'H' && local_.is_open()) {
          local_.close();
          go_local();
        }
      }
    }
    if (fds[1].revents & POLLIN) read_messages();
    if (fds[4].revents & POLLIN) read_batches();
    if (server_ >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) server_input();
    send_some();
    local_.flush();
  }
  // What the packet filter handed over before the stop is taken too: it
  // would go with the sockets. (A sender that goes on is not waited for.)
  for (int i = 0; i < 64 && read_messages() + read_batches() > 0; ++i) {
  }
  // Whatever reaches the server now is acknowledged before it closes; the
  // rest stays here, in doubt. A server that takes nothing is not waited for
  // long: what it lacks is settled at the next connection.
  if (server_ >= 0) {
    using clock = std::chrono::steady_clock;
    auto end = clock::now() + std::chrono::seconds(1);
    while (server_ >= 0 && window_.unsent_size() && clock::now() < end) {
      pollfd p{server_, POLLOUT, 0};
      poll(&p, 1, 20);
      send_some();
    }
    if (server_ >= 0) ::shutdown(server_, SHUT_WR);
    end = clock::now() + std::chrono::seconds(1);
    while (server_ >= 0 && !window_.empty() && clock::now() < end) {
      pollfd p{server_, POLLIN, 0};
      if (poll(&p, 1, 20) > 0) server_input();
    }
    if (server_ >= 0) close_server();
  }
  keep_unacknowledged();
  local_.close();
  return 0;
}

void LogCollector::keep_unacknowledged() {
  if (window_.empty()) return;
  if (window_.book() != 0) {
    DoubtfulRecords doubt{window_.book(), window_.first(), {}};
    window_.drain([&](const uint8_t *r, size_t n) { doubt.records.insert(doubt.records.end(), r, r + n); });
    std::string err;
    if (save_doubtful(o_.pending, doubt, err)) return;
    error(0, 0, "cannot keep the records in doubt: %s; they go to the local file", err.c_str());
    for (size_t at = 0; at < doubt.records.size();) {
      const size_t n = LOG_HEADER_SIZE + x2kxlogrec(&doubt.records[at]).length;
      window_.push(&doubt.records[at], n);
      at += n;
    }
  }
  go_local();
  window_.drain([&](const uint8_t *r, size_t n) {
    if (state_ == kLocal) local_.add(x2kxlogrec(r), r + LOG_HEADER_SIZE, n - LOG_HEADER_SIZE);
  });
}

} // namespace kxlogd
