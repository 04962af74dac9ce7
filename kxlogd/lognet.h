// The log server's network side: the listener on TCP port 257, the
// handshake of each new client (version word and authentication for "log"),
// and the loop that serves every session without letting one stall another.
#pragma once

#include "logproto.h"
#include "logaction.h"
#include "logresume.h"
#include "logserver.h"

#include "kxlog/logstream.h"

#include "kxsys/controlmap.h"

#include <atomic>
#include <map>
#include <memory>
#include <cstdint>
#include <string>
#include <vector>

namespace kxlogd {

struct LogServerOptions {
  uint32_t address = 0;       // host order; 0: any
  int port = 257;             // 0: a free one
  std::string logfile;        // the file every client's records go to
  std::string confdir;        // where control.map (and masters) are
  int ask_retry = 5;
  // Alerts: with an objects file, records whose action name begins with "!"
  // run that action's command, at most act_maxproc at a time.
  std::string alerts_objects;
  int act_maxproc = 1;
};

class LogServer {
public:
  LogServer();
  ~LogServer();
  LogServer(const LogServer &) = delete;
  LogServer &operator=(const LogServer &) = delete;

  // Loads control.map, opens the log file and listens; false with `err`.
  bool start(const LogServerOptions &options, std::string &err);
  int port() const { return port_; }
  // Serves until stop() (or the signal pipe says so); then ends every
  // session in order: what was read is written and acknowledged first.
  int run();

  // Safe from a signal handler: asks the loop to stop, or to reopen the log
  // file (a new file after the old one was moved away).
  void stop();
  void reopen();

private:
  struct Handoff {
    int fd;
    uint32_t peer;
    uint32_t version;
    uint64_t client;
  };
  struct Out {
    std::vector<uint8_t> bytes; // the unsent rest of what was composed
    uint32_t acked = 0;
  };

  void accept_one();
  void take_handoffs();
  void read_session(LogServerSession &s, std::vector<int> &ended);
  void send_due(LogServerSession &s, std::vector<int> &ended);
  void close_session(int id, bool report = true);
  void control(char c);
  void shut_down();
  // Writes what is buffered, then the resume marks that say so; only then
  // may anything be acknowledged. False when either write failed.
  bool commit();

  LogServerOptions options_;
  LogAppender out_;
  LogResumeBook book_;
  LogServerCore core_{out_};
  std::unique_ptr<LogAlerts> alerts_;
  std::unique_ptr<LogStream> stream_; // the records read as a reader would, for alerts
  long recnum_ = 0;
  // What the handshake threads share with the loop; it lives until the
  // last of them is done.
  struct Shared {
    kxsys::kxusr_table table;
    int handoff[2] = {-1, -1};
    std::atomic<int> handshakes{0};
    ~Shared();
  };
  static void serve_handshake(std::shared_ptr<Shared> shared, int fd, uint32_t peer);
  std::shared_ptr<Shared> shared_;
  int listener_ = -1, port_ = 0;
  int control_[2] = {-1, -1};
  std::map<int, Out> outs_;
  bool stopping_ = false;
};

} // namespace kxlogd
