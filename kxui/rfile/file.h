// Rule base files: reading and writing a whole rule base, and the current
// rule base file with the compiled filter file that goes with it. The
// editor's file commands (kxui/rmgr/file_cmds.h) install what is read here.
#pragma once

#include "kxui/rfile/rule.h"

#include <optional>
#include <string>

// Opens and reads the rule base file `path`. Its rules, or nothing when it
// cannot be opened or read (reported).
std::optional<rule_list> rulebase_read(const char *path);

// Writes `rules` to `file`. The previous file is kept as "<file>.bak" and
// replaced only once the new text is safely on disk. 0 on success, -1 on
// failure (reported; the previous file untouched).
int rulebase_write(const std::string &file, const rule_list &rules);

// The current rule base file (null for none). Setting it also names the
// compiled filter file: the rule base's directory, "/", its base name
// without extension, ".pf". A null path clears both.
void file_setname(const char *path);
const char *file_getname();
const char *filter_getname();
