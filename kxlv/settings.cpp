#include "kxlv/settings.h"

#include "kxset/sio.h"
#include "kxu/kxdir.h"
#include "kxu/replace_file.h"
#include "kxu/report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

std::string kxlv_settings_path() { return kx_filename(nullptr, "logviewer.C", "conf", nullptr, nullptr); }

namespace {

const char *text_at(const kxset *s, const char *name) {
  const kxset *v = s ? s->get(name) : nullptr;
  return v ? v->getname() : nullptr;
}

bool read_bool(const kxset *options, const char *name, bool fallback, std::vector<std::string> *messages) {
  const char *t = text_at(options, name);
  if (!t) return fallback;
  if (!std::strcmp(t, "true")) return true;
  if (!std::strcmp(t, "false")) return false;
  messages->push_back(kxu::format("Option %s is neither true nor false: '%s'", name, t));
  return fallback;
}

bool read_int(const char *t, long lo, long hi, long *out) {
  if (!t || !*t) return false;
  char *end = nullptr;
  errno = 0;
  const long v = std::strtol(t, &end, 10);
  if (*end || errno || v < lo || v > hi) return false;
  *out = v;
  return true;
}

void read_columns(const kxset *fields, kxlv_settings &s, std::vector<std::string> *messages) {
  if (!fields || fields->getnattr() == 0) return;
  std::vector<kxlv_column> columns;
  for (int i = 0; i < fields->getnattr(); ++i) {
    const kxset *f = fields->get(i);
    std::string name = fields->getattrnamea(i).str();
    if (name.empty() && f) name = f->getname();
    if (!f || name.empty()) continue;
    kxlv_column c;
    c.name = name;
    const auto defaults = kxlv_default_columns();
    const size_t d = kxlv_col_colof(defaults, name);
    if (d < defaults.size()) c = defaults[d];
    if (const char *t = text_at(f, "type")) {
      if (!std::strcmp(t, "text") || !std::strcmp(t, "image") || !std::strcmp(t, "icon")) c.kind = t;
      else messages->push_back(kxu::format("Column %s: unknown type '%s'", name.c_str(), t));
    }
    long v = 0;
    if (const char *t = text_at(f, "active")) {
      if (read_int(t, 0, 1, &v)) c.active = v != 0;
      else messages->push_back(kxu::format("Column %s: active is not 0 or 1: '%s'", name.c_str(), t));
    }
    if (const char *t = text_at(f, "width")) {
      if (read_int(t, 0, 1000, &v)) c.width = int(v);
      else messages->push_back(kxu::format("Column %s: bad width '%s'", name.c_str(), t));
    }
    if (kxlv_col_colof(columns, c.name) == columns.size()) columns.push_back(c);
  }
  if (!columns.empty()) s.columns = std::move(columns);
}

kxset *leaf(const std::string &t) { return kxset::make(KxAtom(t)); }

void put_back(kxlv_settings &s) {
  if (!s.object) s.object = KxSetRef(kxset::make(KxAtom("log-props")));
  kxset *fields = kxset::make();
  for (const kxlv_column &c : s.columns) {
    kxset *f = kxset::make();
    f->set("type", leaf(c.kind));
    f->set("active", leaf(c.active ? "1" : "0"));
    f->set("width", leaf(std::to_string(c.width)));
    fields->append(KxAtom(c.name), f);
  }
  s.object->set("fields", fields);
  kxset *options = kxset::make();
  options->set("show_null_match", leaf(s.show_null_match ? "true" : "false"));
  options->set("hide_repeat", leaf(s.hide_repeat ? "true" : "false"));
  options->set("resolve", leaf(s.resolve ? "true" : "false"));
  options->set("online", leaf(s.online ? "true" : "false"));
  s.object->set("options", options);
  KxSetRef sel = s.selections.save();
  s.object->set("selections", sel.get());
  s.object->set("pagetimeout", leaf(std::to_string(s.pagetimeout)));
}

} // namespace

int kxlv_settings_load(const std::string &path, kxlv_settings &s, std::vector<std::string> *messages) {
  kxlv_object_finder objects = s.selections.objects(); // the caller's objects stay
  s = kxlv_settings();
  s.selections.set_objects(std::move(objects));
  FILE *f = std::fopen(path.c_str(), "r");
  if (!f) {
    if (errno != ENOENT) {
      messages->push_back(kxu::format("Cannot read '%s': %s", path.c_str(), std::strerror(errno)));
      return 0;
    }
    std::string error;
    if (kxlv_settings_save(path, s, &error) < 0) {
      messages->push_back(error);
      return -1;
    }
    return 1;
  }
  sio_setfile(path.c_str());
  KxSetRef top(sio_read(f));
  std::fclose(f);
  if (sio_errno() != 0 || !top) {
    messages->push_back(kxu::format("Failed to load '%s':\n%s", path.c_str(), sio_messages().c_str()));
    return 0;
  }
  kxset *obj = top->get("log-props") ? top->get("log-props") : top.get();
  s.object = KxSetRef(kxsetcopy(obj, -1, KxAtom("log-props")));
  read_columns(obj->get("fields"), s, messages);
  const kxset *options = obj->get("options");
  s.show_null_match = read_bool(options, "show_null_match", false, messages);
  s.hide_repeat = read_bool(options, "hide_repeat", false, messages);
  s.resolve = read_bool(options, "resolve", false, messages);
  s.online = read_bool(options, "online", false, messages);
  if (const char *t = text_at(obj, "pagetimeout"))
    if (!read_int(t, 0, 86400, &s.pagetimeout))
      messages->push_back(kxu::format("pagetimeout is not a number of seconds: '%s'", t));
  s.selections.load(obj->get("selections"), messages);
  return 0;
}

bool kxlv_replace_file(const std::string &path, const std::string &text, std::string *error) {
  const kxu::ReplaceResult r = kxu::replace_file(path, text);
  if (!r.ok && !r.replaced) {
    *error = "Cannot save the viewer settings: " + r.message;
    return false;
  }
  return true;
}

int kxlv_settings_save(const std::string &path, kxlv_settings &s, std::string *error) {
  put_back(s);
  KxSetRef top(kxset::make(KxAtom("logviewer")));
  top->set("log-props", s.object.get());
  std::string text;
  if (sio_swrite(text, top.get()) < 0) {
    *error = "Cannot write the viewer settings";
    return -1;
  }
  text += '\n';
  return kxlv_replace_file(path, text, error) ? 0 : -1;
}
