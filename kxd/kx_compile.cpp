#include "kx_compile.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace kx {

namespace {
using kxnft::squeeze;

// Fields of the log formats a track writes: the short form, and the long
// form with the source port and the length.
const char *const kShortFields = "src ipaddr\ndst ipaddr\nservice port\nproto proto\nrule int\n";
const char *const kLongFields = "src ipaddr\ndst ipaddr\nservice port\nproto proto\ns_port port\nlen int\nrule int\n";

// Makes the tables and log formats as the script is read.
class TableMaker : public kxnft::ScriptListener {
public:
  explicit TableMaker(std::string &ft) : ft_(ft) {}

  // An alert's text, "![name]", from its definition <"![name]">.
  void define(std::string_view line) override {
    size_t q = line.find("<\"![");
    if (q == std::string_view::npos)
      return;
    size_t e = line.find("]\">", q);
    if (e != std::string_view::npos)
      alerts.emplace_back(line.substr(q + 2, e + 1 - q - 2));
  }

  // A list as a table: its name, its kind and the addresses of its members
  // that are address objects defined before it.
  void list(const kxnft::Script &so_far, const kxnft::List &l, std::string_view kind, bool in_code) override {
    if (!in_code)
      return;
    ft_.append(l.name).append(" ").append(kind.empty() ? std::string_view("hosts") : kind);
    for (const auto &m : l.members) {
      auto it = so_far.addresses.find(m);
      if (it != so_far.addresses.end())
        ft_.append(" ").append(it->second.addr);
    }
    ft_ += '\n';
  }

  // The formats of the statement's tracks LOG(format, ...), in order of use.
  void statement(const kxnft::Statement &s, bool in_code) override {
    if (!in_code)
      return;
    const std::string &body = s.body;
    for (size_t at = body.find("LOG("); at != std::string::npos; at = body.find("LOG(", at + 4)) {
      std::string format = squeeze(std::string_view(body).substr(at + 4, body.find(',', at) - at - 4));
      std::transform(format.begin(), format.end(), format.begin(),
                     [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
      if (!format.empty() && format.find(')') == std::string::npos &&
          std::find(formats.begin(), formats.end(), format) == formats.end())
        formats.push_back(std::move(format));
    }
  }

  std::vector<std::string> formats; // track formats in order of use
  std::vector<std::string> alerts;  // alert texts in order of definition

private:
  std::string &ft_;
};
} // namespace

Compiled compile_script(const std::string &name, std::string_view text) {
  Compiled out;
  out.ft = "# tables of " + name + "\n";
  TableMaker tables(out.ft);
  out.script = kxnft::parse_script(text, &tables);

  out.lg = "# log formats of " + name + "\n";
  for (size_t i = 0; i < tables.formats.size() && i < 255; ++i) {
    char head[64];
    snprintf(head, sizeof head, " %zx\n", i + 1);
    out.lg += "%%format: " + tables.formats[i] + head;
    out.lg += tables.formats[i] == "long" ? kLongFields : kShortFields;
  }
  out.lg += "%%action: drop 0\n%%action: reject 1\n%%action: accept 2\n";
  for (size_t i = 0; i < tables.alerts.size() && i < 200; ++i) {
    char num[16];
    snprintf(num, sizeof num, " %zx\n", i + 16);
    out.lg += "%%action: " + tables.alerts[i] + num;
  }
  return out;
}

} // namespace kx
