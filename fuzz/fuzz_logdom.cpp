// The collector's readers of what the packet filter puts in the log stream:
// a domain text (from a log-info record) with every name matched against
// its tables, and the same bytes as the words of a record trap.
#include "fuzz/quiet.h"
#include "kxdom.h"
#include "logtrap.h"

#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  kxfuzz::silence_reports();
  const kxlogd::dom_tables tables =
      kxlogd::parse_domtables(reinterpret_cast<const char *>(data), size);
  std::vector<std::string> names;
  for (const auto &e : tables)
    for (const auto &n : e.names) names.push_back(n);
  kxlogd::dom_set(tables, names);
  for (size_t i = 0; i + 1 < names.size() && i < 16; ++i) kxlogd::dom_match(names[i], names[i + 1]);

  std::vector<uint32_t> words(size / 4);
  if (!words.empty()) std::memcpy(words.data(), data, words.size() * 4);
  if (words.size() >= 2) words[0] = kxlogd::LOG_TRAP_WORD;
  kxlogd::DomainLookups lookups; // nothing is looked up or updated
  kxlogd::DomainResolver resolver(lookups);
  resolver.dom_fork = 0;
  kxlogd::LogTraps traps(&resolver);
  traps.tunnel_port = -1; // nothing is sent
  traps.log_trap(words.data(), words.size());
  return 0;
}
