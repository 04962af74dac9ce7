#include "kxsys/alist.h"

#include "kxsys/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kxsys {

thread_local uint32_t kx_peer_version = KX_VERSION;

namespace {
// Bytes still allowed for the values of the argument list being read.
thread_local int64_t budget = kMaxBuffer + 64 * 1024;

Bytes get_buffer(int fd, int32_t cap) {
  int32_t len = ReadInt(fd);
  if (len == 0)
    return {};
  if (len < 0 || len > cap || len > budget)
    kx_throw("bad buffer length %d on fd %d", len, fd);
  budget -= len;
  Bytes out;
  size_t at = 0;
  while (at < size_t(len)) {
    size_t piece = std::min<size_t>(64 * 1024, size_t(len) - at);
    out.resize(at + piece);
    _ReadBuf(fd, out.data() + at, piece);
    at += piece;
  }
  return out;
}

std::optional<Bytes> get_opt_buffer(int fd, int32_t cap) {
  Bytes b = get_buffer(fd, cap);
  if (b.empty())
    return std::nullopt;
  return b;
}

std::optional<std::string> get_string(int fd) {
  auto b = get_opt_buffer(fd, kMaxString);
  if (!b)
    return std::nullopt;
  auto nul = std::find(b->begin(), b->end(), uint8_t(0));
  return std::string(b->begin(), nul);
}

int32_t get_count(int fd, int32_t cap) {
  int32_t n = ReadInt(fd);
  if (n < 0 || n > cap)
    kx_throw("bad entry count %d on fd %d", n, fd);
  // Every entry costs at least its length word.
  budget -= int64_t(n) * 4;
  if (budget < 0)
    kx_throw("argument list too long on fd %d", fd);
  return n;
}

std::vector<std::string> get_strings(int fd) {
  int32_t n = get_count(fd, kMaxListEntries);
  std::vector<std::string> out;
  for (int32_t i = 0; i < n; ++i)
    out.push_back(get_string(fd).value_or(""));
  return out;
}

void put_strings(int fd, const std::vector<std::string> &v) {
  WriteInt(fd, int32_t(v.size()));
  for (const auto &s : v)
    WriteString(fd, s);
}

std::vector<int32_t> get_ints(int fd) {
  Bytes b = get_buffer(fd, kMaxBuffer);
  std::vector<int32_t> out(b.size() / 4);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = int32_t(get_be32(b.data() + 4 * i));
  return out;
}

void put_kxid(int fd, const std::optional<kxid_t> &id) {
  if (!id) {
    WriteInt(fd, 0);
    return;
  }
  uint8_t b[kKxidSize];
  kxid_pack(*id, b);
  WriteBuf(fd, b, sizeof b);
}

std::optional<kxid_t> get_kxid(int fd) {
  Bytes b = get_buffer(fd, kKxidSize);
  if (b.empty())
    return std::nullopt;
  if (b.size() != kKxidSize)
    kx_throw("bad kxid_t length %zu", b.size());
  return kxid_unpack(b.data());
}

void put_tab(int fd, const kxtab_t &t) {
  uint8_t h[kKxtabHeaderSize];
  kxtab_pack_header(t, h);
  WriteBuf(fd, h, sizeof h);
  WriteIntArray(fd, t.entries);
}

kxtab_t get_tab(int fd) {
  Bytes h = get_buffer(fd, kKxtabHeaderSize);
  if (h.size() != kKxtabHeaderSize)
    kx_throw("bad kxtab_t header length %zu", h.size());
  kxtab_t t;
  kxtab_unpack_header(h.data(), t);
  t.entries = get_ints(fd);
  return t;
}

void put_scope(int fd, const kxscope_t &s) {
  for (int32_t v : {s.first, s.last, s.level, int32_t(s.selectors.size())})
    WriteInt(fd, v);
  for (const auto &sel : s.selectors)
    for (const auto &list : sel)
      put_strings(fd, list);
}

kxscope_t get_scope(int fd) {
  kxscope_t s;
  s.first = ReadInt(fd);
  s.last = ReadInt(fd);
  s.level = ReadInt(fd);
  int32_t k = get_count(fd, kMaxListEntries);
  for (int32_t i = 0; i < k; ++i) {
    std::array<std::vector<std::string>, 3> sel;
    for (auto &list : sel)
      list = get_strings(fd);
    s.selectors.push_back(std::move(sel));
  }
  return s;
}

void put_if(int fd, const kxif_t &e) {
  uint8_t b[20];
  memcpy(b, e.name.data(), 16);
  put_be32(b + 16, uint32_t(e.number));
  WriteBuf(fd, b, sizeof b);
}

kxif_t get_if(int fd) {
  Bytes b = get_buffer(fd, 20);
  if (b.size() != 20)
    kx_throw("bad interface entry length %zu", b.size());
  kxif_t e;
  memcpy(e.name.data(), b.data(), 16);
  e.number = int32_t(get_be32(b.data() + 16));
  return e;
}

template <class T, class Put> void put_list(int fd, const std::vector<T> &v, Put put) {
  WriteInt(fd, int32_t(v.size()));
  for (const auto &e : v)
    put(fd, e);
}

template <class T, class Get> std::vector<T> get_list(int fd, Get get) {
  int32_t n = get_count(fd, kMaxListEntries);
  std::vector<T> out;
  for (int32_t i = 0; i < n; ++i)
    out.push_back(get(fd));
  return out;
}

void put_load(int fd, const kxload_t &l) {
  WriteIntArray(fd, l.code);
  WriteBuf(fd, l.logformat ? l.logformat->data() : nullptr, l.logformat ? l.logformat->size() : 0);
  if (kx_peer_version >= 0x10300000)
    WriteBuf(fd, l.settext ? l.settext->data() : nullptr, l.settext ? l.settext->size() : 0);
  put_kxid(fd, l.id);
  put_list(fd, l.scopes, put_scope);
  put_list(fd, l.tables, put_tab);
  put_list(fd, l.domains, [](int f, const std::string &s) { WriteString(f, s); });
  put_list(fd, l.interfaces, put_if);
}

kxload_t get_load(int fd) {
  kxload_t l;
  l.code = get_ints(fd);
  l.logformat = get_opt_buffer(fd, kMaxBuffer);
  if (kx_peer_version >= 0x10300000)
    l.settext = get_opt_buffer(fd, kMaxBuffer);
  l.id = get_kxid(fd);
  l.scopes = get_list<kxscope_t>(fd, get_scope);
  l.tables = get_list<kxtab_t>(fd, get_tab);
  l.domains = get_list<std::string>(fd, [](int f) { return get_string(f).value_or(""); });
  l.interfaces = get_list<kxif_t>(fd, get_if);
  return l;
}

void put_loadx(int fd, const std::optional<kxloadx_t> &x) {
  if (!x) {
    WriteInt(fd, -1);
    return;
  }
  if (x->entries.size() > kMaxLoadxEntries)
    kx_throw("file set of %zu entries is too large", x->entries.size());
  WriteInt(fd, int32_t(x->entries.size()));
  for (const auto &e : x->entries) {
    WriteString(fd, e.name);
    WriteBuf(fd, e.contents.data(), e.contents.size());
  }
}

std::optional<kxloadx_t> get_loadx(int fd) {
  int32_t n = ReadInt(fd);
  if (n < 0)
    return std::nullopt;
  if (n > int32_t(kMaxLoadxEntries))
    kx_throw("file set of %d entries is too large", n);
  kxloadx_t x;
  for (int32_t i = 0; i < n; ++i) {
    kxloadx_entry e;
    e.name = get_string(fd).value_or("");
    e.contents = get_buffer(fd, kMaxBuffer);
    x.entries.push_back(std::move(e));
  }
  return x;
}

int32_t get_rc(int fd, int32_t &err) {
  static bool waited_before = false;
  for (;;) {
    int32_t rc = ReadInt(fd);
    if (rc >= 0) {
      err = 0;
      kxd_errno = 0;
      return rc;
    }
    err = ReadInt(fd);
    kxd_errno = err;
    if (err != KXD_KEEPALIVE) {
      if (err >= 0)
        errno = err;
      return rc;
    }
    fputs(waited_before ? "..." : "Please wait...", stderr);
    fflush(stderr);
    waited_before = true;
  }
}

template <class... Fs> struct overload : Fs... { using Fs::operator()...; };
template <class... Fs> overload(Fs...) -> overload<Fs...>;

constexpr uint32_t kTypeOfIndex[] = {AL_STRINGS, AL_BUFFER, AL_INT, AL_RC, AL_STRING, AL_INTARRAY,
                                     AL_KXID, AL_KXLOAD, AL_SCOPELIST, AL_TABLIST, AL_DOMLIST,
                                     AL_IFLIST, AL_INFOARRAY, AL_FIXED, AL_TAB, AL_LOADX, AL_LOADDB};
static_assert(std::size(kTypeOfIndex) == std::variant_size_v<AlValue>);

void put_walk(int fd, uint32_t word, const AlValues &values, bool out) {
  size_t next = 0;
  for (int i = 0; i < 4; ++i) {
    uint32_t field = (word >> (8 + 6 * i)) & 63;
    if (field == 0)
      break;
    if (bool(field & AL_OUT) != out)
      continue;
    if (next >= values.size() || al_type_of(values[next]) != (field & 31))
      kx_throw("argument %d does not match type %u", i, field & 31);
    al_put_value(fd, values[next++]);
  }
}

AlValues get_walk(int fd, uint32_t word, bool out) {
  budget = kMaxBuffer + 64 * 1024;
  AlValues values;
  for (int i = 0; i < 4; ++i) {
    uint32_t field = (word >> (8 + 6 * i)) & 63;
    if (field == 0)
      break;
    if (bool(field & AL_OUT) != out)
      continue;
    values.push_back(al_get_value(fd, field & 31));
  }
  return values;
}
} // namespace

uint32_t al_type_of(const AlValue &v) { return kTypeOfIndex[v.index()]; }

size_t StringsNum(const std::vector<std::string> &list) { return list.size(); }

void al_put_value(int fd, const AlValue &value) {
  std::visit(overload{
                 [fd](const AlStrings &a) { put_strings(fd, a.v); },
                 [fd](const AlBuffer &a) { WriteBuf(fd, a.v ? a.v->data() : nullptr, a.v ? a.v->size() : 0); },
                 [fd](const AlInt &a) { WriteInt(fd, a.v); },
                 [fd](const AlRc &a) {
                   WriteInt(fd, a.rc);
                   if (a.rc < 0)
                     WriteInt(fd, a.err);
                 },
                 [fd](const AlString &a) { WriteString(fd, a.v); },
                 [fd](const AlIntArray &a) { WriteIntArray(fd, a.v); },
                 [fd](const AlKxid &a) { put_kxid(fd, a.v); },
                 [fd](const AlLoad &a) { put_load(fd, a.v); },
                 [fd](const AlScopeList &a) { put_list(fd, a.v, put_scope); },
                 [fd](const AlTabList &a) { put_list(fd, a.v, put_tab); },
                 [fd](const AlDomList &a) { put_list(fd, a.v, [](int f, const std::string &s) { WriteString(f, s); }); },
                 [fd](const AlIfList &a) { put_list(fd, a.v, put_if); },
                 [fd](const AlInfoArray &a) {
                   Bytes b(a.v.size() * kKxinfoSize);
                   for (size_t i = 0; i < a.v.size(); ++i)
                     kxinfo_pack(a.v[i], b.data() + i * kKxinfoSize);
                   WriteBuf(fd, b.data(), b.size());
                 },
                 [fd](const AlFixed &a) { WriteBuf(fd, a.v ? a.v->data() : nullptr, a.v ? 20 : 0); },
                 [fd](const AlTab &a) { put_tab(fd, a.v); },
                 [fd](const AlLoadx &a) { put_loadx(fd, a.v); },
                 [fd](const AlLoaddb &a) {
                   WriteBuf(fd, a.v.userdb.data(), a.v.userdb.size());
                   WriteBuf(fd, a.v.objects.data(), a.v.objects.size());
                 },
             },
             value);
}

AlValue al_get_value(int fd, uint32_t type) {
  switch (type) {
  case AL_STRINGS: return AlStrings{get_strings(fd)};
  case AL_BUFFER: return AlBuffer{get_opt_buffer(fd, kMaxBuffer)};
  case AL_INT: return AlInt{ReadInt(fd)};
  case AL_RC: {
    AlRc rc;
    rc.rc = get_rc(fd, rc.err);
    return rc;
  }
  case AL_STRING: return AlString{get_string(fd)};
  case AL_INTARRAY: return AlIntArray{get_ints(fd)};
  case AL_KXID: return AlKxid{get_kxid(fd)};
  case AL_KXLOAD: return AlLoad{get_load(fd)};
  case AL_SCOPELIST: return AlScopeList{get_list<kxscope_t>(fd, get_scope)};
  case AL_TABLIST: return AlTabList{get_list<kxtab_t>(fd, get_tab)};
  case AL_DOMLIST:
    return AlDomList{get_list<std::string>(fd, [](int f) { return get_string(f).value_or(""); })};
  case AL_IFLIST: return AlIfList{get_list<kxif_t>(fd, get_if)};
  case AL_INFOARRAY: {
    Bytes b = get_buffer(fd, kMaxBuffer);
    AlInfoArray a;
    for (size_t i = 0; i + kKxinfoSize <= b.size(); i += kKxinfoSize)
      a.v.push_back(kxinfo_unpack(b.data() + i));
    return a;
  }
  case AL_FIXED: {
    Bytes b = get_buffer(fd, 20);
    AlFixed a;
    if (!b.empty()) {
      if (b.size() != 20)
        kx_throw("bad fixed block length %zu", b.size());
      a.v.emplace();
      memcpy(a.v->data(), b.data(), 20);
    }
    return a;
  }
  case AL_TAB: return AlTab{get_tab(fd)};
  case AL_LOADX: return AlLoadx{get_loadx(fd)};
  case AL_LOADDB: {
    AlLoaddb a;
    a.v.userdb = get_buffer(fd, kMaxBuffer);
    a.v.objects = get_buffer(fd, kMaxBuffer);
    return a;
  }
  default: kx_throw("unknown argument type %u", type);
  }
}

void al_putin(int fd, uint32_t word, const AlValues &values) { put_walk(fd, word, values, false); }
void al_putout(int fd, uint32_t word, const AlValues &values) { put_walk(fd, word, values, true); }
AlValues al_getin(int fd, uint32_t word) { return get_walk(fd, word, false); }
AlValues al_getout(int fd, uint32_t word) { return get_walk(fd, word, true); }

} // namespace kxsys
