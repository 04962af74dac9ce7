#include "kxui/import/import_read.h"

#include <arpa/inet.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <strings.h>

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string where(const std::string &file, int line) { return file + ", line " + std::to_string(line) + ": "; }

// The text shown of an outside word: cut short and without control bytes.
std::string shown(std::string_view w) {
  std::string out;
  for (char c : w.substr(0, 64)) out += static_cast<unsigned char>(c) < 32 || c == 127 ? '?' : c;
  if (w.size() > 64) out += "...";
  return out;
}

// The physical lines of `text` with their numbers; a line ending in "\" is
// joined with the next one when `continued`. Comments are cut at "#".
template <class Fn>
void for_each_line(std::string_view text, bool continued, const std::string &file, ImportRead &out, Fn fn) {
  int number = 0;
  std::string logical;
  int first = 0;
  bool too_long = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (logical.empty() && !too_long) first = number;
    const size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    bool more = false;
    if (continued && hash == std::string_view::npos) {
      size_t e = line.size();
      while (e > 0 && blank(line[e - 1])) --e;
      if (e > 0 && line[e - 1] == '\\') {
        more = true;
        line = line.substr(0, e - 1);
      }
    }
    if (!too_long) {
      if (logical.size() + line.size() > import_line_max) {
        too_long = true;
        logical.clear();
        out.note(where(file, first) + "line too long, left out");
      } else {
        logical.append(line);
        if (more) logical += ' ';
      }
    }
    if (more) continue;
    if (!too_long) fn(std::string_view(logical), first);
    logical.clear();
    too_long = false;
  }
}

std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && blank(s[i])) ++i;
    const size_t b = i;
    while (i < s.size() && !blank(s[i])) ++i;
    if (i > b) out.push_back(s.substr(b, i - b));
  }
  return out;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool dotted_quad(std::string_view w, std::string &out) {
  if (w.size() > 15) return false;
  const std::string s(w);
  in_addr a{};
  if (inet_pton(AF_INET, s.c_str(), &a) != 1) return false;
  out = s;
  return true;
}

// A network number: one to four decimal parts, left aligned, with an
// optional "/prefix". The mask is the prefix, else the address class's mask
// widened to take in every part that is not zero.
bool network_number(std::string_view w, std::string &addr, std::string &mask, std::string &why) {
  int prefix = -1;
  if (const size_t slash = w.find('/'); slash != std::string_view::npos) {
    const std::string_view p = w.substr(slash + 1);
    if (p.empty() || p.size() > 2) return why = "bad prefix length", false;
    prefix = 0;
    for (char c : p) {
      if (c < '0' || c > '9') return why = "bad prefix length", false;
      prefix = prefix * 10 + (c - '0');
    }
    if (prefix > 32) return why = "bad prefix length", false;
    w = w.substr(0, slash);
  }
  uint32_t parts[4] = {0, 0, 0, 0};
  int n = 0;
  size_t i = 0;
  while (true) {
    if (n == 4 || i >= w.size() || w[i] < '0' || w[i] > '9') return why = "bad network number", false;
    uint32_t v = 0;
    size_t digits = 0;
    while (i < w.size() && w[i] >= '0' && w[i] <= '9' && digits < 4) v = v * 10 + static_cast<uint32_t>(w[i++] - '0'), ++digits;
    if (v > 255 || (i < w.size() && w[i] >= '0' && w[i] <= '9')) return why = "bad network number", false;
    parts[n++] = v;
    if (i == w.size()) break;
    if (w[i] != '.') return why = "bad network number", false;
    ++i;
  }
  const uint32_t net = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
  if (prefix < 0) {
    if (parts[0] >= 224) return why = "not a network (class D or E)", false;
    prefix = parts[0] < 128 ? 8 : parts[0] < 192 ? 16 : 24;
    for (int k = 3; k > 0; --k)
      if (parts[k]) {
        prefix = std::max(prefix, 8 * (k + 1));
        break;
      }
  }
  const uint32_t m = prefix == 0 ? 0 : ~uint32_t(0) << (32 - prefix);
  if (net & ~m) return why = "host bits set for the prefix", false;
  auto dotted = [](uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%u.%u.%u.%u", v >> 24, (v >> 16) & 255, (v >> 8) & 255, v & 255);
    return std::string(b);
  };
  addr = dotted(net);
  mask = dotted(m);
  return true;
}

bool room(ImportRead &out, const std::string &file, int line) {
  if (out.entries.size() < import_entries_max) return true;
  out.note(where(file, line) + "more than " + std::to_string(import_entries_max) + " entries, left out");
  return false;
}

// Keeps an entry named by word `name_at` of its line, with up to 32 words
// from `aliases_at` on as its aliases.
void keep_entry(ImportRead &out, ImportEntry e, const std::vector<std::string_view> &w, size_t name_at,
                size_t aliases_at, const std::string &file, int line) {
  e.name = std::string(w[name_at]);
  for (size_t i = aliases_at; i < w.size() && i < aliases_at + 32; ++i) e.aliases.emplace_back(w[i]);
  e.file = file;
  e.line = line;
  out.entries.push_back(std::move(e));
}

} // namespace

void ImportRead::note(std::string message) {
  if (messages.size() < import_messages_max) messages.push_back(std::move(message));
  else ++more_messages;
}

bool import_name_ok(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  const auto letter = [](unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!letter(static_cast<unsigned char>(name[0]))) return false;
  for (unsigned char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '.' && c != '-' && c != '_') return false;
  return !(name.size() == 3 && strncasecmp(name.data(), "any", 3) == 0);
}

void import_parse_hosts(std::string_view text, const std::string &file, ImportRead &out) {
  for_each_line(text, false, file, out, [&](std::string_view line, int n) {
    const auto w = words(line);
    if (w.empty()) return;
    ImportEntry e;
    e.kind = ImportKind::host;
    if (!dotted_quad(w[0], e.address)) {
      // IPv6 entries have no object kind here; they are passed by quietly.
      if (w[0].find(':') == std::string_view::npos) out.note(where(file, n) + "bad address '" + shown(w[0]) + "', left out");
      return;
    }
    if (w.size() < 2) return out.note(where(file, n) + "no host name for " + e.address + ", left out");
    if (!import_name_ok(w[1])) return out.note(where(file, n) + "'" + shown(w[1]) + "' cannot be an object name, left out");
    if (!room(out, file, n)) return;
    keep_entry(out, std::move(e), w, 1, 2, file, n);
  });
}

void import_parse_networks(std::string_view text, const std::string &file, ImportRead &out) {
  for_each_line(text, false, file, out, [&](std::string_view line, int n) {
    const auto w = words(line);
    if (w.empty()) return;
    if (w.size() < 2) return out.note(where(file, n) + "no network number for '" + shown(w[0]) + "', left out");
    if (!import_name_ok(w[0])) return out.note(where(file, n) + "'" + shown(w[0]) + "' cannot be an object name, left out");
    ImportEntry e;
    e.kind = ImportKind::network;
    std::string why;
    if (!network_number(w[1], e.address, e.netmask, why))
      return out.note(where(file, n) + shown(w[0]) + ": " + why + " '" + shown(w[1]) + "', left out");
    if (!room(out, file, n)) return;
    keep_entry(out, std::move(e), w, 0, 2, file, n);
  });
}

void import_parse_netgroup(std::string_view text, const std::string &file, ImportRead &out) {
  for_each_line(text, true, file, out, [&](std::string_view line, int n) {
    size_t i = 0;
    auto skip = [&] {
      while (i < line.size() && blank(line[i])) ++i;
    };
    skip();
    if (i == line.size()) return;
    size_t b = i;
    while (i < line.size() && !blank(line[i])) ++i;
    const std::string_view name = line.substr(b, i - b);
    if (!import_name_ok(name)) return out.note(where(file, n) + "'" + shown(name) + "' cannot be an object name, left out");
    ImportEntry e;
    e.kind = ImportKind::netgroup;
    e.name = std::string(name);
    e.file = file;
    e.line = n;
    const std::string who = where(file, n) + e.name + ": ";
    size_t members = 0;
    for (skip(); i < line.size(); skip()) {
      if (++members > import_members_max) {
        out.note(who + "more than " + std::to_string(import_members_max) + " members, the rest left out");
        break;
      }
      if (line[i] == '(') {
        const size_t close = line.find(')', i);
        if (close == std::string_view::npos) {
          out.note(who + "a triple without ')', the rest left out");
          break;
        }
        const std::string_view triple = line.substr(i + 1, close - i - 1);
        i = close + 1;
        const size_t c1 = triple.find(','), c2 = c1 == std::string_view::npos ? c1 : triple.find(',', c1 + 1);
        if (c2 == std::string_view::npos || triple.find(',', c2 + 1) != std::string_view::npos) {
          out.note(who + "bad triple '(" + shown(triple) + ")', left out");
          continue;
        }
        const std::string_view host = trim(triple.substr(0, c1));
        if (host == "-") continue; // a triple of users or domains only
        if (host.empty()) {
          out.note(who + "a triple for every host, left out");
          continue;
        }
        if (!import_name_ok(host)) {
          out.note(who + "host '" + shown(host) + "' cannot be an object name, left out");
          continue;
        }
        e.hosts.emplace_back(host);
        continue;
      }
      b = i;
      while (i < line.size() && !blank(line[i]) && line[i] != '(') ++i;
      const std::string_view group = line.substr(b, i - b);
      if (!import_name_ok(group)) {
        out.note(who + "netgroup '" + shown(group) + "' cannot be an object name, left out");
        continue;
      }
      e.groups.emplace_back(group);
    }
    if (room(out, file, n)) out.entries.push_back(std::move(e));
  });
}

void import_parse(ImportKind kind, std::string_view text, const std::string &file, ImportRead &out) {
  switch (kind) {
  case ImportKind::host: return import_parse_hosts(text, file, out);
  case ImportKind::network: return import_parse_networks(text, file, out);
  case ImportKind::netgroup: return import_parse_netgroup(text, file, out);
  }
}

bool import_read_file(ImportKind kind, const std::string &path, ImportRead &out) {
  std::unique_ptr<FILE, int (*)(FILE *)> f(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!f) {
    out.note(path + ": cannot be read");
    return false;
  }
  std::string text;
  char buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
    if (text.size() + got > import_file_max) {
      out.note(path + ": larger than " + std::to_string(import_file_max >> 20) + " MiB, not read");
      return false;
    }
    text.append(buf, got);
  }
  if (std::ferror(f.get())) {
    out.note(path + ": read error");
    return false;
  }
  import_parse(kind, text, path, out);
  return true;
}
