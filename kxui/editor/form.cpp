#include "kxui/editor/form.h"

#include "kxui/editor/scramble.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxu/report.h"

#include <cctype>

namespace {

std::string_view trim_right(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

char fold(char c) { return c == '-' ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool all_digits(std::string_view s) {
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

const kxset *stored_value(const kxset *obj, const std::string &attr) {
  return obj ? obj->get(KxAtom(attr.c_str())) : nullptr;
}

std::string label_of(const FormField &f) {
  std::string l = f.label.empty() ? f.attr : f.label;
  while (!l.empty() && (l.back() == ':' || l.back() == ' ')) l.pop_back();
  return l;
}

} // namespace

bool dotted_quad(std::string_view s) {
  int parts = 0;
  while (true) {
    const size_t dot = s.find('.');
    std::string_view part = s.substr(0, dot);
    if (part.empty() || part.size() > 3 || !all_digits(part) || std::stoi(std::string(part)) > 255)
      return false;
    ++parts;
    if (dot == std::string_view::npos) break;
    s.remove_prefix(dot + 1);
  }
  return parts == 4;
}

bool flag_value(std::string_view stored) { return !stored.empty() && stored.front() == 't'; }

bool choice_matches(std::string_view label, std::string_view stored) {
  label = trim_right(label);
  stored = trim_right(stored);
  if (label.size() != stored.size()) return false;
  for (size_t i = 0; i < label.size(); ++i)
    if (fold(label[i]) != fold(stored[i])) return false;
  return true;
}

int choice_index(const std::vector<std::string> &labels, std::string_view stored) {
  for (size_t i = 0; i < labels.size(); ++i)
    if (choice_matches(labels[i], stored)) return static_cast<int>(i);
  return -1;
}

std::string choice_store(std::string_view label) {
  std::string out(label);
  for (char &c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

const std::vector<std::string> &position_labels() {
  static const std::vector<std::string> labels{"First", "Last", "Before Last"};
  return labels;
}

const std::vector<std::string> &colour_labels() {
  static const std::vector<std::string> labels{
      "Foreground", "Dark Green", "Navy Blue",  "Cyan",   "Green",    "Yellow",
      "Orange",     "Magenta",    "Blue",       "Forest Green", "Sienna", "Medium Slate Blue",
      "Gold",       "Firebrick",  "Dark Orchid"};
  return labels;
}

std::string field_read(const FormField &f, const kxset *obj) {
  if (f.kind == FieldKind::name) return obj ? obj->getname() : "";
  const kxset *v = stored_value(obj, f.attr);
  if (!v) {
    if (f.kind == FieldKind::position) return position_labels().front();
    if (f.kind == FieldKind::flag) return f.initial.empty() ? "false" : f.initial;
    return f.initial;
  }
  const std::string stored = v->getname();
  switch (f.kind) {
  case FieldKind::flag:
    return flag_value(stored) ? "true" : "false";
  case FieldKind::position:
  case FieldKind::choice:
  case FieldKind::colour: {
    const auto &labels = f.kind == FieldKind::position ? position_labels()
                         : f.kind == FieldKind::colour ? colour_labels()
                                                         : f.choices;
    if (f.kind == FieldKind::position && stored.empty()) return labels.front();
    const int i = choice_index(labels, stored);
    return i >= 0 ? labels[static_cast<size_t>(i)] : stored;
  }
  case FieldKind::secret:
    return kxushowstr(stored).value_or(stored);
  default:
    return stored;
  }
}

FormValues form_read(const Form &form, const kxset *obj) {
  FormValues out;
  out.reserve(form.fields.size());
  for (const FormField &f : form.fields) out.push_back(field_read(f, obj));
  return out;
}

std::optional<std::string> form_check(const Form &form, const FormValues &values) {
  if (values.size() != form.fields.size()) return "The window's values do not match its fields";
  for (size_t i = 0; i < values.size(); ++i) {
    const FormField &f = form.fields[i];
    const std::string &v = values[i];
    switch (f.kind) {
    case FieldKind::name:
      if (v.empty()) return "Must specify name";
      if (!std::isalpha(static_cast<unsigned char>(v[0])) && v[0] != '.')
        return "Name must start with a letter";
      break;
    case FieldKind::number:
    case FieldKind::slider:
      if (!all_digits(v) || v.size() > 9) return kxu::format("%s: '%s' is not a number", label_of(f).c_str(), v.c_str());
      if (f.kind == FieldKind::slider && !v.empty() && std::stoi(v) > 100)
        return kxu::format("%s: %s is above 100", label_of(f).c_str(), v.c_str());
      break;
    case FieldKind::address:
      if (!v.empty() && !dotted_quad(v))
        return kxu::format("%s: '%s' is not a dotted address", label_of(f).c_str(), v.c_str());
      break;
    case FieldKind::flag:
      if (v != "true" && v != "false") return kxu::format("%s: not a flag", label_of(f).c_str());
      break;
    case FieldKind::object: {
      const kxset *table = kx_objects ? kx_objects->get(KxAtom(f.table.c_str())) : nullptr;
      if (!v.empty() && !kxobj_member(table, v.c_str()))
        return kxu::format("%s: no object '%s'", label_of(f).c_str(), v.c_str());
      break;
    }
    case FieldKind::secret:
      if (v.size() > KXU_SCRAMBLE_MAX)
        return kxu::format("%s: at most %d characters", label_of(f).c_str(), KXU_SCRAMBLE_MAX);
      break;
    default:
      break;
    }
  }
  return std::nullopt;
}

void form_write(const Form &form, kxset *obj, const FormValues &values) {
  if (!obj || values.size() != form.fields.size()) return;
  for (size_t i = 0; i < values.size(); ++i) {
    const FormField &f = form.fields[i];
    const std::string &v = values[i];
    if (f.kind == FieldKind::name) {
      if (v != obj->getname()) obj->setname(KxAtom(v.c_str()));
      continue;
    }
    const bool missing = !stored_value(obj, f.attr);
    if (missing ? v.empty() : v == field_read(f, obj)) continue;
    std::string stored = v;
    if (f.kind == FieldKind::choice || f.kind == FieldKind::position)
      stored = choice_store(v);
    else if (f.kind == FieldKind::secret)
      stored = kxuhidestr(v);
    kxobj_put(obj, f.attr.c_str(), stored.c_str());
  }
}

int form_field(const Form &form, std::string_view attr) {
  for (size_t i = 0; i < form.fields.size(); ++i)
    if (form.fields[i].attr == attr) return static_cast<int>(i);
  return -1;
}
