// Arbitrary bytes through the set reader. Whatever it accepts must print,
// and the printed text must read back; from the second print on the text is
// a fixed point. (The first print may still change once: a set whose only
// attributes are private keeps its two-line layout, but they are not
// written, so it reads back without attributes.) The first print may be
// refused, only for depth: a name in scope stands for the set defined under
// it, and that set may be taller than the one in the tree. A leading "!"
// reads with unknown names tolerated.
#include "kxset/sio.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *input = reinterpret_cast<const char *>(data);
  bool tolerant = size > 0 && input[0] == '!';
  sio_noscope_set(tolerant ? 1 : 0);
  KxSetRef set = sio_sreadn(input, size);
  sio_noscope_set(0);
  if (!set) {
    // A failure always says why.
    if (sio_errno() != 0 && !sio_errors()) std::abort();
    return 0;
  }
  if (sio_errno() != 0) std::abort();
  std::string text;
  if (sio_swrite(text, set.get()) != 0) {
    if (sio_errno() != SIO_SYNTAX) std::abort();
    return 0;
  }
  std::string prints[2];
  for (std::string &out : prints) {
    KxSetRef again = sio_sreadn(text.data(), text.size());
    if (!again || sio_errno() != 0) std::abort();
    if (sio_swrite(out, again.get()) != 0) std::abort();
    text = out;
  }
  if (prints[0] != prints[1]) std::abort();
  return 0;
}
