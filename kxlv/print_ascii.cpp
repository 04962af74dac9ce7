#include "kxlv/print.h"

#include "kxu/report.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

const char *text_at(const kxset *s, const char *name) {
  const kxset *v = s ? s->get(name) : nullptr;
  return v ? v->getname() : nullptr;
}

int lines_at(const kxset *s, const std::string &name, int fallback, std::vector<std::string> *messages) {
  const char *t = text_at(s, name.c_str());
  if (!t) return fallback;
  char *end = nullptr;
  const long v = std::strtol(t, &end, 10);
  if (*t && !*end && v >= 3 && v <= 10000) return int(v);
  messages->push_back(kxu::format("Print setting %s is not a line count: '%s'", name.c_str(), t));
  return fallback;
}

kxset *leaf(const std::string &t) { return kxset::make(KxAtom(t)); }

kxset *default_print() {
  kxset *print = kxset::make();
  print->set("format", leaf("ascii"));
  print->set("destination", leaf("file"));
  print->set("string", leaf("kxlog.txt"));
  print->set("range", leaf("window"));
  kxset *ascii = kxset::make();
  ascii->set("form_feed", leaf("\f"));
  ascii->set("lines_per_page", leaf("60"));
  print->set("ascii", ascii);
  kxset *ps = kxset::make();
  ps->set("orientation", leaf("landscape"));
  ps->set("prolog", leaf("gps.pro"));
  print->set("postscript", ps);
  return print;
}

void add_cell(std::string &line, const std::string &text, int width) {
  const std::string &t = text.empty() ? std::string(" ") : text;
  if (width > 0) {
    const size_t w = size_t(width);
    line += t.substr(0, w);
    if (t.size() < w) line.append(w - t.size(), ' ');
  } else {
    line += t;
  }
  line += ' ';
}

} // namespace

kxlv_print_settings kxlv_print_get(kxlv_settings &s, std::vector<std::string> *messages) {
  if (!s.object) s.object = KxSetRef(kxset::make(KxAtom("log-props")));
  kxset *print = s.object->get("print");
  if (!print) {
    print = default_print();
    s.object->set("print", print);
  }
  kxlv_print_settings ps;
  if (const char *t = text_at(print, "format")) ps.format = t;
  if (const char *t = text_at(print, "destination")) ps.destination = t;
  if (const char *t = text_at(print, "string")) ps.string = t;
  if (const char *t = text_at(print, "range")) ps.range = t;
  const kxset *ascii = print->get("ascii");
  ps.ascii = ascii != nullptr;
  if (ascii) {
    ps.form_feed = text_at(ascii, "form_feed") ? text_at(ascii, "form_feed") : "";
    ps.ascii_lines_per_page = lines_at(ascii, "lines_per_page", 60, messages);
  }
  const kxset *post = print->get("postscript");
  ps.postscript = post != nullptr;
  if (post) {
    if (const char *t = text_at(post, "orientation")) {
      if (!std::strcmp(t, "landscape") || !std::strcmp(t, "portrait")) ps.orientation = t;
      else messages->push_back(kxu::format("Print orientation is neither landscape nor portrait: '%s'", t));
    }
    const int fallback = ps.orientation == "portrait" ? 70 : 50;
    ps.ps_lines_per_page = lines_at(post, ps.orientation + "_lines_per_page", fallback, messages);
    if (const char *t = text_at(post, "prolog")) ps.prolog = t;
  }
  return ps;
}

std::string print_ascii_line(const kxlv_entry &e, const kxlv_settings &s, const LogHosts &hosts) {
  std::string line;
  for (const kxlv_column &c : s.columns) {
    if (!c.active) continue;
    const std::string text = kxlv_column_text(e, c.name, hosts, s.columns);
    // An entry number is printed whole: cut, it would name another entry.
    const bool whole = !strcasecmp(c.name.c_str(), "Num") && int(text.size()) > c.width;
    add_cell(line, text, whole ? int(text.size()) : c.width);
  }
  line += '\n';
  return line;
}

long print_ascii(const kxlv_print_sink &out, const kxlv_print_source &lines, const kxlv_settings &s,
                 const kxlv_print_settings &ps, const LogHosts &hosts) {
  std::vector<const kxlv_column *> cols;
  for (const kxlv_column &c : s.columns)
    if (c.active) cols.push_back(&c);
  std::string title;
  for (const kxlv_column *c : cols) add_cell(title, c->name, c->width);
  title += '\n';
  const long per_page = std::max(1, ps.ascii_lines_per_page);
  long written = 0;
  while (const kxlv_entry *e = lines()) {
    if (written % per_page == 0) {
      if (written > 0 && !out(ps.form_feed)) return -1;
      if (!out(title)) return -1;
    }
    if (!out(print_ascii_line(*e, s, hosts))) return -1;
    ++written;
  }
  if (written == 0 && !out(title)) return -1;
  return written;
}
