// Process-wide state of the set reader and writer, kept in one place so that
// it could become per-reader later. Reads and writes must not be nested.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

class kxset;

namespace sio {

constexpr size_t kMaxMessages = 32; // the last entry becomes "Too many errors...\n"

struct State {
  // Messages of the current read.
  std::string file; // name used in message prefixes
  bool has_file = false;
  int line = 0; // newlines seen since sio_setfile
  std::vector<std::string> messages;
  std::vector<const char *> message_ptrs; // null-terminated view for sio_errors
  int err = 0;

  // Unknown-name handler: names recorded during the current read.
  bool noscope = false;
  std::unordered_set<std::string> noscope_seen;

  // Buffer behind sio_swrite(nullptr, ...).
  std::string swrite_buf;

  // Empties messages and error code at the start of a read.
  void begin_read();
  // Appends a message: the "\"file\", line N: " prefix while a file name is
  // set and `located`, the text, then ": <code text>\n" for a non-zero code
  // (which also becomes err), else "\n".
  void report(int code, const std::string &text, bool located = true);
};

State &state();

// The level-0 set of scopes without a dictionary (one empty set, never freed).
kxset *empty_base();

} // namespace sio
