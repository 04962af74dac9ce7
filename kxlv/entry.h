// The raw entry: one viewable record as the viewer reads it (log records,
// log-system and log-info records), numbered from 0 in file order.
#pragma once

#include "kxlog/logstream.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

struct kxlv_entry {
  long num = -1;   // entry number
  off_t offset = 0; // where its record begins
  log_shown::Kind kind = log_shown::kRecord;
  kxlogrec header;
  const log_fmt *format = nullptr; // kRecord only
  std::string action_name;
  std::vector<uint32_t> words;
  std::string message; // log-system and log-info text, or why fields are missing

  bool is_control() const { return header.format == LOG_FMT_SYSTEM || header.format == LOG_FMT_INFO; }
  // "alert" when the action name is not empty, "control" for log-system and
  // log-info records, else "log".
  const char *type_name() const;
  // ifaction() of the record's action bits and format: "accept", "ctl", ...
  std::string action_text() const;
  // The action name as shown: for "![text]cmd" only "text".
  std::string shown_action_name() const;
  // Index of the format's field labelled `label` (case ignored; the last
  // such field wins), or -1; only fields the record has words for count.
  int field_index(const std::string &label) const;
  // The text of field i by its type.
  std::string field_text(size_t i) const;
};

// Whether two entries repeat each other: same origin, format, action and
// interface, direction, words and message.
bool kxlv_line_eq(const kxlv_entry &a, const kxlv_entry &b);
