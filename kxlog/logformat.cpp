#include "kxlog/logformat.h"

#include "kxu/report.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr size_t kMaxLine = 1023;

// A run of non-blank characters, or a text in double quotes; empty at the end.
std::string next_token(std::string_view &rest) {
  size_t i = 0;
  while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t' || rest[i] == '\r')) ++i;
  rest.remove_prefix(i);
  if (rest.empty()) return {};
  if (rest[0] == '"') {
    const size_t close = rest.find('"', 1);
    std::string token(rest.substr(1, close == std::string_view::npos ? rest.npos : close - 1));
    rest.remove_prefix(close == std::string_view::npos ? rest.size() : close + 1);
    return token;
  }
  size_t end = 0;
  while (end < rest.size() && rest[end] != ' ' && rest[end] != '\t' && rest[end] != '\r') ++end;
  std::string token(rest.substr(0, end));
  rest.remove_prefix(end);
  return token;
}

long hex_number(const std::string &token) {
  errno = 0;
  const long n = std::strtol(token.c_str(), nullptr, 16);
  return errno == ERANGE ? -1 : n;
}

struct Parser {
  log_format_table *table;
  log_fmt *current = nullptr;

  // Returns false when parsing must end.
  bool line(std::string_view text, int lineno) {
    if (!text.empty() && text[0] == '#') return true;
    if (!text.empty() && text[0] == '%') return directive(text, lineno);
    if (!current) {
      error(0, 0, "logformat: line %d: Badly formed file", lineno);
      return false;
    }
    std::string_view rest = text;
    std::string label = next_token(rest);
    std::string type = next_token(rest);
    current->fields.push_back({std::move(label), std::move(type)});
    return true;
  }

  bool directive(std::string_view text, int lineno) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
      error(0, 0, "logformat: line %d: Badly formed format line: %.*s", lineno, int(text.size()),
            text.data());
      return true;
    }
    std::string_view rest = text.substr(colon + 1);
    const std::string name = next_token(rest);
    long number = hex_number(next_token(rest));
    if (number < 0 || number > 255) {
      error(0, 0, "Bad format number %ld", number);
      number = 99;
    }
    const std::string_view keyword = text.size() > 2 ? text.substr(2, 6) : std::string_view{};
    if (keyword == "format") {
      auto &slot = table->formats[size_t(number)];
      if (!slot) slot = std::make_unique<log_fmt>();
      slot->name = name;
      slot->fields.clear();
      current = slot.get();
    } else if (keyword == "action") {
      table->actions[uint32_t(number)] = name;
    }
    return true;
  }
};

} // namespace

int log_parseformat(const char *text, log_format_table *table, size_t length) {
  Parser parser{table};
  std::string_view all(text, length);
  int lineno = 0;
  while (!all.empty()) {
    const size_t nl = all.find('\n');
    std::string_view line = all.substr(0, nl);
    all.remove_prefix(nl == std::string_view::npos ? all.size() : nl + 1);
    ++lineno;
    if (line.size() > kMaxLine) line = line.substr(0, kMaxLine);
    if (!parser.line(line, lineno)) break;
  }
  return 0;
}
