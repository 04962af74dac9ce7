// The viewer: an open log, the settings, and the page of shown entries. A
// window shows `page()` and forwards the user's actions to these calls.
#pragma once

#include "kxlv/lio.h"
#include "kxlv/settings.h"

#include <optional>
#include <string>
#include <vector>

class kxlv_viewer {
public:
  explicit kxlv_viewer(kxlv_settings &settings) : settings_(settings) {}

  // Opens a log file; false with the message "Failed to open '%s'" (the
  // viewer then shows no file).
  bool open(const std::string &path);
  kxlv_lio &lio() { return lio_; }

  // Entry lines per page (at least 1, at most 128).
  void set_lines(int lines);
  int lines() const { return lines_; }
  const std::vector<kxlv_entry> &page() const { return page_; }
  // Where the last page fill started.
  long page_first() const { return page_first_; }
  bool apply_selections = true;

  // Whether an entry passes the quick and the full test.
  bool passes(const kxlv_entry &e);

  // Fills the page from entry `from` on.
  void show_page(long from);
  void top() { show_page(0); }
  void next_page();
  void prev_page();
  void prev_entry();
  void next_entry();
  void this_page();
  void bottom();

  // Shown entries in [a, b).
  long interval(long a, long b);
  // The entry k shown entries before n (0 at the start) or after it.
  long find_prev_point(long n, long k);
  long find_next_point(long n, long k);
  // The first shown entry at or after n, or -1.
  long next_shown(long n);

  // Go to: the last shown entry at or before n; the first entry later than
  // a date and/or time ("mm/dd/yy", "hh:mm:ss"; either may be empty). False
  // with the viewer's message for a bad text; nothing moves then.
  bool goto_entry(long n);
  bool goto_datetime(const std::string &date, const std::string &time, std::string *error);
  bool goto_time(uint32_t t);

  // Searches the shown entries for `pattern` in `column` (empty or "All
  // Fields": all). Returns the entry found, or -1 with "Search done" (or
  // "Bad (Null) search string") in `message`. The page moves to the hit.
  enum Direction { kForward, kBackward, kFromTop };
  long search(const std::string &pattern, const std::string &column, Direction dir, std::string *message);
  std::optional<long> last_found() const { return found_; }
  // The text a search looks in (kxlv_search_text).
  std::string search_text(const kxlv_entry &e, const std::string &column);

  // Online following: reacts to growth (the page follows when it shows the
  // end), to a file that shrank or was replaced (reopened from the start,
  // with a message), and to a file that went away. Returns true when the
  // page changed.
  bool online_tick(std::string *message);

  kxlv_test_ctx test_ctx();

private:
  kxlv_settings &settings_;
  kxlv_lio lio_;
  int lines_ = 20;
  std::vector<kxlv_entry> page_;
  long page_first_ = 0; // where the page fill started
  std::optional<long> found_;
};
