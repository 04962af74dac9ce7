// Interned names. Every distinct text has one record; a KxAtom is a counted
// handle to it, so equal names compare as equal handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

class KxAtom {
public:
  // The record behind a handle. `text` follows the header in the same block.
  struct Record {
    uint32_t refcount;
    uint32_t hash;
    uint32_t length;
    char text[1];
  };

  // The zero atom ("no name"). The two static atoms are not counted in any
  // meaningful way: their records are never freed.
  KxAtom() noexcept : rec_(zero_record()) {}
  // A null pointer gives the zero atom, "" the null atom, anything else the
  // interned record for the text.
  KxAtom(const char *text); // NOLINT: implicit by design, names are written as strings
  KxAtom(std::string_view text);
  KxAtom(const std::string &text) : KxAtom(std::string_view(text)) {}
  // The same, with hash_of(text) computed beforehand.
  KxAtom(std::string_view text, uint32_t hash);

  // The hash the atom table keys a text by: eight bytes at a time, each word
  // multiplied into the state, with a final avalanche. Names share long
  // prefixes ("host-000123") and differ in their last bytes, which the mix
  // spreads over the low bits the tables index by. Inline: readers hash
  // every name they read.
  static uint32_t hash_of(std::string_view text) noexcept {
    constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
    auto mix = [](uint64_t h, uint64_t w) {
      h = (h ^ w) * kMul;
      return h ^ (h >> 29);
    };
    const char *p = text.data();
    const size_t n = text.size();
    uint64_t h = 0x243F6A8885A308D3ull ^ (n * kMul);
    if (n >= 8) {
      // Whole words, then the last eight bytes (overlapping the previous word).
      const char *last = p + n - 8;
      for (; p < last; p += 8) h = mix(h, load<uint64_t>(p));
      h = mix(h, load<uint64_t>(last));
    } else if (n >= 4) {
      h = mix(h, uint64_t{load<uint32_t>(p)} | uint64_t{load<uint32_t>(p + n - 4)} << 32);
    } else if (n > 0) {
      auto byte = [&](size_t i) { return uint64_t{static_cast<unsigned char>(p[i])}; };
      h = mix(h, byte(0) | byte(n / 2) << 8 | byte(n - 1) << 16);
    }
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<uint32_t>(h);
  }
  // Starts loading the table slot of that hash into the cache, so that a
  // reader can intern the names it sees a little ahead without waiting for
  // memory on each new one.
  static void prefetch(uint32_t hash) noexcept;
  // The second step of that: once the slot has arrived, starts loading the
  // record it points to (when its hash matches), so that comparing the text
  // and counting the reference do not wait either.
  static void prefetch_record(uint32_t hash) noexcept;

  KxAtom(const KxAtom &o) noexcept : rec_(o.rec_) { retain(); }
  KxAtom(KxAtom &&o) noexcept : rec_(o.rec_) { o.rec_ = zero_record(); }
  KxAtom &operator=(const KxAtom &o) noexcept;
  KxAtom &operator=(KxAtom &&o) noexcept;
  ~KxAtom() { release(); }

  // Looks the text up without interning it: the zero atom when no atom of
  // that text exists (so a lookup by an unknown name cannot match anything).
  static KxAtom find(std::string_view text);

  // Another handle to the atom of a live record (from record()).
  static KxAtom of(const Record *record) noexcept {
    KxAtom a;
    a.rec_ = const_cast<Record *>(record);
    a.retain();
    return a;
  }

  static KxAtom zero() { return KxAtom(); }
  static KxAtom null() noexcept {
    KxAtom a; // the static records are not counted in any meaningful way
    a.rec_ = null_record();
    return a;
  }

  const char *c_str() const noexcept { return rec_->text; }
  std::string_view view() const noexcept { return {rec_->text, rec_->length}; }
  std::string str() const { return std::string(view()); }
  size_t length() const noexcept { return rec_->length; }
  bool is_zero() const noexcept { return rec_ == zero_record(); }
  bool is_null() const noexcept { return rec_ == null_record(); }
  // Neither the zero nor the null atom: a real, non-empty name.
  bool is_named() const noexcept { return !is_zero() && !is_null(); }
  // Names beginning with "_" are private bookkeeping that never notifies.
  bool is_private() const noexcept { return rec_->length > 0 && rec_->text[0] == '_'; }
  uint32_t hash() const noexcept { return rec_->hash; }
  uint32_t refcount() const noexcept { return rec_->refcount; }
  const Record *record() const noexcept { return rec_; }

  friend bool operator==(const KxAtom &a, const KxAtom &b) noexcept { return a.rec_ == b.rec_; }
  // Whether the atom's text is `text` (without looking it up).
  bool is(std::string_view text) const noexcept {
    return rec_->length == text.size() && same_text(rec_->text, text.data(), text.size());
  }

  // Whether two texts of length n are equal. Names are mostly under 16
  // bytes: two overlapping words compare them without a call.
  static bool same_text(const char *a, const char *b, size_t n) noexcept {
    if (n > 16) return std::memcmp(a, b, n) == 0;
    if (n >= 8) return ((load<uint64_t>(a) ^ load<uint64_t>(b)) | (load<uint64_t>(a + n - 8) ^ load<uint64_t>(b + n - 8))) == 0;
    if (n >= 4) return ((load<uint32_t>(a) ^ load<uint32_t>(b)) | (load<uint32_t>(a + n - 4) ^ load<uint32_t>(b + n - 4))) == 0;
    for (size_t i = 0; i < n; ++i)
      if (a[i] != b[i]) return false;
    return true;
  }

  // Number of atoms in the table (the two static atoms are not in it).
  static size_t GetTotal();
  // Prints every atom with its count on standard error.
  static void DebugAtoms();

private:
  template <typename W> static W load(const char *p) noexcept {
    W w;
    std::memcpy(&w, p, sizeof w);
    return w;
  }
  static Record *zero_record() noexcept;
  static Record *null_record() noexcept;
  static Record *intern(std::string_view text);
  static Record *intern(std::string_view text, uint32_t hash);
  void retain() noexcept { ++rec_->refcount; }
  void release() noexcept {
    if (--rec_->refcount == 0) final_destruct();
  }
  void final_destruct() noexcept;

  Record *rec_;
};

// The two static records. They live for the whole process and are never in
// the table; their counts start high so that they never reach zero.
extern KxAtom::Record kx_zero_atom_record;
extern KxAtom::Record kx_null_atom_record;
inline KxAtom::Record *KxAtom::zero_record() noexcept { return &kx_zero_atom_record; }
inline KxAtom::Record *KxAtom::null_record() noexcept { return &kx_null_atom_record; }

inline KxAtom &KxAtom::operator=(const KxAtom &o) noexcept {
  KxAtom copy(o);
  std::swap(rec_, copy.rec_);
  return *this;
}

inline KxAtom &KxAtom::operator=(KxAtom &&o) noexcept {
  if (this != &o) {
    release();
    rec_ = o.rec_;
    o.rec_ = zero_record();
  }
  return *this;
}

// Hash functor for containers keyed by atoms.
struct KxAtomHash {
  size_t operator()(const KxAtom &a) const noexcept { return a.hash(); }
};
