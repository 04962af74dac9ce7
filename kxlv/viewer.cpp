#include "kxlv/viewer.h"

#include "kxlv/search.h"

#include "kxu/report.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <strings.h>

bool kxlv_viewer::open(const std::string &path) {
  page_.clear();
  found_.reset();
  if (!lio_.open(path)) {
    error(0, 0, "Failed to open '%s'", path.c_str());
    return false;
  }
  return true;
}

void kxlv_viewer::set_lines(int lines) { lines_ = std::clamp(lines, 1, 128); }

kxlv_test_ctx kxlv_viewer::test_ctx() {
  kxlv_test_ctx ctx;
  ctx.hosts = &lio_.hosts();
  ctx.columns = &settings_.columns;
  ctx.show_null_match = settings_.show_null_match;
  return ctx;
}

bool kxlv_viewer::passes(const kxlv_entry &e) {
  if (!apply_selections || settings_.selections.nsel() == 0) return true;
  const kxlv_test_ctx ctx = test_ctx();
  return settings_.selections.cmp_selected(e, ctx) && settings_.selections.selected(e, ctx);
}

void kxlv_viewer::show_page(long from) {
  page_.clear();
  page_first_ = std::max(0L, from);
  if (lio_.seek(page_first_) < 0) return;
  std::optional<kxlv_entry> prev;
  while (int(page_.size()) < lines_) {
    const kxlv_entry *e = lio_.nextent();
    if (!e) break;
    if (!passes(*e)) continue;
    if (settings_.hide_repeat && prev && kxlv_line_eq(*e, *prev)) continue;
    prev = *e;
    page_.push_back(*e);
  }
}

long kxlv_viewer::next_shown(long n) {
  if (lio_.seek(std::max(0L, n)) < 0) return -1;
  while (const kxlv_entry *e = lio_.nextent())
    if (passes(*e)) return e->num;
  return -1;
}

void kxlv_viewer::next_page() {
  const long after = page_.empty() ? page_first_ : page_.back().num + 1;
  const long n = next_shown(after);
  if (n >= 0) show_page(n);
}

void kxlv_viewer::prev_page() {
  const long first = page_.empty() ? page_first_ : page_.front().num;
  show_page(find_prev_point(first, lines_));
}

void kxlv_viewer::prev_entry() {
  const long first = page_.empty() ? page_first_ : page_.front().num;
  if (first > 0) show_page(find_prev_point(first, 1));
}

void kxlv_viewer::next_entry() {
  if (page_.size() < 2) return next_page();
  show_page(page_[1].num);
}

void kxlv_viewer::this_page() { show_page(page_.empty() ? page_first_ : page_.front().num); }

void kxlv_viewer::bottom() {
  const long end = lio_.count_all();
  lio_.check();
  show_page(find_prev_point(end, lines_));
}

long kxlv_viewer::interval(long a, long b) {
  if (a >= b || lio_.seek(a) < 0) return 0;
  long count = 0;
  if (!settings_.hide_repeat && (!apply_selections || settings_.selections.nsel() == 0)) {
    // Every entry is shown: counting needs no entry made.
    while (count < b - a && lio_.skipent()) ++count;
    return count;
  }
  std::optional<kxlv_entry> prev;
  for (long n = a; n < b; ++n) {
    const kxlv_entry *e = lio_.nextent();
    if (!e) break;
    if (!passes(*e)) continue;
    if (settings_.hide_repeat && prev && kxlv_line_eq(*e, *prev)) continue;
    if (settings_.hide_repeat) prev = *e;
    ++count;
  }
  return count;
}

// Steps back with a growing stride while the shown entries counted stay
// short of k, and halves the stride when a step would pass k.
long kxlv_viewer::find_prev_point(long n, long k) {
  long pos = n, total = 0, step = std::max(1L, k);
  while (pos > 0 && total < k) {
    const long a = std::max(0L, pos - step);
    const long c = interval(a, pos);
    if (total + c > k && step > 1) {
      step = std::max(1L, step / 2);
      continue;
    }
    total += c;
    pos = a;
    if (kxdebug) kx_trace("curpos %ld nextpos %ld nents %ld => %ld (%ld)", pos + step, pos, c, total, k);
    step *= 2;
  }
  // Land on the shown entry itself rather than on hidden ones before it.
  const long shown = next_shown(pos);
  const long result = shown >= 0 && shown < n ? shown : pos;
  if (kxdebug) kx_trace("Found prev point: find_prev_point(%ld, %ld)=%ld", n, k, result);
  return result;
}

long kxlv_viewer::find_next_point(long n, long k) {
  if (lio_.seek(std::max(0L, n)) < 0) return n;
  long count = 0, last = n;
  std::optional<kxlv_entry> prev;
  while (const kxlv_entry *e = lio_.nextent()) {
    if (!passes(*e)) continue;
    if (settings_.hide_repeat && prev && kxlv_line_eq(*e, *prev)) continue;
    if (settings_.hide_repeat) prev = *e;
    last = e->num;
    if (count++ == k) break;
  }
  return last;
}

bool kxlv_viewer::goto_entry(long n) {
  if (n < 0) n = 0;
  const long at = find_prev_point(n + 1, 1);
  show_page(at);
  return true;
}

bool kxlv_viewer::goto_time(uint32_t t) {
  if (lio_.tseek(t) < 0) return false;
  show_page(lio_.get_current_num());
  return true;
}

bool kxlv_viewer::goto_datetime(const std::string &date, const std::string &time_text, std::string *error) {
  if (date.empty() && time_text.empty()) return false;
  time_t base = time(nullptr);
  if (!page_.empty()) base = page_.front().header.time;
  struct tm tm {};
  localtime_r(&base, &tm);
  tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
  if (kxgetdate(date.c_str(), &tm.tm_mon, &tm.tm_mday, &tm.tm_year) < 0) {
    *error = "Bad date format: <" + date + ">";
    return false;
  }
  if (kxgettime(time_text.c_str(), &tm.tm_hour, &tm.tm_min, &tm.tm_sec) < 0) {
    *error = "Bad time format: <" + time_text + ">";
    return false;
  }
  tm.tm_isdst = -1;
  const time_t t = mktime(&tm);
  if (t < 0 || t > time_t(UINT32_MAX)) {
    *error = "Bad date format: <" + date + ">";
    return false;
  }
  return goto_time(uint32_t(t));
}

std::string kxlv_viewer::search_text(const kxlv_entry &e, const std::string &column) {
  std::string out;
  kxlv_search_text(out, e, column, lio_.hosts(), settings_.columns);
  return out;
}

long kxlv_viewer::search(const std::string &pattern, const std::string &column, Direction dir,
                         std::string *message) {
  if (pattern.empty()) {
    *message = "Bad (Null) search string";
    return -1;
  }
  const long page_first = page_.empty() ? page_first_ : page_.front().num;
  const long page_last = page_.empty() ? page_first_ - 1 : page_.back().num;
  const bool found_on_page = found_ && *found_ >= page_first && *found_ <= page_last;
  kxlv_search_matcher matcher(pattern, column, lio_.hosts(), settings_.columns);
  long hit = -1;
  if (dir == kBackward) {
    long start = found_on_page ? *found_ : page_first;
    if (found_on_page && *found_ == 0) start = 0;
    // Scan chunks before `start`, newest first; within a chunk the last hit
    // counts. One entry before the chunk seeds the repeat check.
    const long kChunk = 256;
    for (long end = start; end > 0 && hit < 0; end = std::max(0L, end - kChunk)) {
      const long a = std::max(0L, end - kChunk);
      const long seed = a > 0 ? a - 1 : 0;
      if (lio_.seek(seed) < 0) break;
      std::optional<kxlv_entry> prev;
      for (long n = seed; n < end; ++n) {
        const kxlv_entry *e = lio_.nextent();
        if (!e) break;
        if (!passes(*e)) continue;
        const bool repeat = settings_.hide_repeat && prev && kxlv_line_eq(*e, *prev);
        if (settings_.hide_repeat) prev = *e;
        if (n >= a && !repeat && matcher.matches(*e)) hit = n;
      }
    }
  } else {
    // After a hit the scan starts on it again, so that it seeds the repeat
    // check, and looks for hits after it.
    const long start = dir == kFromTop ? 0 : found_on_page ? *found_ : page_first;
    const long first_hit = dir == kFromTop || !found_on_page ? start : start + 1;
    if (lio_.seek(std::max(0L, start)) >= 0) {
      std::optional<kxlv_entry> prev;
      while (const kxlv_entry *e = lio_.nextent()) {
        if (!passes(*e)) continue;
        const bool repeat = settings_.hide_repeat && prev && kxlv_line_eq(*e, *prev);
        if (settings_.hide_repeat) prev = *e;
        if (e->num >= first_hit && !repeat && matcher.matches(*e)) {
          hit = e->num;
          break;
        }
      }
    }
  }
  if (hit < 0) {
    *message = "Search done";
    this_page();
    return -1;
  }
  found_ = hit;
  if (hit < page_first || hit > page_last || page_.empty()) show_page(hit);
  return hit;
}

bool kxlv_viewer::online_tick(std::string *message) {
  const long known_before = lio_.known();
  switch (lio_.check()) {
  case kxlv_lio::kUnchanged: return false;
  case kxlv_lio::kGone:
    *message = "Log file " + lio_.path() + " cannot be accessed for reading";
    return false;
  case kxlv_lio::kShrunk:
  case kxlv_lio::kReplaced: {
    const std::string path = lio_.path();
    *message = "Log file " + path + " was truncated or replaced; reading it again";
    if (!open(path)) return false;
    bottom();
    return true;
  }
  case kxlv_lio::kGrown: break;
  }
  // Follow only when the page shows the end of what was known.
  const long last_on_page = page_.empty() ? -1 : page_.back().num;
  const bool at_end = page_.empty() || int(page_.size()) < lines_ ||
                      interval(last_on_page + 1, known_before) == 0;
  if (!at_end) return false;
  bottom();
  return true;
}
