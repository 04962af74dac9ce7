// Interpreting a stream of records as a reader of the log sees it: interface
// lists name the interfaces, log-info and filter-reset records say which
// filter's formats apply from which record on, and every record that is
// shown reaches a sink as a log_shown.
#pragma once

#include "kxlog/loghost.h"
#include "kxlog/logmem.h"

#include <functional>
#include <string>
#include <vector>

struct log_shown {
  enum Kind {
    kRecord,      // a log record with its format
    kSystem,      // a log-system record; text holds its display text
    kInfo,        // "installed %s" or "filter uninstalled" in text
    kUnknown,     // the filter's table lacks the record's format
    kUnavailable, // no table is known for the record's filter
  };
  Kind kind = kRecord;
  long recnum = 0;
  kxlogrec header;
  const log_fmt *format = nullptr; // kRecord only
  std::string action_name;         // from the filter's action names; may be empty
  const uint32_t *words = nullptr; // the record's data words in host order
  size_t nwords = 0;
  std::string text;
};

class LogStream {
public:
  using Sink = std::function<void(const log_shown &)>;
  explicit LogStream(Sink sink) : sink_(std::move(sink)) {}

  // Only records of `origin` (0: all) whose time lies within [from, to]
  // (0: open) are shown; all records are interpreted.
  void set_filter(uint32_t origin, uint32_t from, uint32_t to);
  // With queueing on, records whose filter's formats are not known yet wait
  // for them; off, they are shown as kUnavailable at once.
  void set_queueing(bool on) { queueing_ = on; }

  void feed(const kxlogrec &h, const uint8_t *data, size_t length, long recnum);
  // Shows what still waits for its formats as kUnavailable.
  void finish();

  LogHosts &hosts() { return hosts_; }
  LogMemory &memory() { return memory_; }

private:
  void log_info(const kxlogrec &h, const uint8_t *data, size_t length, long recnum);
  void log_record(const kxlogrec &h, const uint8_t *data, size_t length, long recnum);
  void show_record(const kxlogrec &h, const uint8_t *data, size_t length, long recnum,
                   const log_format_table *table);
  void show_plain(log_shown::Kind kind, const kxlogrec &h, long recnum, std::string text,
                  const uint8_t *data = nullptr, size_t length = 0);
  bool in_time(const kxlogrec &h) const;
  void load_words(const uint8_t *data, size_t length);

  Sink sink_;
  LogHosts hosts_;
  LogMemory memory_;
  uint32_t origin_ = 0, from_ = 0, to_ = 0;
  bool queueing_ = true;
  std::vector<uint32_t> words_;
};

// The action name of a record whose last word is `action_word`: the table's
// name, "action%d" when it has none, empty for a record without action.
std::string log_action_name(const log_format_table &table, uint32_t action_word);
