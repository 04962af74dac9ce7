// The viewer's settings file "logviewer.C": the log viewer object
// "log-props" with the columns ("fields"), the switches ("options"), the
// selections, the print settings and "pagetimeout".
#pragma once

#include "kxlv/columns.h"
#include "kxlv/selist.h"

#include "kxset/kxset.h"

#include <string>
#include <vector>

struct kxlv_settings {
  std::vector<kxlv_column> columns = kxlv_default_columns();
  bool show_null_match = false, hide_repeat = false, resolve = false, online = false;
  long pagetimeout = 0;
  kxlv_selist selections;
  KxSetRef object; // the whole log viewer object: properties we do not know are kept
};

// The settings file of the installation: "logviewer.C" in its "conf".
std::string kxlv_settings_path();

// Loads `path` (the object finder of `s.selections` is kept, so that
// selections naming objects are understood). A missing file gives the defaults and is made with them
// (1); an unreadable file or wrong-typed properties are reported in
// `messages` and replaced by defaults. -1 only when a missing file cannot be
// made; 0 otherwise.
int kxlv_settings_load(const std::string &path, kxlv_settings &s, std::vector<std::string> *messages);
// Puts the columns, options and selections back into the object and stores
// the file by writing a temporary, syncing it and renaming it over the old
// one. -1 with `error` set on failure; the old file is then untouched.
int kxlv_settings_save(const std::string &path, kxlv_settings &s, std::string *error);

// Writes `text` to `path` through a synced temporary and a rename.
bool kxlv_replace_file(const std::string &path, const std::string &text, std::string *error);
