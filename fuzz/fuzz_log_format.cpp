// Format texts: parsed, then every format printed over words taken from
// the same input, with every action name the text defines.
#include "kxlog/logformat.h"
#include "kxlog/logprint.h"
#include "fuzz/quiet.h"
#include "kxu/report.h"

#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  kxfuzz::silence_reports();
  log_format_table table;
  log_parseformat(reinterpret_cast<const char *>(data), &table, size);
  std::vector<uint32_t> words(std::min<size_t>(size / 4, 64));
  if (!words.empty()) std::memcpy(words.data(), data, words.size() * 4);
  for (const auto &f : table.formats) {
    if (!f) continue;
    log_format(*f, "", words.data(), words.size());
    int names = 0; // a few action names are enough to reach every path
    for (const auto &[n, name] : table.actions) {
      if (++names > 4) break;
      log_format(*f, name, words.data(), words.size());
    }
  }
  return 0;
}
