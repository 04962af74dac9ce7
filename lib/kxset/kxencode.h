// The compressed encoding of a set tree: the tree as a stream of tokens
// (sharing named sets through a scope and an optional dictionary, as the
// text format does), written with a Huffman code whose tree travels at the
// head of the buffer.
//
// Buffer: the serialised code tree and a byte 1; D, the length of the code
// data, in four bytes, least significant first; D bytes of code data (every
// token's code in stream order, then 8 zero bits, padded to a whole byte).
#pragma once

#include "kxset/bitio.h"
#include "kxset/huffman.h"
#include "kxset/kxscope.h"
#include "kxset/kxset.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Packs `set`, with `dict` as dictionary. Returns the buffer and stores its
// length, or returns null after reporting through error(). With `verbose`
// the token counts and the part lengths are printed on standard output.
std::unique_ptr<uint8_t[]> EncodeKxset(const kxset *set, size_t &length, bool verbose = false,
                                       kxset *dict = nullptr);

// Unpacks a buffer of `length` bytes. Returns the top set (count 0, unless it
// is a dictionary member), or null after reporting through error(). Any
// bytes are safe to give: reads stay inside the buffer, and the sets and
// attributes made are capped by kxdecode_budget(length) ("DecodeKxSet : the
// data makes more than N sets and attributes").
kxset *DecodeKxset(const uint8_t *buffer, size_t length, kxset *dict = nullptr);

// How many sets and attributes a buffer of `length` bytes may make: a base
// plus a few per byte (real encodings make about one per three bytes; a
// crafted one up to four per byte), never more than the absolute limit
// (some 70 bytes of memory each).
constexpr size_t KXDECODE_BASE_ELEMENTS = 65536;
constexpr size_t KXDECODE_ELEMENTS_PER_BYTE = 1;
constexpr size_t KXDECODE_DEFAULT_MAX_ELEMENTS = size_t{4} << 20;
size_t kxdecode_budget(size_t length);
// Sets the absolute limit (0: the default); returns the previous one.
size_t kxdecode_set_max_elements(size_t n);

// The message of the last failed EncodeKxset or DecodeKxset, exactly as
// reported; empty after a success.
const std::string &kxencode_error();

// --- building blocks

// A token stream: every token is an atom; the stream holds indexes into
// `texts`, and `counts` how often each occurs.
struct KxTokens {
  std::vector<KxAtom> texts;
  std::vector<uint64_t> counts;
  std::vector<uint32_t> stream;
};

// The reserved tokens: OPEN is the text of the one byte 1, CLOSE of byte 2.
const KxAtom &kxencode_open();
const KxAtom &kxencode_close();

// Streams `set` into `tokens` with `scope`: 0, or -1 after reporting.
int TraverseSet(const kxset *set, KxScope &scope, KxTokens &tokens);

// Reads one set from the decoded tokens, making at most `budget` sets and
// attributes: the set (count 0 unless it was found in the scope), or null
// after reporting.
kxset *ReadFromEncode(const HuffmanDecoding &codes, BitStreamRd &bits, KxScope &scope,
                      size_t budget);

namespace kxencode_detail {
// Records a failure message and reports it through error().
void fail(std::string message);
// Forgets the last failure.
void clear();
} // namespace kxencode_detail
