#include "kxset/huffman.h"

#include "kxset/kxheap.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kRight = 1; // separator between subtrees, and end of tree
constexpr uint8_t kInner = 2; // starts an inner node
constexpr uint8_t kQuote = '"';
constexpr unsigned kRootBits = 8;
constexpr unsigned kSubBits = 4;

} // namespace

// ---------------------------------------------------------------- encoder

bool HuffmanEncoding::needs_quotes(std::string_view text) {
  return text.empty() || text.find_first_of(std::string_view("\1\2", 2)) != std::string_view::npos;
}

int HuffmanEncoding::build(const std::vector<uint64_t> &counts) {
  nodes_.clear();
  codes_.assign(counts.size(), {});
  total_bits_ = 0;
  root_ = -1;
  if (counts.empty()) return -1;

  nodes_.reserve(2 * counts.size() - 1);
  KxHeap heap(counts.size());
  for (size_t i = 0; i < counts.size(); ++i) {
    nodes_.push_back({counts[i], -1, -1});
    heap.insert(counts[i], i);
  }
  while (heap.size() > 1) {
    KxHeap::Entry left, right;
    heap.remove(left);
    heap.remove(right);
    uint64_t w = left.weight + right.weight;
    total_bits_ += w;
    nodes_.push_back({w, static_cast<int32_t>(left.item), static_cast<int32_t>(right.item)});
    heap.insert(w, nodes_.size() - 1);
  }
  root_ = static_cast<int32_t>(nodes_.size() - 1);

  // Codes by walking the tree in prefix order, which is also the order of
  // the serialised tree: it is kept in `order_` so that writing the tree is
  // one linear pass. An explicit stack keeps deep trees off the call stack.
  struct Step {
    int32_t node; // kSeparator: the byte 1 between two subtrees
    uint64_t bits;
    unsigned length;
  };
  order_.clear();
  order_.reserve(nodes_.size() + counts.size());
  std::vector<Step> stack{{root_, 0, 0}};
  while (!stack.empty()) {
    Step s = stack.back();
    stack.pop_back();
    if (s.node == kSeparator) {
      order_.push_back(kSeparator);
      continue;
    }
    const Node &n = nodes_[static_cast<size_t>(s.node)];
    if (n.left < 0) {
      codes_[static_cast<size_t>(s.node)] = {s.bits, s.length};
      order_.push_back(s.node);
      continue;
    }
    if (s.length >= kMaxCodeLength) return -1;
    order_.push_back(kInnerNode);
    stack.push_back({n.right, s.bits | (uint64_t{1} << s.length), s.length + 1});
    stack.push_back({kSeparator, 0, 0});
    stack.push_back({n.left, s.bits, s.length + 1});
  }
  return 0;
}

uint64_t HuffmanEncoding::tree_length(const std::vector<KxAtom> &texts) const {
  uint64_t t = 1;
  for (size_t i = 0; i < texts.size(); ++i)
    t += texts[i].length() + (needs_quotes(texts[i].view()) ? 2 : 0);
  if (texts.size() > 1) t += 2 * (texts.size() - 1);
  return t;
}

void HuffmanEncoding::write_tree(const std::vector<KxAtom> &texts, std::vector<uint8_t> &out) const {
  // The leaf texts as written, gathered in leaf order first: one pass over
  // the atoms instead of a jump to an atom at every leaf of the walk.
  std::vector<uint8_t> leaf_text;
  std::vector<size_t> at(texts.size() + 1, 0);
  for (size_t i = 0; i < texts.size(); ++i) {
    std::string_view text = texts[i].view();
    bool quoted = needs_quotes(text);
    if (quoted) leaf_text.push_back(kQuote);
    size_t begin = leaf_text.size();
    leaf_text.insert(leaf_text.end(), text.begin(), text.end());
    if (text.find('"') != std::string_view::npos)
      std::replace(leaf_text.begin() + static_cast<std::ptrdiff_t>(begin), leaf_text.end(),
                   uint8_t{'"'}, uint8_t{'\''});
    if (quoted) leaf_text.push_back(kQuote);
    at[i + 1] = leaf_text.size();
  }
  for (int32_t n : order_) {
    if (n == kInnerNode) {
      out.push_back(kInner);
    } else if (n == kSeparator) {
      out.push_back(kRight);
    } else {
      size_t i = static_cast<size_t>(n);
      out.insert(out.end(), leaf_text.begin() + static_cast<std::ptrdiff_t>(at[i]),
                 leaf_text.begin() + static_cast<std::ptrdiff_t>(at[i + 1]));
    }
  }
  out.push_back(kRight);
}

// ---------------------------------------------------------------- decoder

int64_t HuffmanDecoding::parse(const uint8_t *buf, size_t len, ParseError &err) {
  nodes_.clear();
  leaves_.clear();
  table_.clear();
  root_ = -1;
  single_ = false;
  err = ParseError::none;

  // Inner nodes whose right subtree is still to come (state 1) or whose left
  // subtree is being read (state 0).
  struct Open {
    int32_t node;
    int state;
  };
  std::vector<Open> open;
  size_t pos = 0;
  for (;;) {
    if (pos >= len) {
      err = ParseError::truncated;
      return -1;
    }
    if (nodes_.size() >= kMaxNodes) {
      err = ParseError::malformed;
      return -1;
    }
    if (buf[pos] == kInner) {
      ++pos;
      nodes_.push_back({});
      open.push_back({static_cast<int32_t>(nodes_.size() - 1), 0});
      continue;
    }
    // A leaf: quoted up to the next double quote, else up to the next 1 or 2.
    size_t begin = pos, end;
    if (buf[pos] == kQuote) {
      const void *q = std::memchr(buf + pos + 1, kQuote, len - pos - 1);
      if (!q) {
        err = ParseError::truncated;
        return -1;
      }
      begin = pos + 1;
      end = static_cast<size_t>(static_cast<const uint8_t *>(q) - buf);
      pos = end + 1;
    } else {
      end = pos;
      while (end < len && buf[end] != kRight && buf[end] != kInner) ++end;
      if (end >= len) {
        err = ParseError::truncated;
        return -1;
      }
      pos = end;
    }
    nodes_.push_back({-1, -1, static_cast<int32_t>(leaves_.size())});
    leaves_.emplace_back(std::string_view(reinterpret_cast<const char *>(buf + begin), end - begin));
    int32_t done = static_cast<int32_t>(nodes_.size() - 1);

    // Hang the finished subtree on its parent and close every parent that is
    // now complete. A left subtree and the whole tree are followed by a 1.
    for (;;) {
      bool left = !open.empty() && open.back().state == 0;
      if (open.empty() || left) {
        if (pos >= len) {
          err = ParseError::truncated;
          return -1;
        }
        if (buf[pos] != kRight) {
          err = ParseError::malformed;
          return -1;
        }
        ++pos;
      }
      if (open.empty()) {
        root_ = done;
        build_tables();
        return static_cast<int64_t>(pos);
      }
      Open &top = open.back();
      Node &parent = nodes_[static_cast<size_t>(top.node)];
      if (left) {
        parent.left = done;
        top.state = 1;
        break;
      }
      parent.right = done;
      done = top.node;
      open.pop_back();
    }
  }
}

void HuffmanDecoding::build_tables() {
  if (nodes_[static_cast<size_t>(root_)].left < 0) {
    single_ = true; // one token whose code has no bits
    return;
  }
  std::vector<uint32_t> tables(size_t{1} << kRootBits, 0);
  std::vector<std::pair<int32_t, uint32_t>> pending{{root_, 0}};
  while (!pending.empty()) {
    auto [node, offset] = pending.back();
    pending.pop_back();
    fill(tables, node, 0, 0, offset, offset == 0 ? kRootBits : kSubBits, pending);
  }
  // Copy to a start on a 64-byte boundary so that every 4-bit table is one
  // cache line.
  table_.assign(tables.size() + 16, 0);
  auto addr = reinterpret_cast<uintptr_t>(table_.data());
  size_t skip = ((64 - addr % 64) % 64) / sizeof(uint32_t);
  std::copy(tables.begin(), tables.end(), table_.begin() + static_cast<std::ptrdiff_t>(skip));
  root_table_ = table_.data() + skip;
}

// Fills the table at `offset` for the subtree `node` reached after `depth`
// bits of this table. Leaves take every entry that starts with their code;
// inner nodes at the table's full width get a table of their own.
void HuffmanDecoding::fill(std::vector<uint32_t> &tables, int32_t node, unsigned depth,
                           uint32_t prefix, uint32_t offset, unsigned width,
                           std::vector<std::pair<int32_t, uint32_t>> &pending) {
  const Node &n = nodes_[static_cast<size_t>(node)];
  if (n.left < 0) {
    uint32_t e = leaf_entry(static_cast<uint32_t>(n.leaf), depth);
    for (uint32_t k = 0; k < (uint32_t{1} << (width - depth)); ++k)
      tables[offset + (prefix | (k << depth))] = e;
    return;
  }
  if (depth == width) {
    uint32_t sub = static_cast<uint32_t>(tables.size());
    tables.resize(tables.size() + (size_t{1} << kSubBits), 0);
    tables[offset + prefix] = sub_entry(sub >> kSubBits);
    pending.emplace_back(node, sub);
    return;
  }
  fill(tables, n.left, depth + 1, prefix, offset, width, pending);
  fill(tables, n.right, depth + 1, prefix | (uint32_t{1} << depth), offset, width, pending);
}
