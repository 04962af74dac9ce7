// kxc lv page|search|select: the log viewer's work for scripts and for
// terminals, with the installation's viewer settings ("logviewer.C") and
// its log file unless --log names another.
#include "kxc/command.h"

#include "kxlog/logfile.h"
#include "kxlv/print.h"
#include "kxlv/viewer.h"
#include "kxu/kxdir.h"
#include "kxu/report.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <thread>
#include <unistd.h>

namespace {

const char kUsage[] = "lv page [--log FILE] [--at N|DATE|TIME|end] [--lines K] [--follow [--interval MS]]\n"
                      "       kxc lv search [--log FILE] [--from N] [--backward] TEXT\n"
                      "       kxc lv print [--log FILE] [--format ascii|postscript] [--range window|all] "
                      "[--lines K] [--output FILE]\n"
                      "       kxc lv select [--log FILE] (--set COLUMN=VALUE[,VALUE...] [--not] | "
                      "--clear COLUMN)...";

bool number(const std::string &s, long max, long *out) {
  if (s.empty() || s.size() > 10 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  const long v = std::strtol(s.c_str(), nullptr, 10);
  if (v > max) return false;
  *out = v;
  return true;
}

// Objects named in selections come from the installation's objects
// database, loaded on the first such name. An installation without one
// (no "lib/setup.C") has no objects: names are then unknown.
const kxset *find_object(const std::string &table, const std::string &name) {
  static int loaded = 0; // 1 loaded, -1 not available
  if (loaded == 0) {
    loaded = -1;
    const std::string setup = kx_filename("lib", "setup.C", nullptr, nullptr, nullptr);
    if (access(setup.c_str(), R_OK) == 0) {
      load_objects(nullptr); // files that fail are reported and stand empty
      if (kx_netobj) loaded = 1;
    }
  }
  if (loaded < 0) return nullptr;
  return kxobj_member(table == "servobj" ? kx_services : kx_netobj, name.c_str());
}

// The settings, with their problems on standard error; false when a
// missing settings file could not be made.
bool load_settings(kxlv_settings &s) {
  s.selections.set_objects(find_object);
  std::vector<std::string> messages;
  const int rc = kxlv_settings_load(kxlv_settings_path(), s, &messages);
  for (const std::string &m : messages) std::fprintf(stderr, "kxc lv: %s\n", m.c_str());
  return rc >= 0;
}

bool open_log(kxlv_viewer &viewer, const std::string &file) {
  const std::string path = file.empty() ? log_path(nullptr, "r") : log_path(file.c_str(), "r");
  if (viewer.lio().open(path)) return true;
  std::fprintf(stderr, "kxc lv: Failed to open '%s'\n", path.c_str());
  return false;
}

bool write_stdout(std::string_view text) { return std::fwrite(text.data(), 1, text.size(), stdout) == text.size(); }

// Following the log: every shown entry after the page as it is written,
// one plain-text line each; a log that shrinks or is replaced is read again
// from its start, one that goes away is waited for. Ends when standard
// output fails (or by a signal).
int follow(kxlv_viewer &viewer, const kxlv_settings &settings, long interval_ms) {
  kxlv_lio &lio = viewer.lio();
  long next = viewer.page().empty() ? viewer.page_first() : viewer.page().back().num + 1;
  std::optional<kxlv_entry> prev;
  if (!viewer.page().empty()) prev = viewer.page().back();
  bool gone = false;
  for (;;) {
    // Everything from `next` to the end as far as it is written.
    if (lio.seek(next) >= 0 || lio.get_current_num() == next) {
      while (const kxlv_entry *e = lio.nextent()) {
        next = e->num + 1;
        if (!viewer.passes(*e)) continue;
        if (settings.hide_repeat && prev && kxlv_line_eq(*e, *prev)) continue;
        prev = *e;
        const std::string line = print_ascii_line(*e, settings, lio.hosts());
        if (!write_stdout(line)) return 1;
      }
    }
    if (std::fflush(stdout) != 0) return 1;
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(interval_ms));
      const kxlv_lio::Change c = lio.check();
      if (c == kxlv_lio::kUnchanged) continue;
      if (c == kxlv_lio::kGrown) break;
      if (c == kxlv_lio::kGone) {
        if (!gone) std::fprintf(stderr, "kxc lv: Log file %s cannot be accessed for reading\n", lio.path().c_str());
        gone = true;
        continue;
      }
      // Shrunk or replaced (a rotation): the new file from its start.
      const std::string path = lio.path();
      if (!viewer.open(path)) continue;
      std::fprintf(stderr, "kxc lv: Log file %s was truncated or replaced; reading it again\n", path.c_str());
      gone = false;
      next = 0;
      prev.reset();
      break;
    }
  }
}

int page(const kxc::Args &args) {
  std::string file, at;
  long lines = 20, interval_ms = 5000;
  bool following = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const bool has_value = i + 1 < args.size();
    if (args[i] == "--log" && has_value) file = args[++i];
    else if (args[i] == "--follow") following = true;
    else if (args[i] == "--interval" && has_value) {
      if (!number(args[++i], 3600000, &interval_ms) || interval_ms < 10) {
        std::fprintf(stderr, "kxc lv: --interval takes milliseconds from 10 to 3600000\n");
        return 2;
      }
    } else if (args[i] == "--at" && has_value) at = args[++i];
    else if (args[i] == "--lines" && has_value) {
      if (!number(args[++i], 128, &lines) || lines < 1) {
        std::fprintf(stderr, "kxc lv: --lines takes a number from 1 to 128\n");
        return 2;
      }
    } else return kxc::usage_error(kUsage);
  }
  kxlv_settings settings;
  if (!load_settings(settings)) return 1;
  kxlv_viewer viewer(settings);
  if (!open_log(viewer, file)) return 1;
  viewer.set_lines(int(lines));
  viewer.top();
  long n = 0;
  std::string error;
  if (at.empty()) {
  } else if (at == "end") {
    viewer.bottom();
  } else if (number(at, 2147483647L, &n)) {
    viewer.goto_entry(n);
  } else if (at.find('/') != std::string::npos || at.find(':') != std::string::npos) {
    // "mm/dd/yy", "hh:mm:ss", or both separated by a blank.
    std::string date, time;
    const size_t blank = at.find(' ');
    if (blank != std::string::npos) date = at.substr(0, blank), time = at.substr(blank + 1);
    else if (at.find('/') != std::string::npos) date = at;
    else time = at;
    if (!viewer.goto_datetime(date, time, &error)) {
      std::fprintf(stderr, "kxc lv: %s\n", error.c_str());
      return 1;
    }
  } else {
    std::fprintf(stderr, "kxc lv: --at takes an entry number, mm/dd/yy, hh:mm:ss or end\n");
    return 2;
  }
  std::vector<std::string> messages;
  kxlv_print_settings ps = kxlv_print_get(settings, &messages);
  for (const std::string &m : messages) std::fprintf(stderr, "kxc lv: %s\n", m.c_str());
  size_t next = 0;
  const auto &entries = viewer.page();
  const long written = print_ascii(
      write_stdout, [&]() -> const kxlv_entry * { return next < entries.size() ? &entries[next++] : nullptr; },
      settings, ps, viewer.lio().hosts());
  if (written < 0 || std::fflush(stdout) != 0) return 1;
  return following ? follow(viewer, settings, interval_ms) : 0;
}

int search(const kxc::Args &args) {
  std::string file, text;
  long from = -1;
  bool backward = false, have_text = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const bool has_value = i + 1 < args.size();
    if (args[i] == "--log" && has_value) file = args[++i];
    else if (args[i] == "--from" && has_value) {
      if (!number(args[++i], 2147483647L, &from)) return kxc::usage_error(kUsage);
    } else if (args[i] == "--backward") backward = true;
    else if (!have_text && (args[i].rfind("--", 0) != 0 || args[i].size() == 2)) {
      text = args[i] == "--" && has_value ? args[++i] : args[i];
      have_text = true;
    } else return kxc::usage_error(kUsage);
  }
  if (!have_text) return kxc::usage_error(kUsage);
  kxlv_settings settings;
  if (!load_settings(settings)) return 1;
  kxlv_viewer viewer(settings);
  if (!open_log(viewer, file)) return 1;
  viewer.set_lines(1);
  // The search starts at the page's first entry (forward) or before it
  // (backward): the page is put at --from, or at the end for a backward
  // search without it.
  if (from >= 0) viewer.show_page(from);
  else if (backward) viewer.show_page(viewer.lio().count_all());
  else viewer.top();
  std::string message;
  const long hit = viewer.search(text, "", backward ? kxlv_viewer::kBackward : kxlv_viewer::kForward, &message);
  if (hit < 0) {
    std::fprintf(stderr, "kxc lv: %s\n", message.c_str());
    return 1;
  }
  std::printf("%ld\n", hit);
  return 0;
}

int select_cmd(const kxc::Args &args) {
  kxlv_settings settings;
  if (!load_settings(settings)) return 1;
  struct Change {
    std::string column, values;
    bool clear = false, in = true;
  };
  std::vector<Change> changes;
  for (size_t i = 1; i < args.size(); ++i) {
    const bool has_value = i + 1 < args.size();
    if (args[i] == "--log" && has_value) ++i; // the settings are the installation's in any case
    else if (args[i] == "--set" && has_value) {
      const std::string &v = args[++i];
      const size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0) return kxc::usage_error(kUsage);
      changes.push_back({v.substr(0, eq), v.substr(eq + 1)});
    } else if (args[i] == "--not" && !changes.empty() && !changes.back().clear) {
      changes.back().in = false;
    } else if (args[i] == "--clear" && has_value) {
      changes.push_back({args[++i], "", true});
    } else return kxc::usage_error(kUsage);
  }
  if (changes.empty()) return kxc::usage_error(kUsage);
  for (const Change &c : changes) {
    std::string error;
    if (c.clear) {
      if (!settings.selections.remove(c.column)) {
        std::fprintf(stderr, "kxc lv: no selection on '%s'\n", c.column.c_str());
        return 1;
      }
      continue;
    }
    std::vector<std::string> values;
    if (!strcasecmp(c.column.c_str(), "Info")) {
      values.push_back(c.values);
    } else {
      size_t start = 0;
      for (;;) {
        const size_t comma = c.values.find(',', start);
        values.push_back(c.values.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    }
    KxSetRef list = kxlv_make_list(c.column, values, &error);
    if (!list || settings.selections.update(c.column, c.in, list.get(), &error) < 0) {
      std::fprintf(stderr, "kxc lv: %s\n", error.c_str());
      return 1;
    }
  }
  std::string error;
  if (kxlv_settings_save(kxlv_settings_path(), settings, &error) < 0) {
    std::fprintf(stderr, "kxc lv: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

int print(const kxc::Args &args) {
  std::string file, output, format = "ascii", range = "window";
  long lines = 20;
  for (size_t i = 1; i < args.size(); ++i) {
    const bool has_value = i + 1 < args.size();
    if (args[i] == "--log" && has_value) file = args[++i];
    else if (args[i] == "--output" && has_value) output = args[++i];
    else if (args[i] == "--format" && has_value && (args[i + 1] == "ascii" || args[i + 1] == "postscript"))
      format = args[++i];
    else if (args[i] == "--range" && has_value && (args[i + 1] == "window" || args[i + 1] == "all"))
      range = args[++i];
    else if (args[i] == "--lines" && has_value) {
      if (!number(args[++i], 128, &lines) || lines < 1) return kxc::usage_error(kUsage);
    } else return kxc::usage_error(kUsage);
  }
  kxlv_settings settings;
  if (!load_settings(settings)) return 1;
  kxlv_viewer viewer(settings);
  if (!open_log(viewer, file)) return 1;
  viewer.set_lines(int(lines));
  viewer.top();
  std::vector<std::string> messages;
  kxlv_print_settings ps = kxlv_print_get(settings, &messages);
  for (const std::string &m : messages) std::fprintf(stderr, "kxc lv: %s\n", m.c_str());
  ps.format = format;
  ps.range = range;
  ps.destination = "file";
  ps.string = output;
  std::fflush(stdout);
  std::string message;
  const int rc = kxlv_print(viewer, settings, ps, nullptr, &message);
  if (!message.empty()) std::fprintf(stderr, "kxc lv: %s\n", message.c_str());
  return rc < 0 ? 1 : 0;
}

} // namespace

KXC_COMMAND(lv, kUsage, "the log viewer's pages, search and selections") {
  if (args.empty()) return kxc::usage_error(kUsage);
  if (args[0] == "page") return page(args);
  if (args[0] == "search") return search(args);
  if (args[0] == "print") return print(args);
  if (args[0] == "select") return select_cmd(args);
  return kxc::usage_error(kUsage);
}
