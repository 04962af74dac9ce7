// Decoding side of the compressed set encoding.
#include "kxset/kxencode.h"

#include "kxset/sio.h"

#include <algorithm>
#include <string>

namespace {

struct ScopeDeleter {
  void operator()(KxScope *s) const { cs_stack_destroy(s); }
};

// Reads sets from the token stream. Each leaf of the code tree is sorted
// once into structure tokens and names.
class TokenReader {
public:
  TokenReader(const HuffmanDecoding &codes, BitStreamRd &bits, KxScope &scope, size_t budget)
      : codes_(codes), bits_(bits), scope_(scope), kinds_(codes.leaves(), Kind::name),
        budget_(budget), limit_(budget) {
    for (size_t i = 0; i < codes.leaves(); ++i) {
      if (codes.leaf(i) == kxencode_open()) kinds_[i] = Kind::open;
      if (codes.leaf(i) == kxencode_close()) kinds_[i] = Kind::close;
    }
  }

  // A value: a set in full, or a name defined in the scope.
  kxset *value() {
    int64_t t = next();
    if (t < 0) return nullptr;
    if (kind(t) == Kind::open) return set();
    if (kind(t) == Kind::close) return illegal();
    const KxAtom &name = codes_.leaf(static_cast<size_t>(t));
    kxset *found = name.is_named() ? scope_.Get(name) : nullptr;
    if (!found)
      kxencode_detail::fail("DecodeKxSet:scope error <" + std::string(scope_.GetTop()->getname()) +
                            "::" + name.str() + "> unfound");
    return found;
  }

private:
  enum class Kind : uint8_t { name, open, close };

  Kind kind(int64_t t) const { return kinds_[static_cast<size_t>(t)]; }

  int64_t next() {
    int64_t t = codes_.next(bits_);
    if (t < 0) kxencode_detail::fail("DecodeKxSet : unexpected end of data");
    return t;
  }

  // Counts one more set or attribute against the budget; false (reported)
  // when it is spent.
  bool spend() {
    if (budget_ > 0) {
      --budget_;
      return true;
    }
    kxencode_detail::fail("DecodeKxSet : the data makes more than " + std::to_string(limit_) +
                          " sets and attributes");
    return false;
  }

  kxset *illegal() {
    kxencode_detail::fail("Illegal token in stream\n");
    return nullptr;
  }

  // The rest of a set after OPEN: its name, then attribute names and values
  // up to CLOSE. Partly built sets go away with `hold` on failure.
  kxset *set() {
    int64_t t = next();
    if (t < 0) return nullptr;
    if (kind(t) != Kind::name) return illegal();
    const KxAtom &name = codes_.leaf(static_cast<size_t>(t));
    if (!spend()) return nullptr;
    KxSetRef hold(kxset::make(name));
    if (scope_.Push(hold.get()) < 0) {
      kxencode_detail::fail("DecodeKxSet : sets nested too deeply");
      return nullptr;
    }
    for (;;) {
      t = next();
      if (t < 0) break;
      if (kind(t) == Kind::close) break;
      if (kind(t) == Kind::open) {
        illegal();
        t = -1;
        break;
      }
      const KxAtom &attr = codes_.leaf(static_cast<size_t>(t));
      if (!spend()) {
        t = -1;
        break;
      }
      KxSetRef v(value());
      if (!v) {
        t = -1;
        break;
      }
      if (hold->append(attr, v.get()) < 0) {
        kxencode_detail::fail("ERROR: Cannot add  <" + attr.str() + "> to <" + name.str() + ">");
        t = -1;
        break;
      }
    }
    scope_.Pop();
    if (t < 0) return nullptr;
    if (name.is_named() && scope_.Add(name, hold.get()) < 0) {
      kxencode_detail::fail("ERROR: Cannot define <" + std::string(scope_.GetTop()->getname()) +
                            "::" + name.str() + ">");
      return nullptr;
    }
    return hold.release();
  }

  const HuffmanDecoding &codes_;
  BitStreamRd &bits_;
  KxScope &scope_;
  std::vector<Kind> kinds_;
  size_t budget_;
  const size_t limit_;
};

size_t &max_elements() {
  static size_t limit = KXDECODE_DEFAULT_MAX_ELEMENTS;
  return limit;
}

} // namespace

kxset *ReadFromEncode(const HuffmanDecoding &codes, BitStreamRd &bits, KxScope &scope,
                      size_t budget) {
  TokenReader reader(codes, bits, scope, budget);
  return reader.value();
}

size_t kxdecode_budget(size_t length) {
  return std::min(max_elements(), KXDECODE_BASE_ELEMENTS + length * KXDECODE_ELEMENTS_PER_BYTE);
}

size_t kxdecode_set_max_elements(size_t n) {
  size_t prev = max_elements();
  max_elements() = n ? n : KXDECODE_DEFAULT_MAX_ELEMENTS;
  return prev;
}

kxset *DecodeKxset(const uint8_t *buffer, size_t length, kxset *dict) {
  kxencode_detail::clear();
  static const char *const kLength = "DecodeKxSet : buffer length checksum failed";
  if (!buffer) length = 0;

  HuffmanDecoding codes;
  HuffmanDecoding::ParseError perr;
  int64_t tree_len = codes.parse(buffer, length, perr);
  if (tree_len < 0) {
    kxencode_detail::fail(perr == HuffmanDecoding::ParseError::truncated
                              ? kLength
                              : "DecodeKxSet : bad code tree");
    return nullptr;
  }
  uint64_t t = static_cast<uint64_t>(tree_len);
  if (t + 4 > length) {
    kxencode_detail::fail(kLength);
    return nullptr;
  }
  uint64_t data_len = 0;
  for (int i = 0; i < 4; ++i) data_len |= static_cast<uint64_t>(buffer[t + i]) << (8 * i);
  if (t + 4 + data_len > length) {
    kxencode_detail::fail(kLength);
    return nullptr;
  }

  std::unique_ptr<KxScope, ScopeDeleter> scope(sio_namesp(nullptr, dict));
  BitStreamRd bits(buffer + t + 4, static_cast<size_t>(data_len));
  return ReadFromEncode(codes, bits, *scope, kxdecode_budget(length));
}
