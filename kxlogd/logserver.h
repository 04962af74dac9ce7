// The log server's handling of its clients' records: what is appended to the
// server's file, and the bookkeeping that keeps every file the server writes
// self-describing. Before the first record of each filter and client in a
// file stand that filter's log-info record and the client's interface list,
// written again into each new file; a client whose filter or interfaces are
// not known is asked to describe itself (at most once per ask_retry seconds).
//
// The core knows nothing of sockets: the network side hands it the bytes each
// client sent and sends what it asks for.
#pragma once

#include "logappend.h"
#include "logparse.h"

#include "kxlog/logrec.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kxlogd {

struct LogServerSession {
  int id = -1;
  uint32_t peer = 0;
  std::string name;
  bool acks = false;          // the client asked for acknowledgements
  LogRecordParser parser;
  uint64_t taken = 0;         // records taken from the stream (acknowledged modulo 2^32)
  // A resuming client: its number, and the number of its last record the
  // server held when it connected (the records it sends now count on).
  bool resumes = false;
  uint64_t client = 0;
  uint64_t base = 0;
  bool resume_due = false;    // the network side sends the resume answer and clears it
  std::vector<uint8_t> iflist;       // the last interface list, 244 bytes
  uint64_t iflist_generation = 0;    // the file generation it was last written in
  time_t last_ask = 0;        // when the client was last asked to describe itself
  bool asked = false;
  bool request_due = false;   // the network side sends four zero bytes and clears it
};

class LogServerCore {
public:
  explicit LogServerCore(LogAppender &out) : out_(out) {}

  int ask_retry = 5; // seconds between two requests to the same client

  // A session begins: "started logging NAME" is appended for the peer.
  LogServerSession &begin(int id, uint32_t peer, const std::string &name, bool acks, time_t now);
  // The session ends: "stopped logging NAME" is appended and it is forgotten.
  void end(int id, time_t now);
  LogServerSession *session(int id);

  // Handles every whole record the session's parser holds. False when the
  // stream has a record of impossible length (reported); the session must
  // then be closed.
  bool take(LogServerSession &s, time_t now);
  // Handles one record of a client.
  void record(LogServerSession &s, const kxlogrec &h, const uint8_t *data, size_t length, time_t now);

  size_t sessions() const { return sessions_.size(); }

  // Sees every record appended (the alert executor reads the stream).
  std::function<void(const kxlogrec &h, const uint8_t *data, size_t length)> on_append;

private:
  struct InfoCopy {
    kxlogrec header;
    std::vector<uint8_t> data;
    uint64_t generation = 0;
  };
  void append(const kxlogrec &h, const uint8_t *data, size_t length);
  // A record of an ordinary format whose filter and interfaces this file
  // has already: appended unchanged.
  bool passes_through(const LogServerSession &s, const kxlogrec &h) const;
  void log_info(LogServerSession &s, const kxlogrec &h, const uint8_t *data, size_t length);
  void log_record(LogServerSession &s, const kxlogrec &h, const uint8_t *data, size_t length,
                  time_t now);
  void ask(LogServerSession &s, time_t now);

  LogAppender &out_;
  std::map<int, LogServerSession> sessions_;
  // The identity in force per (origin, fid), and the log-info copy per
  // identity. Both are capped: a client cannot make the server hold more
  // than kMaxIdentities of either.
  static constexpr size_t kMaxIdentities = 65536;
  std::map<uint64_t, uint64_t> in_force_; // origin << 8 | fid -> identity key
  std::map<uint64_t, InfoCopy> infos_;
  // The log-info copy of the last (origin, fid) a record came from: most
  // records follow one of the same filter. Forgotten whenever either map changes.
  uint64_t cached_pair_ = ~uint64_t(0);
  InfoCopy *cached_info_ = nullptr;
};

} // namespace kxlogd
