// The file commands of the rule base editor: load, save, new, close.
#pragma once

#include "kxui/rfile/file.h"

// Opens and reads `path` and hands its rules to the editor table; the file
// becomes the current one. 0, or -1 when it cannot be opened or read
// (reported; the table keeps its rules).
int file_load(const char *path);

// Saves the editor's rules to `name` (".W" appended unless it ends in ".W")
// or, when `name` is null or empty, to the current file. The previous file is
// kept as "<file>.bak" and replaced only once the new text is safely on
// disk. 1 on success, -1 on failure (reported; the previous file untouched).
int file_save(const char *name);

// Empty the editor table and the rule base and clear the current file name.
void file_new();
void file_close();
