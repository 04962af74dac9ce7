// The building blocks of the compressed encoding: heap, bit streams and the
// code tree with its table-driven decoder.
#include "kxset/bitio.h"
#include "kxset/huffman.h"
#include "kxset/kxheap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(KxHeap, RemovesLightestFirstAndKeepsCapacity) {
  KxHeap heap(6);
  const uint64_t weights[] = {5, 1, 4, 1, 3, 9};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(heap.insert(weights[i], i), 0);
  EXPECT_EQ(heap.insert(0, 99), -1) << "a full heap refuses";

  std::vector<uint64_t> order;
  KxHeap::Entry e;
  while (heap.remove(e) == 0) order.push_back(e.weight);
  EXPECT_EQ(order, (std::vector<uint64_t>{1, 1, 3, 4, 5, 9}));
  EXPECT_EQ(heap.remove(e), -1) << "an empty heap refuses";
}

TEST(BitStream, PacksLeastSignificantBitFirst) {
  std::vector<uint8_t> out;
  BitStreamWr w(out);
  w.write(0b1, 1);     // bit 0
  w.write(0b10, 2);    // bits 1..2: 0 then 1
  w.write(0x1ff, 9);   // bits 3..11
  w.write(0xdeadbeef, 32);
  w.write64(0x123456789abcULL, 48);
  w.flush();
  ASSERT_EQ(out.size(), 12u); // 92 bits
  EXPECT_EQ(out[0], 0b11111101);
  EXPECT_EQ(out[1] & 0x0f, 0x0f);

  BitStreamRd r(out.data(), out.size());
  EXPECT_EQ(r.read(1), 1);
  EXPECT_EQ(r.read(2), 0b10);
  EXPECT_EQ(r.read(9), 0x1ff);
  EXPECT_EQ(r.read(16), 0xbeef);
  EXPECT_EQ(r.read(16), 0xdead);
  EXPECT_EQ(r.read(24), 0x789abc);
  EXPECT_EQ(r.read(24), 0x123456);
  EXPECT_EQ(r.read(4), 0) << "the padding of the last byte";
  EXPECT_EQ(r.read(1), -1) << "nothing past the end";
  EXPECT_EQ(r.peek(8), 0u) << "peeking past the end sees zeros";
}

TEST(BitStream, ShortBuffersNeverReadOutside) {
  const uint8_t one = 0xa5;
  BitStreamRd r(&one, 1);
  EXPECT_EQ(r.peek(16), 0xa5u);
  EXPECT_EQ(r.skip(9), -1);
  EXPECT_EQ(r.skip(8), 0);
  EXPECT_EQ(r.remaining(), 0u);
}

namespace {

// Encodes `stream` (leaf indexes) with a tree built from the counts, parses
// the tree text back and decodes: the leaf texts of the decoded tokens.
std::vector<std::string> through_codes(const std::vector<uint64_t> &counts,
                                       const std::vector<uint32_t> &stream,
                                       unsigned *longest = nullptr) {
  std::vector<KxAtom> texts;
  for (size_t i = 0; i < counts.size(); ++i) texts.emplace_back("t" + std::to_string(i));
  HuffmanEncoding enc;
  EXPECT_EQ(enc.build(counts), 0);
  std::vector<uint8_t> buf;
  enc.write_tree(texts, buf);
  EXPECT_EQ(buf.size(), enc.tree_length(texts));
  size_t tree = buf.size();
  BitStreamWr w(buf);
  uint64_t bits = 0;
  for (uint32_t t : stream) {
    w.write64(enc.code(t).bits, enc.code(t).length);
    bits += enc.code(t).length;
    if (longest) *longest = std::max(*longest, enc.code(t).length);
  }
  w.flush();

  HuffmanDecoding dec;
  HuffmanDecoding::ParseError err;
  EXPECT_EQ(dec.parse(buf.data(), buf.size(), err), static_cast<int64_t>(tree));
  BitStreamRd r(buf.data() + tree, buf.size() - tree);
  std::vector<std::string> out;
  while (r.position() < bits) {
    int64_t t = dec.next(r);
    if (t < 0) break;
    out.push_back(dec.leaf(static_cast<size_t>(t)).str());
  }
  return out;
}

} // namespace

TEST(Huffman, CodesOfEveryLengthDecodeThroughTheTables) {
  // Fibonacci counts give one code of every length: the longest ones pass
  // through several 4-bit tables.
  std::vector<uint64_t> counts{1, 1};
  while (counts.size() < 40) counts.push_back(counts[counts.size() - 1] + counts[counts.size() - 2]);
  std::vector<uint32_t> stream;
  std::vector<std::string> want;
  for (uint32_t i = 0; i < counts.size(); ++i)
    for (uint32_t j : {i, 39 - i}) {
      stream.push_back(j);
      want.push_back("t" + std::to_string(j));
    }
  unsigned longest = 0;
  EXPECT_EQ(through_codes(counts, stream, &longest), want);
  EXPECT_EQ(longest, 39u);
}

TEST(Huffman, ManyEqualTokens) {
  std::vector<uint64_t> counts(3000, 2);
  std::vector<uint32_t> stream;
  std::vector<std::string> want;
  for (uint32_t i = 0; i < 3000; i += 7) {
    stream.push_back(i);
    want.push_back("t" + std::to_string(i));
  }
  EXPECT_EQ(through_codes(counts, stream), want);
}

TEST(Huffman, TreeTextQuotesReservedBytesAndEmptyTexts) {
  std::vector<KxAtom> texts{KxAtom(std::string_view("\1", 1)), KxAtom(""), KxAtom("a\"b")};
  HuffmanEncoding enc;
  ASSERT_EQ(enc.build({1, 1, 1}), 0);
  std::vector<uint8_t> buf;
  enc.write_tree(texts, buf);
  std::string tree(buf.begin(), buf.end());
  EXPECT_NE(tree.find("\"\1\""), std::string::npos);
  EXPECT_NE(tree.find("\"\""), std::string::npos);
  EXPECT_NE(tree.find("a'b"), std::string::npos);
  EXPECT_EQ(buf.size(), enc.tree_length(texts));
}
