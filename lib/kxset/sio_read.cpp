// The set reader: a hand-written scanner over one contiguous buffer. Nesting
// is walked with an explicit stack (bounded by the scope's levels), so no
// input can drive the recursion depth.
//
// A reference puts a whole earlier subtree below the referring set, so the
// depth limit counts the height of referenced sets too: otherwise chains of
// references would build trees of any depth from a small text, and every
// recursive walk over them (destruction included) could exhaust the stack.
#include "kxset/kxpool.h"
#include "kxset/sio.h"
#include "kxset/sio_readscope.h"
#include "kxset/sio_state.h"
#include "kxset/sio_tokens.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

using sio::has_class;

// Recently interned names, by the atom table's hash. Attribute names and
// common values ("type", "host", "internal") recur on nearly every line;
// finding them here spares a lookup in the large process-wide atom table.
//
// The cache holds records, not counted atoms: every name it hands out is
// held by what is being read (a set's name, an attribute's name) or was
// found held elsewhere, and nothing is let go of until the read is over
// (see Reader::kept_). So replacing an entry costs nothing, where releasing
// a counted atom touched the record of a name read long before.
class AtomCache {
public:
  KxAtom get(std::string_view text, uint32_t hash) {
    Slot &s = slots_[hash & (kSize - 1)];
    if (s.hash == hash && s.rec && same(s.rec, text)) return KxAtom::of(s.rec);
    KxAtom a(text, hash);
    s = {hash, a.record()};
    return a;
  }
  KxAtom get(std::string_view text) { return get(text, KxAtom::hash_of(text)); }
  // The atom of `text` if one exists, without interning it: the zero atom
  // otherwise. A hit here spares the lookup in the atom table.
  KxAtom find(std::string_view text) {
    uint32_t hash = KxAtom::hash_of(text);
    Slot &s = slots_[hash & (kSize - 1)];
    if (s.hash == hash && s.rec && same(s.rec, text)) return KxAtom::of(s.rec);
    KxAtom a = KxAtom::find(text);
    if (a.is_named()) s = {hash, a.record()};
    return a;
  }

private:
  static constexpr size_t kSize = 1024;
  struct Slot {
    uint32_t hash = 0;
    const KxAtom::Record *rec = nullptr;
  };
  static bool same(const KxAtom::Record *r, std::string_view text) {
    return r->length == text.size() && KxAtom::same_text(r->text, text.data(), text.size());
  }
  std::vector<Slot> slots_ = std::vector<Slot>(kSize);
};

// The names of sets a little ahead of the reading position, hashed, with
// their atom table slots and then records being loaded meanwhile: most set
// names of a file are new to the file (addresses, object names), and waiting
// for memory on each of them in turn would cost more than reading the text.
class LookAhead {
public:
  struct Entry {
    const char *pos;
    uint32_t len, hash;
  };

  LookAhead(const char *begin, const char *end) : scan_(begin), end_(end) {}

  // The plain name that begins at `pos`, found and hashed ahead, or null
  // (the reading position never goes back); keeps the look-ahead ahead.
  const Entry *at(const char *pos) {
    while (head_ != tail_ && ring_[head_ % kAhead].pos < pos) ++head_;
    const Entry *e = nullptr;
    if (head_ != tail_ && ring_[head_ % kAhead].pos == pos) {
      e = &ring_[head_ % kAhead];
      ++head_;
      // Half-way along, the slot of a name has arrived: load its record.
      if (tail_ - head_ > kAhead / 2) KxAtom::prefetch_record(ring_[(head_ + kAhead / 2) % kAhead].hash);
    }
    fill(pos);
    return e;
  }

private:
  void fill(const char *pos) {
    if (scan_ < pos) scan_ = pos;
    // The entry handed out stays valid: the ring is never filled to the
    // slot just taken before the next call.
    while (tail_ - head_ < kAhead - 1 && scan_ < end_) {
      const void *q = std::memchr(scan_, '(', static_cast<size_t>(end_ - scan_));
      if (!q) {
        scan_ = end_;
        break;
      }
      const char *s = static_cast<const char *>(q) + 1;
      const char *e = sio::name_end<true>(s, end_);
      scan_ = e;
      if (e == s || (e < end_ && *e == '"')) continue; // empty or quoted: left to the reader
      uint32_t h = KxAtom::hash_of(std::string_view(s, static_cast<size_t>(e - s)));
      KxAtom::prefetch(h);
      ring_[tail_++ % kAhead] = {s, static_cast<uint32_t>(e - s), h};
    }
  }

  static constexpr size_t kAhead = 32;
  Entry ring_[kAhead] = {};
  size_t head_ = 0, tail_ = 0; // ring positions, taken modulo kAhead
  const char *scan_, *end_;
};

class Reader {
public:
  Reader(const char *begin, const char *end, kxset *dict)
      : p_(begin), end_(end), begin_(begin), lines_from_(begin), scope_(dict ? dict : sio::empty_base()),
        st_(sio::state()), ahead_(begin, end) {
    define_members(dict);
  }

  // The top set, or null (failed when st_.err is set).
  kxset *run();
  size_t consumed() const { return static_cast<size_t>(p_ - begin_); }
  // Counts the lines read up to the end of the read.
  void finish() { sync_lines(); }

private:
  enum class Got { Set, Ref, Skip, Fail };

  void skip_space();
  void skip_space_run();
  bool read_name(std::string_view &out);
  // `height` receives the height of a referenced set (1 for sets that this
  // read did not build, such as dictionary members).
  Got read_value(kxset *&out, int *height = nullptr);
  Got resolve(std::string_view name, kxset *&out, int *height);
  // A set being read, the height of its tallest value so far, and where its
  // attributes begin in pending_.
  struct Frame {
    kxset *set;
    int height;
    size_t first;
  };
  // An attribute read but not yet appended: a set gets all its attributes at
  // once when it closes, so that its array is allocated once, at its size.
  // A new set is counted while it waits (`counted`): a failure frees it, and
  // an earlier waiting set it refers to must not go first.
  using Pending = kxset::Taken;

  bool read_attribute(std::vector<Frame> &stack);
  bool close(std::vector<Frame> &stack);
  void report_too_deep(const kxset *set);
  void drop_pending();
  void define_members(kxset *dict);

  // Adds the newlines passed since the last call to the line count (names
  // in quotes excepted): counting them here, rather than while skipping
  // blanks, keeps the count out of the reading loop.
  void sync_lines() {
    st_.line += static_cast<int>(sio::count_newlines(lines_from_, p_));
    lines_from_ = p_;
  }
  void report(int code, const std::string &text) {
    sync_lines();
    st_.report(code, text);
  }

  std::string top_name() const {
    const kxset *t = scope_.GetTop();
    return t ? t->getnamea().str() : std::string();
  }

  const char *p_, *end_, *begin_;
  const char *lines_from_; // newlines before this are in st_.line
  sio::ReadScope scope_;
  sio::State &st_;
  AtomCache atoms_;
  LookAhead ahead_;
  std::vector<Pending> pending_;
  std::vector<KxAtom> kept_; // names read but not used, held until the read is over
};

// Spaces, tabs, newlines and comments up to the next token. Mostly there is
// one blank, or a new line and its indentation, or nothing at all.
inline void Reader::skip_space() {
  if (p_ < end_ && !has_class(*p_, sio::kSkipped)) return;
  skip_space_run();
}

void Reader::skip_space_run() {
#if defined(__SSE2__)
  while (end_ - p_ >= 16) {
    unsigned stop = ~sio::bytes_equal<' ', '\t', '\n'>(p_) & 0xFFFF;
    if (!stop) {
      p_ += 16;
      continue;
    }
    p_ += __builtin_ctz(stop);
    if (*p_ != '#') return;
    const void *q = std::memchr(p_, '\n', static_cast<size_t>(end_ - p_));
    p_ = q ? static_cast<const char *>(q) : end_;
  }
#endif
  while (p_ < end_) {
    char c = *p_;
    if (c == '#') {
      const void *nl = std::memchr(p_, '\n', static_cast<size_t>(end_ - p_));
      p_ = nl ? static_cast<const char *>(nl) : end_;
    } else if (has_class(c, sio::kSkipped)) {
      ++p_;
    } else {
      return;
    }
  }
}

// A quoted or plain name at the current position.
bool Reader::read_name(std::string_view &out) {
  if (p_ < end_ && *p_ == '"') {
    sync_lines();
    ++p_;
    size_t room = static_cast<size_t>(end_ - p_);
    const void *q = std::memchr(p_, '"', std::min(room, SIO_MAX_NAME + 1));
    if (!q) {
      report(room > SIO_MAX_NAME ? SIO_TOOLONG : SIO_EOF, "ERROR: Cannot get name");
      return false;
    }
    const char *e = static_cast<const char *>(q);
    out = std::string_view(p_, static_cast<size_t>(e - p_));
    p_ = e + 1;
    lines_from_ = p_;
    return true;
  }
  const char *s = p_;
  p_ = sio::name_end(p_, end_);
  if (static_cast<size_t>(p_ - s) > SIO_MAX_NAME) {
    report(SIO_TOOLONG, "ERROR: Cannot get name");
    return false;
  }
  out = std::string_view(s, static_cast<size_t>(p_ - s));
  return true;
}

// A value: "(" and a name opens a new set; a bare name refers to a set in scope.
Reader::Got Reader::read_value(kxset *&out, int *height) {
  skip_space();
  if (p_ == end_) {
    // A truncated text is a failure, not an empty one.
    report(SIO_EOF, "ERROR: Cannot get name");
    return Got::Fail;
  }
  bool open = *p_ == '(';
  std::string_view name;
  if (!open) {
    if (!read_name(name)) return Got::Fail;
    return resolve(name, out, height);
  }
  ++p_;
  const LookAhead::Entry *e = ahead_.at(p_);
  if (e && e->len <= SIO_MAX_NAME) {
    name = std::string_view(p_, e->len);
    p_ += e->len;
    out = kxset::make(atoms_.get(name, e->hash));
    return Got::Set;
  }
  if (!read_name(name)) return Got::Fail;
  out = kxset::make(atoms_.get(name));
  return Got::Set;
}

Reader::Got Reader::resolve(std::string_view name, kxset *&out, int *height) {
  KxAtom a = atoms_.find(name);
  int tag = 0;
  out = a.is_named() ? scope_.Get(a.record(), &tag) : nullptr;
  if (height) *height = std::max(tag, 1);
  if (out) return Got::Ref;
  if (st_.noscope) {
    if (st_.noscope_seen.emplace(name).second) report(0, std::string(name));
    return Got::Skip;
  }
  report(SIO_NOSCOPE, "ERROR: Cannot use <" + top_name() + "::" + std::string(name) + ">");
  return Got::Fail;
}

void Reader::report_too_deep(const kxset *set) {
  report(SIO_SYNTAX, "ERROR: Nesting too deep at <" + set->getnamea().str() + ">");
}

// Leaves the innermost set: gives it its attributes, pops its level and
// defines it in the enclosing one.
bool Reader::close(std::vector<Frame> &stack) {
  kxset *set = stack.back().set;
  int height = stack.back().height + 1;
  size_t first = stack.back().first;
  stack.pop_back();
  set->append_taken(pending_.data() + first, pending_.size() - first);
  pending_.resize(first);
  if (!stack.empty()) stack.back().height = std::max(stack.back().height, height);
  scope_.Pop();
  const KxAtom &name = set->getnamea();
  if (name.is_named()) scope_.Add(name.record(), set, height);
  return true;
}

// One ":name value" of the innermost set; a new set value is entered.
bool Reader::read_attribute(std::vector<Frame> &stack) {
  ++p_; // ':'
  KxAtom attr = KxAtom::null();
  if (p_ < end_ && !has_class(*p_, sio::kWhite)) {
    std::string_view n;
    if (!read_name(n)) return false;
    attr = atoms_.get(n);
  }
  kxset *value = nullptr;
  int h = 1;
  Got g = read_value(value, &h);
  if (g == Got::Fail) return false;
  if (g == Got::Skip) {
    kept_.push_back(std::move(attr)); // its record may be cached
    return true;
  }
  if (g == Got::Ref) {
    // The referenced subtree hangs one level below the current set.
    if (scope_.level() + h >= sio::ReadScope::kLevels) {
      report_too_deep(value);
      return false;
    }
    stack.back().height = std::max(stack.back().height, h);
  }
  if (g == Got::Set) kxset_save(value);
  pending_.push_back({std::move(attr), value, g == Got::Set});
  if (g == Got::Ref) return true;
  // Most new sets are leaves, "(name)": closed at once, as entering and
  // leaving their level would (nothing is defined in it).
  if (p_ < end_ && *p_ == ')' && scope_.level() + 1 < sio::ReadScope::kLevels) {
    ++p_;
    stack.back().height = std::max(stack.back().height, 1);
    const KxAtom &name = value->getnamea();
    if (name.is_named()) scope_.Add(name.record(), value, 1);
    return true;
  }
  if (scope_.Push(value) < 0) {
    report_too_deep(value);
    return false;
  }
  stack.push_back({value, 0, pending_.size()});
  return true;
}

// Every anonymous member of every table of the dictionary is known by its
// own name, at level 0 (as sio_namesp defines them).
void Reader::define_members(kxset *dict) {
  if (!dict) return;
  for (int t = 0, nt = dict->getnattr(); t < nt; ++t) {
    const kxset *table = dict->get(t);
    if (!table) continue;
    for (int m = 0, nm = table->getnattr(); m < nm; ++m) {
      const kxattribute *a = table->attr(m);
      if (a->name().is_named() || !a->value() || !a->value()->getnamea().is_named()) continue;
      scope_.Add(a->value()->getnamea().record(), a->value(), 0);
    }
  }
}

// After a failure: lets go of the sets read but not yet given to a parent
// (each takes along what was already appended to it).
void Reader::drop_pending() {
  for (Pending &p : pending_)
    if (p.counted) kxset_destroy(p.value);
  pending_.clear();
}

kxset *Reader::run() {
  skip_space();
  if (p_ == end_) return nullptr; // no set at all
  kxset *top = nullptr;
  Got g = read_value(top);
  if (g != Got::Set) return g == Got::Ref ? top : nullptr;
  // The top set owns everything read below it: destroying it on failure
  // frees the partial tree but spares sets that are held elsewhere.
  scope_.Push(top);
  std::vector<Frame> stack{{top, 0, 0}};
  bool ok = true;
  while (ok && !stack.empty()) {
    skip_space();
    if (p_ == end_) {
      report(SIO_EOF, "ERROR: Cannot get attribute name");
      ok = false;
    } else if (*p_ == ')') {
      ++p_;
      ok = close(stack);
    } else if (*p_ == ':') {
      ok = read_attribute(stack);
    } else {
      if (*p_ == '(') ++p_;
      std::string_view n;
      if (read_name(n))
        report(SIO_SYNTAX, "ERROR: Bad format at name <" + std::string(n) + ">");
      ok = false;
    }
  }
  if (ok) return top;
  drop_pending();
  kxset_destroy(top);
  return nullptr;
}

kxset *read_buffer(const char *begin, const char *end, kxset *dict, size_t *consumed) {
  sio::state().begin_read();
  Reader r(begin, end, dict);
  kxpool::ReadArena arena;
  kxset *s = r.run();
  r.finish();
  if (consumed) *consumed = r.consumed();
  return s;
}

// Reports a file that could not be read in, under its name.
void report_unread(const std::string &why, int code) {
  sio::State &st = sio::state();
  st.report(code, (st.has_file ? "\"" + st.file + "\": " : std::string()) + why, false);
}

// The rest of a file, read in growing chunks, into `buf`. At most
// sio_max_input bytes: a larger input is refused before it is all in memory.
// False after reporting (too large, or a read error).
bool slurp(FILE *f, std::string &buf) {
  const size_t limit = sio_max_input();
  struct stat sb;
  long pos = std::ftell(f);
  if (fstat(fileno(f), &sb) == 0 && S_ISREG(sb.st_mode) && pos >= 0 && sb.st_size > pos)
    buf.reserve(std::min(static_cast<size_t>(sb.st_size - pos), limit) + 1);
  size_t n = 0;
  for (;;) {
    if (buf.size() - n < 65536)
      buf.resize(std::min(std::max<size_t>(buf.size() * 2, n + 65536), limit + 1));
    // One byte past the limit tells a file of exactly the limit from a larger one.
    size_t room = std::min(buf.size() - n, limit + 1 - n);
    size_t got = std::fread(buf.data() + n, 1, room, f);
    n += got;
    if (n > limit) {
      report_unread("input of more than " + std::to_string(limit) + " bytes", SIO_TOOBIG);
      return false;
    }
    if (got == 0) break;
  }
  buf.resize(n);
  if (std::ferror(f)) {
    report_unread(std::strerror(errno), SIO_READERR);
    return false;
  }
  return true;
}

size_t &max_input() {
  static size_t limit = SIO_DEFAULT_MAX_INPUT;
  return limit;
}

} // namespace

kxset *sio_readx(FILE *f, kxset *dict) {
  if (!f) {
    sio::state().begin_read();
    return nullptr;
  }
  long start = std::ftell(f);
  std::string text;
  sio::state().begin_read();
  if (!slurp(f, text)) return nullptr;
  size_t used = 0;
  kxset *s = read_buffer(text.data(), text.data() + text.size(), dict, &used);
  // Leave the file right after the set, so a following read continues there.
  if (start >= 0) {
    std::clearerr(f);
    std::fseek(f, start + static_cast<long>(used), SEEK_SET);
  }
  return s;
}

kxset *sio_read(FILE *f) { return sio_readx(f, nullptr); }

size_t sio_max_input() { return max_input(); }

size_t sio_set_max_input(size_t bytes) {
  size_t prev = max_input();
  max_input() = bytes ? bytes : SIO_DEFAULT_MAX_INPUT;
  return prev;
}

kxset *sio_sreadn(const char *text, size_t len, kxset *dict) {
  if (!text) len = 0;
  const void *nul = len ? std::memchr(text, '\0', len) : nullptr;
  const char *end = nul ? static_cast<const char *>(nul) : text + len;
  return read_buffer(text, end, dict, nullptr);
}

kxset *sio_sreadx(const char *text, kxset *dict) {
  return sio_sreadn(text, text ? std::strlen(text) : 0, dict);
}

kxset *sio_sread(const char *text) { return sio_sreadx(text, nullptr); }
