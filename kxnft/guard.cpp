#include "guard.h"

#include <cctype>
#include <vector>

namespace kxnft {

namespace {
// Words, quoted strings and braces outside comments.
std::vector<std::string> tokens(const std::string &text, std::string &why) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '#') {
      while (i < text.size() && text[i] != '\n')
        ++i;
    } else if (c == '"') {
      size_t end = text.find('"', i + 1);
      if (end == std::string::npos || text.find('\n', i) < end) {
        why = "a quoted text does not end on its line";
        return {};
      }
      out.push_back(text.substr(i, end + 1 - i));
      i = end + 1;
    } else if (c == '{' || c == '}' || c == ';') {
      out.emplace_back(1, c);
      ++i;
    } else {
      size_t start = i;
      while (i < text.size() && !isspace(static_cast<unsigned char>(text[i])) && text[i] != '{' &&
             text[i] != '}' && text[i] != ';' && text[i] != '"' && text[i] != '#')
        ++i;
      out.push_back(text.substr(start, i - start));
    }
  }
  return out;
}
} // namespace

bool ruleset_is_ours(const std::string &text, std::string &why) {
  why.clear();
  auto t = tokens(text, why);
  if (!why.empty())
    return false;
  if (t.size() < 4 || t[0] != "table" || t[1] != "inet" || t[2] != "kx" || t[3] != "{") {
    why = "the ruleset does not begin with table inet kx";
    return false;
  }
  int depth = 0;
  for (size_t i = 3; i < t.size(); ++i) {
    const std::string &w = t[i];
    if (w == "include" || w == "define" || w == "table" || w == "ruleset" || (!w.empty() && w[0] == '$')) {
      why = "the ruleset uses \"" + w + "\", which a module does not load";
      return false;
    }
    if (w == "{")
      ++depth;
    else if (w == "}" && --depth == 0) {
      if (i + 1 != t.size()) {
        why = "there is more than the table inet kx";
        return false;
      }
      return true;
    }
  }
  why = "the table inet kx is not closed";
  return false;
}

} // namespace kxnft
