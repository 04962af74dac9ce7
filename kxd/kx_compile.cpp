#include "kx_compile.h"

#include "kxnft/script.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <vector>

namespace kx {

namespace {
using kxnft::squeeze;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(tolower(c)); });
  return s;
}

// Arguments of NAME(a, b, ...) at the start of `text`.
std::vector<std::string> call_args(const std::string &text) {
  auto body = kxnft::call_body(text);
  return body ? kxnft::split_fields(*body, ',') : std::vector<std::string>{};
}

// Fields of the log formats a track writes: the short form, and the long
// form with the source port and the length.
const char *const kShortFields = "src ipaddr\ndst ipaddr\nservice port\nproto proto\nrule int\n";
const char *const kLongFields = "src ipaddr\ndst ipaddr\nservice port\nproto proto\ns_port port\nlen int\nrule int\n";
} // namespace

Compiled compile_script(const std::string &name, std::string_view script, bool code) {
  Compiled out;
  if (code) {
    out.fc = "# filter code of " + name + "\n";
    out.fc.reserve(script.size());
  }
  out.ft = "# tables of " + name + "\n";
  std::map<std::string, std::string> addresses; // object name -> dotted address
  std::vector<std::string> formats;             // track formats in order of use
  std::vector<std::string> alerts;              // alert texts in order of definition

  std::string statement;
  bool in_code = script.find("// Filter Code Start") == std::string::npos;
  for (size_t pos = 0; pos < script.size();) {
    size_t end = std::min(script.find('\n', pos), script.size());
    std::string t = squeeze(script.substr(pos, end - pos));
    pos = end + 1;
    if (t.rfind("#define", 0) == 0) {
      size_t q = t.find("<\"![");
      if (q != std::string::npos) {
        size_t e = t.find("]\">", q);
        if (e != std::string::npos)
          alerts.push_back(t.substr(q + 2, e + 1 - q - 2));
      }
      continue;
    }
    if (t == "// Filter Code Start") {
      in_code = true;
      continue;
    }
    if (t == "// Filter Code End") {
      in_code = false;
      continue;
    }
    if (!in_code || t.empty() || t.rfind("//", 0) == 0 || t[0] == '#')
      continue;
    if (t.rfind("ADDR_", 0) == 0) {
      auto args = call_args(t);
      if (args.size() >= 2)
        addresses[args[0]] = args[1];
      continue;
    }
    if (t.rfind("MAKE_ALERT", 0) == 0)
      continue;
    if (!statement.empty())
      statement += ' ';
    statement += t;
    if (statement.back() != ';')
      continue;
    // A list definition: NAME = [kind] { members };
    size_t eq = statement.find(" = ");
    size_t brace = statement.find('{');
    if (eq != std::string::npos && brace != std::string::npos && eq < brace &&
        statement.find_first_of(" \t") == eq) {
      std::string list = statement.substr(0, eq);
      std::string kind = squeeze(statement.substr(eq + 3, brace - eq - 3));
      std::string members = statement.substr(brace + 1, statement.rfind('}') - brace - 1);
      out.ft += list + " " + (kind.empty() ? "hosts" : kind);
      for (const auto &m : kxnft::split_fields(members, ',')) {
        auto it = addresses.find(m);
        if (it != addresses.end())
          out.ft += " " + it->second;
      }
      out.ft += "\n";
    } else {
      if (code)
        out.fc.append(statement).append("\n");
      for (size_t at = statement.find("LOG("); at != std::string::npos; at = statement.find("LOG(", at + 4)) {
        std::string format = lower(squeeze(statement.substr(at + 4, statement.find(',', at) - at - 4)));
        if (!format.empty() && format.find(')') == std::string::npos &&
            std::find(formats.begin(), formats.end(), format) == formats.end())
          formats.push_back(format);
      }
    }
    statement.clear();
  }
  if (!statement.empty() && code)
    out.fc += statement + "\n";

  out.lg = "# log formats of " + name + "\n";
  for (size_t i = 0; i < formats.size() && i < 255; ++i) {
    char head[64];
    snprintf(head, sizeof head, " %zx\n", i + 1);
    out.lg += "%%format: " + formats[i] + head;
    out.lg += formats[i] == "long" ? kLongFields : kShortFields;
  }
  out.lg += "%%action: drop 0\n%%action: reject 1\n%%action: accept 2\n";
  for (size_t i = 0; i < alerts.size() && i < 200; ++i) {
    char num[16];
    snprintf(num, sizeof num, " %zx\n", i + 16);
    out.lg += "%%action: " + alerts[i] + num;
  }
  return out;
}

} // namespace kx
