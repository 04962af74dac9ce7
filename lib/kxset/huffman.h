// The Huffman code of the compressed set encoding: the code tree built from
// token counts, its serialised text, and the table-driven decoder.
//
// Serialised tree (prefix order): an inner node is the byte 2, its left
// subtree, the byte 1, its right subtree; a leaf is its token's text, inside
// double quotes when it is empty or holds a byte 1 or 2. Double quotes of a
// token become apostrophes. The whole tree is followed by one byte 1.
#pragma once

#include "kxset/bitio.h"
#include "kxset/kxatom.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A code: `length` path bits from the root, the first step in bit 0
// (left = 0, right = 1).
struct HuffmanCode {
  uint64_t bits = 0;
  unsigned length = 0;
};

// The encoder's tree: leaves 0..n-1 are the tokens, in the order of their
// counts given to build().
class HuffmanEncoding {
public:
  // The longest code the bit writer takes in one piece; no count table that
  // fits in memory yields a deeper tree.
  static constexpr unsigned kMaxCodeLength = 64;

  // Builds the tree and the codes: 0, or -1 when there is no token or a code
  // would be longer than kMaxCodeLength.
  int build(const std::vector<uint64_t> &counts);

  const HuffmanCode &code(size_t leaf) const { return codes_[leaf]; }
  // Total number of code bits of the stream: the sum of the inner weights.
  uint64_t total_bits() const noexcept { return total_bits_; }
  // Length of the serialised tree with its closing byte 1, from the texts.
  uint64_t tree_length(const std::vector<KxAtom> &texts) const;
  // Appends the serialised tree and its closing byte 1.
  void write_tree(const std::vector<KxAtom> &texts, std::vector<uint8_t> &out) const;

  // Whether a token text is written inside quotes in the tree.
  static bool needs_quotes(std::string_view text);

private:
  struct Node {
    uint64_t weight;
    int32_t left, right; // -1 for leaves
  };

  // Marks in order_ besides leaf indexes.
  static constexpr int32_t kInnerNode = -1;
  static constexpr int32_t kSeparator = -2;

  std::vector<Node> nodes_;
  std::vector<HuffmanCode> codes_;
  std::vector<int32_t> order_; // the serialised tree: leaves and marks in prefix order
  int32_t root_ = -1;
  uint64_t total_bits_ = 0;
};

// The decoder's tree and lookup tables. A first table is indexed by the next
// 8 bits of the stream (its first bit as bit 0 of the index); codes longer
// than that continue through tables of 4 bits.
class HuffmanDecoding {
public:
  HuffmanDecoding() = default;
  HuffmanDecoding(const HuffmanDecoding &) = delete; // holds a pointer into itself
  HuffmanDecoding &operator=(const HuffmanDecoding &) = delete;

  enum class ParseError { none, truncated, malformed };
  // Trees with more nodes are refused as malformed; it keeps leaf indexes
  // and table numbers within the 27 bits of a table entry.
  static constexpr size_t kMaxNodes = size_t{1} << 27;

  // Reads the tree at the head of buf (at most len bytes). Returns the number
  // of bytes used, closing byte included, or -1 with `err` set.
  int64_t parse(const uint8_t *buf, size_t len, ParseError &err);

  // The next token's leaf index, or -1 when the data ends inside a code.
  int64_t next(BitStreamRd &rd) const noexcept {
    if (single_) return 0;
    uint32_t e = root_table_[rd.peek(8)];
    if (e & kSub) {
      if (rd.skip(8) < 0) return -1;
      for (;;) {
        e = root_table_[(e >> kValueShift) * 16 + rd.peek(4)];
        if (!(e & kSub)) break;
        if (rd.skip(4) < 0) return -1;
      }
    }
    if (rd.skip(e & kLengthMask) < 0) return -1;
    return e >> kValueShift;
  }

  size_t leaves() const noexcept { return leaves_.size(); }
  const KxAtom &leaf(size_t i) const { return leaves_[i]; }

private:
  struct Node {
    int32_t left = -1, right = -1; // children; -1 for leaves
    int32_t leaf = -1;             // leaf index for leaves
  };
  // A table entry in one word: the code's bits within this table (0..8),
  // a flag for "continue in a further table", and the leaf index or the
  // further table's number (its offset / 16). The first table counts as 16
  // tables of 16, so a table's entries are one 64-byte line.
  static constexpr uint32_t kLengthMask = 0xf;
  static constexpr uint32_t kSub = 0x10;
  static constexpr unsigned kValueShift = 5;
  static uint32_t leaf_entry(uint32_t leaf, unsigned length) { return leaf << kValueShift | length; }
  static uint32_t sub_entry(uint32_t table) { return table << kValueShift | kSub; }

  void build_tables();
  void fill(std::vector<uint32_t> &tables, int32_t node, unsigned depth, uint32_t prefix,
            uint32_t offset, unsigned width,
            std::vector<std::pair<int32_t, uint32_t>> &pending);

  std::vector<Node> nodes_;
  std::vector<KxAtom> leaves_;
  std::vector<uint32_t> table_;    // all tables, aligned within by root_table_
  const uint32_t *root_table_ = nullptr;
  int32_t root_ = -1;
  bool single_ = false;
};
