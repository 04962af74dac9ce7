// The viewer over a fuzzed log with a fuzzed selection and settings file.
// Input: a selection line "COLUMN=VALUE[,VALUE...]" (a leading "!" for
// "Not In"), a newline, the settings text, a NUL byte, then the log bytes.
// The viewer pages, jumps, searches and renders every column of each page.
// Two faster paths are checked against the plain ones: the field-by-field
// search test against matching the whole search text, and counting entries
// without making them against reading them.
#include "kxlv/match.h"
#include "kxlv/search.h"
#include "kxlv/settings.h"
#include "kxlv/viewer.h"
#include "fuzz/quiet.h"
#include "kxu/report.h"

#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

std::string memfile(const char *name, const uint8_t *data, size_t size, int *fd) {
  *fd = memfd_create(name, 0);
  if (*fd < 0) return {};
  if (size && write(*fd, data, size) != ssize_t(size)) return {};
  return "/proc/self/fd/" + std::to_string(*fd);
}

std::vector<std::string> split(const std::string &s) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t comma = s.find(',', start);
    out.push_back(s.substr(start, comma - start));
    if (comma == std::string::npos) return out;
    start = comma + 1;
  }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  kxfuzz::silence_reports();
  const uint8_t *nl = static_cast<const uint8_t *>(std::memchr(data, '\n', size));
  if (!nl) return 0;
  const uint8_t *nul = static_cast<const uint8_t *>(std::memchr(nl, 0, size - size_t(nl - data)));
  if (!nul) return 0;
  std::string line(reinterpret_cast<const char *>(data), size_t(nl - data));
  const uint8_t *settings_text = nl + 1;
  const uint8_t *log = nul + 1;
  const size_t log_size = size - size_t(log - data);

  int sfd = -1, lfd = -1;
  const std::string spath = memfile("settings", settings_text, size_t(nul - settings_text), &sfd);
  const std::string lpath = memfile("log", log, log_size, &lfd);
  if (!spath.empty() && !lpath.empty()) {
    kxlv_settings settings;
    std::vector<std::string> messages;
    kxlv_settings_load(spath, settings, &messages);
    const bool in = line.empty() || line[0] != '!';
    if (!in) line.erase(0, 1);
    const size_t eq = line.find('=');
    if (eq != std::string::npos) {
      std::string error;
      const std::string column = line.substr(0, eq);
      KxSetRef list = kxlv_make_list(column, split(line.substr(eq + 1)), &error);
      if (list) settings.selections.update(column, in, list.get(), &error);
    }
    kxlv_viewer viewer(settings);
    if (viewer.open(lpath)) {
      viewer.set_lines(8);
      size_t rendered = 0;
      auto render = [&] {
        for (const kxlv_entry &e : viewer.page())
          for (const kxlv_column &c : settings.columns)
            rendered += kxlv_column_text(e, c.name, viewer.lio().hosts(), settings.columns).size();
      };
      viewer.top();
      render();
      viewer.next_page();
      viewer.bottom();
      render();
      viewer.prev_page();
      viewer.goto_entry(long(log_size % 97));
      viewer.goto_time(log_size > 8 ? uint32_t(log[0]) << 24 | log[log_size / 2] : 0);
      std::string message;
      if (!line.empty()) {
        viewer.search(line.substr(0, 16), "", kxlv_viewer::kFromTop, &message);
        viewer.search(line.substr(0, 16), "", kxlv_viewer::kBackward, &message);
      }
      render();
      std::vector<std::string> patterns = {line.substr(0, 16)};
      if (eq != std::string::npos) patterns.push_back(line.substr(eq + 1, 16));
      for (const std::string &pattern : patterns) {
        if (pattern.empty()) continue;
        for (const char *column : {"", "Info", "Src", "I/F"}) {
          kxlv_search_matcher matcher(pattern, column, viewer.lio().hosts(), settings.columns);
          if (viewer.lio().seek(0) < 0) break;
          for (int k = 0; k < 2048; ++k) {
            const kxlv_entry *e = viewer.lio().nextent();
            if (!e) break;
            if (matcher.matches(*e) != kxlv_pattern_contains(viewer.search_text(*e, column), pattern))
              __builtin_trap();
          }
        }
      }
    }
    kxlv_lio read, stepped;
    if (read.open(lpath) && stepped.open(lpath)) {
      long n = 0;
      while (read.nextent()) ++n;
      if (stepped.count_all() != n || stepped.blocks().size() != read.blocks().size()) __builtin_trap();
      for (size_t b = 0; b < read.blocks().size(); ++b)
        if (read.blocks()[b].offset != stepped.blocks()[b].offset ||
            read.blocks()[b].recnum != stepped.blocks()[b].recnum)
          __builtin_trap();
    }
  }
  if (sfd >= 0) close(sfd);
  if (lfd >= 0) close(lfd);
  return 0;
}
