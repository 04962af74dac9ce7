// The viewer's columns and the texts an entry shows in them.
#pragma once

#include "kxlv/entry.h"

#include <string>
#include <vector>

struct kxlv_column {
  std::string name;
  std::string kind = "text"; // "text", "image" or "icon"
  bool active = true;
  int width = 0;
};

// Num, Date, Time, I/F, Orig, Type, Action, Service, Src, Dst, Proto,
// S_Port, User, Rule, Info.
std::vector<kxlv_column> kxlv_default_columns();
// Index of the column named `name` (case ignored), or the column count.
size_t kxlv_col_colof(const std::vector<kxlv_column> &columns, const std::string &name);

// The record time as "5Mar26 14:05:09" in local time, split at the blank.
std::string kxlv_date_text(uint32_t time);
std::string kxlv_time_text(uint32_t time);
// Seconds since 1970 of local midnight of the day holding `time`, and the
// seconds since that midnight.
uint32_t kxlv_local_midnight(uint32_t time);
uint32_t kxlv_time_of_day(uint32_t time);

// The text of an entry in a column. "Info" collects "label text\t" for every
// field that has no column of its own, then the message.
std::string kxlv_column_text(const kxlv_entry &e, const std::string &column, const LogHosts &hosts,
                             const std::vector<kxlv_column> &columns);
