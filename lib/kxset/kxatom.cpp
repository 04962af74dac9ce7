// The atom table: one record per distinct text, found by an open-addressing
// hash table that grows with the number of atoms (a whole objects database
// interns hundreds of thousands of names, so a fixed bucket count would turn
// lookups into long chain walks).
#include "kxset/kxatom.h"
#include "kxset/kxpool.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

constinit KxAtom::Record kx_zero_atom_record{1u << 30, 0, 0, {0}};
constinit KxAtom::Record kx_null_atom_record{1u << 30, 0, 0, {0}};

namespace {

size_t record_size(size_t length) { return offsetof(KxAtom::Record, text) + length + 1; }

uint32_t text_hash(std::string_view s) noexcept { return KxAtom::hash_of(s); }

// Starts loading the line at `p` for writing: the reader counts a reference
// in every record it finds and fills the slot of every name it adds. A plain
// prefetch of those lines was measured to hide nothing of the wait on them
// here, while asking for them to be written (as they will be) does.
inline void prefetch_for_write(const void *p) noexcept {
#if defined(__x86_64__)
  asm volatile("prefetchw %0" : : "m"(*static_cast<const char *>(p)));
#else
  __builtin_prefetch(p, 1);
#endif
}

// Zeroed memory for a table. A large table sits in huge pages where the
// system allows it: its slots are visited at random, one per new name, and
// with small pages nearly each visit also missed the address translation.
void *alloc_zeroed(size_t bytes) {
  constexpr size_t kHuge = size_t{2} << 20;
  if (bytes < kHuge) {
    void *p = std::calloc(1, bytes);
    if (!p) throw std::bad_alloc();
    return p;
  }
  void *p = std::aligned_alloc(kHuge, bytes); // bytes is a power of two here
  if (!p) throw std::bad_alloc();
  madvise(p, bytes, MADV_HUGEPAGE); // only advice: small pages work too
  std::memset(p, 0, bytes);
  return p;
}

// Linear probing over a power-of-two array of (hash, record) slots, at most
// half full. Keeping the hash in the slot lets a probe pass over other names
// without touching their records. The table is never freed: atoms may be
// released during static destruction, after any destructor of ours ran.
struct AtomTable {
  struct Slot {
    uint32_t hash;
    KxAtom::Record *rec;
  };
  Slot *slots = nullptr;
  size_t mask = 0;
  size_t count = 0;

  size_t home(uint32_t h) const noexcept { return h & mask; }

  void grow() {
    size_t ncap = slots ? (mask + 1) * 2 : 1024;
    auto *ns = static_cast<Slot *>(alloc_zeroed(ncap * sizeof(Slot)));
    size_t nmask = ncap - 1;
    for (size_t i = 0; slots && i <= mask; ++i)
      if (slots[i].rec) {
        size_t j = slots[i].hash & nmask;
        while (ns[j].rec) j = (j + 1) & nmask;
        ns[j] = slots[i];
      }
    std::free(slots);
    slots = ns;
    mask = nmask;
  }

  // Slot of the record with this text, or of the empty slot ending its probe.
  size_t probe(std::string_view text, uint32_t h) const noexcept {
    size_t i = home(h);
    while (const KxAtom::Record *r = slots[i].rec) {
      if (slots[i].hash == h && r->length == text.size() && KxAtom::same_text(r->text, text.data(), text.size()))
        return i;
      i = (i + 1) & mask;
    }
    return i;
  }

  KxAtom::Record *find(std::string_view text) const noexcept {
    if (!slots) return nullptr;
    return slots[probe(text, text_hash(text))].rec;
  }

  void prefetch(uint32_t h) const noexcept {
    if (slots) prefetch_for_write(&slots[home(h)]);
  }

  void prefetch_record(uint32_t h) const noexcept {
    if (!slots) return;
    // The record may sit a few slots past its home (same line, mostly).
    for (size_t i = home(h), k = 0; slots[i].rec && k < 4; i = (i + 1) & mask, ++k)
      if (slots[i].hash == h) {
        prefetch_for_write(slots[i].rec);
        return;
      }
  }

  KxAtom::Record *intern(std::string_view text, uint32_t h) {
    if (!slots || (count + 1) * 2 > mask + 1) grow();
    size_t i = probe(text, h);
    if (KxAtom::Record *r = slots[i].rec) {
      ++r->refcount;
      return r;
    }
    void *mem = kxpool::alloc_block(record_size(text.size()));
    auto *r = static_cast<KxAtom::Record *>(mem);
    r->refcount = 1;
    r->hash = h;
    r->length = static_cast<uint32_t>(text.size());
    std::memcpy(r->text, text.data(), text.size());
    r->text[text.size()] = '\0';
    slots[i] = {h, r};
    ++count;
    return r;
  }

  // Removes the slot holding `r` and closes the gap (backward shift), so
  // that no tombstones slow later probes. Returns false when `r` is absent.
  // The slot is found by the record's address: comparing texts would load
  // the records of the other names on the way.
  bool erase(const KxAtom::Record *r) noexcept {
    if (!slots) return false;
    size_t i = home(r->hash);
    while (slots[i].rec && slots[i].rec != r) i = (i + 1) & mask;
    if (slots[i].rec != r) return false;
    size_t hole = i;
    for (size_t j = (i + 1) & mask; slots[j].rec; j = (j + 1) & mask) {
      size_t want = home(slots[j].hash);
      // Move j into the hole unless its home lies cyclically in (hole, j].
      bool stays = hole <= j ? (hole < want && want <= j) : (hole < want || want <= j);
      if (!stays) {
        slots[hole] = slots[j];
        hole = j;
      }
    }
    slots[hole] = {0, nullptr};
    --count;
    return true;
  }
};

constinit AtomTable atom_table;

} // namespace

KxAtom::Record *KxAtom::intern(std::string_view text) { return intern(text, text_hash(text)); }

KxAtom::Record *KxAtom::intern(std::string_view text, uint32_t hash) {
  if (text.empty()) {
    ++kx_null_atom_record.refcount;
    return null_record();
  }
  return atom_table.intern(text, hash);
}

KxAtom::KxAtom(std::string_view text, uint32_t hash) : rec_(intern(text, hash)) {}

void KxAtom::prefetch(uint32_t hash) noexcept { atom_table.prefetch(hash); }

void KxAtom::prefetch_record(uint32_t hash) noexcept { atom_table.prefetch_record(hash); }

KxAtom::KxAtom(const char *text) {
  if (!text) {
    rec_ = zero_record();
    retain();
  } else {
    rec_ = intern(text);
  }
}

KxAtom::KxAtom(std::string_view text) : rec_(intern(text)) {}

KxAtom KxAtom::find(std::string_view text) {
  if (text.empty()) return null();
  KxAtom a;
  if (Record *r = atom_table.find(text)) {
    a.release();
    a.rec_ = r;
    a.retain();
  }
  return a;
}

void KxAtom::final_destruct() noexcept {
  if (rec_ == zero_record() || rec_ == null_record()) {
    rec_->refcount = 1u << 30;
    return;
  }
  if (!atom_table.erase(rec_))
    std::fprintf(stderr, "KxAtom: Hash atom corruption for %s at %p\n", rec_->text, static_cast<void *>(rec_));
  kxpool::free_block(rec_, record_size(rec_->length));
}

size_t KxAtom::GetTotal() { return atom_table.count; }

void KxAtom::DebugAtoms() {
  for (size_t i = 0; atom_table.slots && i <= atom_table.mask; ++i)
    if (const Record *r = atom_table.slots[i].rec)
      std::fprintf(stderr, "found atom :%s: at %p with refcount %u\n", r->text, static_cast<const void *>(r),
                   r->refcount);
}
