// Encoding side of the compressed set encoding, and the failure reporting
// shared with the decoder.
#include "kxset/kxencode.h"

#include "kxset/sio.h"
#include "kxu/report.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

std::string &last_error() {
  static std::string text;
  return text;
}

struct ScopeDeleter {
  void operator()(KxScope *s) const { cs_stack_destroy(s); }
};

// The token table: atom record to token index, open addressing on the
// atom's own hash, kept at most half full.
class TokenIndex {
public:
  explicit TokenIndex(size_t buckets) {
    size_t n = 16;
    while (n < buckets) n *= 2;
    slots_.assign(n, {});
  }

  // The index of `r`, or `fresh` (then recorded for it) when it is new.
  std::pair<uint32_t, bool> find_or_add(const KxAtom::Record *r, uint32_t fresh) {
    size_t mask = slots_.size() - 1;
    for (size_t i = r->hash & mask;; i = (i + 1) & mask) {
      if (slots_[i].rec == r) return {slots_[i].index, false};
      if (!slots_[i].rec) {
        slots_[i] = {r, fresh};
        if (++count_ * 2 > slots_.size()) grow();
        return {fresh, true};
      }
    }
  }

private:
  struct Slot {
    const KxAtom::Record *rec = nullptr;
    uint32_t index = 0;
  };
  void grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    size_t mask = slots_.size() - 1;
    for (const Slot &s : old) {
      if (!s.rec) continue;
      size_t i = s.rec->hash & mask;
      while (slots_[i].rec) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;
  size_t count_ = 0;
};

// Collects tokens; the token table gives each distinct token its index and
// count.
class Streamer {
public:
  Streamer(KxScope &scope, KxTokens &tokens) : scope_(scope), tokens_(tokens), index_(5000) {
    if (tokens_.stream.capacity() < 100) tokens_.stream.reserve(100);
  }

  bool set(const kxset *s) {
    const KxAtom &name = s->getnamea();
    bool named = name.is_named();
    kxset *mut = const_cast<kxset *>(s); // the scope only records it
    if (named && scope_.Get(name)) return name_token(name);
    if (!token(kxencode_open()) || !name_token(named ? name : KxAtom::null())) return false;
    if (scope_.Push(mut) < 0) {
      kxencode_detail::fail("EncodeKxset: sets nested too deeply");
      return false;
    }
    for (int i = 0, n = s->getnattr(); i < n; ++i) {
      const kxattribute *a = s->attr(i);
      if (a->name().is_private() || !a->value()) continue;
      if (!name_token(a->name().is_zero() ? KxAtom::null() : a->name()) || !set(a->value())) {
        scope_.Pop();
        return false;
      }
    }
    scope_.Pop();
    if (!token(kxencode_close())) return false;
    if (named && scope_.Add(name, mut) < 0) {
      kxencode_detail::fail("ERROR: Cannot define <" + std::string(scope_.GetTop()->getname()) +
                            "::" + name.str() + ">");
      return false;
    }
    return true;
  }

  bool token(const KxAtom &t) { return add(t); }

  // A name that equals a reserved token would read back as structure, so it
  // is refused.
  bool name_token(const KxAtom &t) {
    if (t == kxencode_open() || t == kxencode_close()) {
      kxencode_detail::fail("EncodeKxset: the name of the single byte " +
                            std::to_string(static_cast<int>(t.c_str()[0])) + " is reserved");
      return false;
    }
    return add(t);
  }

private:
  bool add(const KxAtom &t) {
    auto [index, fresh] = index_.find_or_add(t.record(), static_cast<uint32_t>(tokens_.texts.size()));
    if (fresh) {
      tokens_.texts.push_back(t);
      tokens_.counts.push_back(1);
    } else {
      ++tokens_.counts[index];
    }
    tokens_.stream.push_back(index);
    return true;
  }

  KxScope &scope_;
  KxTokens &tokens_;
  TokenIndex index_;
};

} // namespace

namespace kxencode_detail {

void fail(std::string message) {
  last_error() = std::move(message);
  std::string shown = last_error();
  while (!shown.empty() && (shown.back() == '\n' || shown.back() == ' ')) shown.pop_back();
  error(0, 0, "%s", shown.c_str());
}

void clear() { last_error().clear(); }

} // namespace kxencode_detail

const std::string &kxencode_error() { return last_error(); }

const KxAtom &kxencode_open() {
  static const KxAtom open(std::string_view("\1", 1));
  return open;
}

const KxAtom &kxencode_close() {
  static const KxAtom close(std::string_view("\2", 1));
  return close;
}

int TraverseSet(const kxset *set, KxScope &scope, KxTokens &tokens) {
  Streamer s(scope, tokens);
  return s.set(set) ? 0 : -1;
}

std::unique_ptr<uint8_t[]> EncodeKxset(const kxset *set, size_t &length, bool verbose, kxset *dict) {
  kxencode_detail::clear();
  length = 0;
  if (!set) {
    kxencode_detail::fail("EncodeKxset: no set to encode");
    return nullptr;
  }
  std::unique_ptr<KxScope, ScopeDeleter> scope(sio_namesp(nullptr, dict));
  KxTokens tokens;
  if (TraverseSet(set, *scope, tokens) < 0) return nullptr;
  scope.reset();

  HuffmanEncoding code;
  if (tokens.texts.size() >= HuffmanDecoding::kMaxNodes / 2 || code.build(tokens.counts) < 0) {
    kxencode_detail::fail("EncodeKxset: set too large to encode");
    return nullptr;
  }
  uint64_t tree_len = code.tree_length(tokens.texts);
  uint64_t data_len = (code.total_bits() + 15) / 8;
  if (data_len > UINT32_MAX) {
    kxencode_detail::fail("EncodeKxset: set too large to encode");
    return nullptr;
  }
  if (verbose) {
    std::printf("total tokens are : %d\n", static_cast<int>(tokens.stream.size()));
    std::printf("total unique tokens are : %d\n", static_cast<int>(tokens.texts.size()));
    std::printf("encoded tree len is %d encode data len is %d\n", static_cast<int>(tree_len),
                static_cast<int>(data_len));
  }

  std::vector<uint8_t> out;
  out.reserve(tree_len + 4 + data_len);
  code.write_tree(tokens.texts, out);
  if (out.size() != tree_len) {
    kxencode_detail::fail("Bug !!: treelen checksum error \n");
    return nullptr;
  }
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(data_len >> (8 * i)));
  BitStreamWr bits(out);
  for (uint32_t t : tokens.stream) {
    const HuffmanCode &c = code.code(t);
    bits.write64(c.bits, c.length);
  }
  bits.write(0, 8);
  bits.flush();
  if (out.size() - tree_len - 4 > data_len) {
    kxencode_detail::fail("Bug !!: datalen checksum error \n");
    return nullptr;
  }
  out.resize(tree_len + 4 + data_len, 0);

  length = out.size();
  auto buffer = std::make_unique_for_overwrite<uint8_t[]>(length);
  std::memcpy(buffer.get(), out.data(), length);
  return buffer;
}
