// Arbitrary text as a ruleset for the module's own loader: either it says
// which line it does not know, or the messages it writes are whole netlink
// messages from the batch's begin to its end.
#include "kxnft/load/nftbatch.h"

#include <cstdlib>
#include <linux/netfilter/nfnetlink.h>
#include <linux/netlink.h>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1 || size > 1 << 16)
    return 0;
  std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
  std::vector<char> batch;
  std::string why;
  if (!kxnft::replace_batch(text, data[0] & 1, batch, why))
    return why.empty() ? (abort(), 0) : 0;
  size_t at = 0, messages = 0;
  uint16_t first = 0, last = 0;
  while (at < batch.size()) {
    if (batch.size() - at < sizeof(nlmsghdr))
      abort();
    const auto *h = reinterpret_cast<const nlmsghdr *>(batch.data() + at);
    if (h->nlmsg_len < sizeof(nlmsghdr) || h->nlmsg_len > batch.size() - at)
      abort();
    if (messages++ == 0)
      first = h->nlmsg_type;
    last = h->nlmsg_type;
    at += NLMSG_ALIGN(h->nlmsg_len);
  }
  if (at != batch.size() || messages < 3 || first != NFNL_MSG_BATCH_BEGIN || last != NFNL_MSG_BATCH_END)
    abort();
  return 0;
}
