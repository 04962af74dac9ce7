// Log format texts and the tables they are parsed into. A filter's compiler
// writes the text; it travels inside every log-info record and tells what
// each data word of a record means:
//   # comment
//   %%format: tcp-conn 1      format number 1 (hexadecimal), named tcp-conn
//   src ipaddr                one field per line: label and type
//   %%action: accept 2        action number 2 is named accept
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct log_field {
  std::string label;
  std::string type;
};

struct log_fmt {
  std::string name;
  std::vector<log_field> fields;
};

struct log_format_table {
  std::array<std::unique_ptr<log_fmt>, 256> formats;
  std::map<uint32_t, std::string> actions; // action number -> action name

  const log_fmt *get(int format) const {
    return format >= 0 && format < 256 ? formats[size_t(format)].get() : nullptr;
  }
};

// Parses `length` bytes of format text into an empty table. Problems are
// reported and skipped; parsing never fails. Returns 0.
int log_parseformat(const char *text, log_format_table *table, size_t length);
