#include "kxsys/kxstate.h"

#include "kxset/kxset.h"
#include "kxset/sio.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <mutex>

namespace kxsys {

// The set reader and writer keep process-wide state; the daemon serves
// connections on several threads.
std::mutex &kx_sio_lock() {
  static std::mutex m;
  return m;
}

namespace {
bool parse_hex(const char *s, uint32_t &out) {
  if (!*s)
    return false;
  uint64_t v = 0;
  for (; *s; ++s) {
    int d = (*s >= '0' && *s <= '9') ? *s - '0' : (*s >= 'a' && *s <= 'f') ? *s - 'a' + 10 : -1;
    if (d < 0 || v > 0xfffffffu)
      return false;
    v = v * 16 + uint64_t(d);
  }
  out = uint32_t(v);
  return true;
}

std::string hex(uint32_t a) {
  char buf[16];
  snprintf(buf, sizeof buf, "%x", a);
  return buf;
}
} // namespace

bool kx_family_name_ok(const std::string &name) {
  // The set writer leaves out names that begin with "_"; host names begin
  // with a letter or a digit anyway.
  if (name.empty() || name.size() > 255 || !std::isalnum(static_cast<unsigned char>(name[0])))
    return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
          c == '_'))
      return false;
  return true;
}

std::string kx_family_name_error(const std::string &name) {
  std::string shown;
  for (unsigned char c : name.substr(0, 64))
    shown += (c >= 0x20 && c < 0x7f) ? std::string(1, char(c)) : "?";
  return "bad module name <" + shown + ">: a module's state is named by its host name (letters, digits, "
         "'.', '-' and '_', beginning with a letter or a digit)";
}

std::optional<kx_links> kx_parse_links(const std::string &text) {
  std::lock_guard g(kx_sio_lock());
  sio_setfile("links.C");
  KxSetRef top(sio_sreadn(text.data(), text.size()));
  if (sio_errno() != 0)
    return std::nullopt;
  kx_links links;
  if (!top.get())
    return links;
  for (int i = 0; i < top->getnattr(); ++i) {
    const kxattribute *a = top->attr(i);
    if (!a || !a->value() || !kx_family_name_ok(a->name().c_str()))
      continue;
    std::vector<uint32_t> addrs;
    for (int j = 0; j < a->value()->getnattr(); ++j) {
      uint32_t v = 0;
      if (parse_hex(a->value()->getattrnamea(j).c_str(), v))
        addrs.push_back(v);
    }
    links.emplace_back(a->name().c_str(), std::move(addrs));
  }
  return links;
}

std::string kx_links_text(const kx_links &links) {
  std::lock_guard g(kx_sio_lock());
  KxSetRef top(kxset::make(KxAtom("links")));
  for (const auto &[family, addrs] : links) {
    if (!kx_family_name_ok(family))
      continue;
    kxset *member = kxset::make();
    for (uint32_t a : addrs)
      member->append(KxAtom(hex(a)), kxset::make());
    top->append(KxAtom(family), member);
  }
  std::string out;
  sio_swrite(out, top.get());
  return out;
}

bool kxstate_createlinks(const std::string &statedir, const std::string &family,
                         const std::vector<uint32_t> &addresses, bool sync_dir) {
  return kxstate_createlinks(statedir, kx_links{{family, addresses}}, sync_dir);
}

bool kxstate_createlinks(const std::string &statedir, const kx_links &families, bool sync_dir) {
  for (const auto &[family, addresses] : families)
    if (!kx_family_name_ok(family)) {
      fprintf(stderr, "%s\n", kx_family_name_error(family).c_str());
      return false;
    }
  std::string path = statedir + "/links.C";
  kx_links links;
  if (auto text = kx_read_file(path)) {
    auto parsed = kx_parse_links(std::string(text->begin(), text->end()));
    if (parsed)
      links = std::move(*parsed);
  }
  for (const auto &entry : families) {
    const std::string &family = entry.first;
    const std::vector<uint32_t> &addresses = entry.second;
    std::erase_if(links, [&](const auto &m) { return m.first == family; });
    for (auto &m : links)
      std::erase_if(m.second, [&](uint32_t a) {
        return std::find(addresses.begin(), addresses.end(), a) != addresses.end();
      });
    std::erase_if(links, [](const auto &m) { return m.second.empty(); });
    links.emplace_back(family, addresses);
  }
  std::string text = kx_links_text(links);
  if (!kx_write_file(path, text.data(), text.size(), sync_dir)) {
    fprintf(stderr, "Unable to write links file\n");
    return false;
  }
  return true;
}

std::optional<std::string> kxstate_findlink(const std::string &statedir, const std::vector<uint32_t> &addresses) {
  auto text = kx_read_file(statedir + "/links.C");
  std::optional<kx_links> links;
  if (text)
    links = kx_parse_links(std::string(text->begin(), text->end()));
  if (!links) {
    fprintf(stderr, "Unable to load links\n");
    return std::nullopt;
  }
  for (uint32_t a : addresses)
    for (const auto &m : *links)
      if (std::find(m.second.begin(), m.second.end(), a) != m.second.end())
        return m.first;
  return std::nullopt;
}

} // namespace kxsys
