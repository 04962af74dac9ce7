// A module's log collector: takes the log messages of the module's packet
// filter, makes records of them and sends them to the first reachable of its
// log servers, or keeps them in the module's own log file while none is
// reachable (trying again every `retry` seconds).
//
// The packet filter's stand-in is two datagram sockets in the module
// directory: "log/kxlog.sock", where one datagram is one message, and
// "log/kxlog.batch", where one datagram is a batch of messages (kxlog/
// logbatch.h), so that a busy filter hands over many messages per system
// call. Other sources of messages call log_message() directly.
//
// States: connected (records go to the server; each is kept until the server
// acknowledges it), local (records go to the local file), or neither (no
// server and the file cannot be opened: records are dropped). Every change
// to local reopens the file with a sync record, a log-system record, the
// interface list and the log-info records of the module's filters; every
// connection begins with the same description, so each file a server writes
// can be read.
//
// Records the server had not acknowledged when it went away are in doubt:
// it may have written them. They are held (across the collector's own
// restarts in "log/kxlog.pending") until a connection to that server says
// which of them it holds; the rest are sent again. With a server that does
// not resume, they go to the local file as soon as it is lost.
#pragma once

#include "logappend.h"
#include "logwindow.h"

#include "kxlog/logrec.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kxlogd {

struct CollectorOptions {
  std::string moduledir;
  std::vector<std::string> servers; // none: local only
  int port = 257;
  int retry = 15;     // seconds between scheduled reconnections
  int min_retry = 5;  // seconds that must pass between two connection attempts
  int connect_timeout = 25;
  uint32_t origin = 0; // this module's address (host order); also the source address
  std::string input;   // the message socket; default moduledir/log/kxlog.sock
  std::string batches; // the batch socket; default moduledir/log/kxlog.batch
  std::string logfile; // the local file; default moduledir/log/kx.log
  std::string id_file; // the client number; default moduledir/log/kxlog.id
  std::string pending; // records in doubt at exit; default moduledir/log/kxlog.pending
};

class LogCollector {
public:
  enum State { kConnected, kLocal, kNone };

  explicit LogCollector(CollectorOptions options);
  ~LogCollector();
  LogCollector(const LogCollector &) = delete;
  LogCollector &operator=(const LogCollector &) = delete;

  // Binds the message socket, describes the module and connects (or opens
  // the local file). False with `err` when the socket cannot be made.
  bool start(std::string &err);
  // Serves until stop(); then hands what is held to the local file.
  int run();
  void stop();   // safe from a signal handler
  void reopen(); // the same; reopens the local file when it is in use

  // One log message of the packet filter: its data words, then the 4-byte
  // trailer {format, action and interface, direction, fid}; `read_time` is
  // when the batch it came in was read. Log-info messages are kept (and
  // re-announced on request), domain requests go to the resolver, traps are
  // run, log-system messages of the filter are dropped; every other message
  // becomes a record with this module's origin. False for a malformed message.
  bool log_message(const uint8_t *message, size_t length, uint32_t read_time);

  State state() const { return state_; }
  const std::string &server() const { return server_name_; }

  // Handlers for domain requests and traps (the resolver's side); by default
  // domain requests are dropped and traps only reported.
  std::function<void(uint32_t address)> on_domain_request;
  std::function<void(const kxlogrec &h, const uint32_t *words, size_t nwords)> on_trap;
  // Called with the domain text of every log-info record (empty for an
  // uninstallation).
  std::function<void(const std::string &domain_text)> on_domain_tables;
  // One more descriptor to wait on (the resolver's replies; -1: none), and
  // what to do when it is readable.
  std::function<int()> extra_fd;
  std::function<void()> on_extra;

private:
  void store(const kxlogrec &h, const uint8_t *data, size_t length);
  void describe(bool with_filters);
  void note_filter();
  int log_connect();
  void sched_connect(time_t now);
  void server_down();
  void go_local();
  void server_input();
  void send_some();
  void close_server();
  // The messages waiting on each socket; the count of datagrams read.
  int read_messages();
  int read_batches();
  // No more messages are taken until the server acknowledges some; at the
  // stop every waiting message is taken.
  bool full() const { return !stopping_ && state_ == kConnected && window_.full(); }
  void keep_unacknowledged(); // at the end: what the window holds, kept

  CollectorOptions o_;
  State state_ = kNone;
  int input_ = -1;
  int batch_input_ = -1;
  std::vector<uint8_t> batch_buf_; // room for the batches of one read
  int server_ = -1;
  int control_[2] = {-1, -1};
  bool stopping_ = false;
  std::string server_name_;
  time_t last_attempt_ = 0;
  bool attempted_ = false;
  time_t next_connect_ = 0; // 0: none scheduled
  LogAppender local_;
  LogSendWindow window_;
  uint64_t client_ = 0; // this collector's number with resuming servers (0: none)
  std::vector<uint8_t> from_server_; // a partial word of the server
  std::vector<kxif> interfaces_;
  std::map<uint8_t, std::vector<uint8_t>> infos_; // per fid: the last log-info data
  time_t filter_changed_ = 0;
  time_t next_filter_check_ = 0;
};

} // namespace kxlogd
