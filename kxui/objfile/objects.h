// The objects database: the files of the installation that hold the site's
// objects, the editor's fixed set-up, authentication and Wellfleet data, read
// into sets and merged into one view, kx_objects. The view, the file sets and
// the well-known tables (kxui/obj/tables.h) are filled here; a table is the
// same set in the view and in its owning file's set, so a change made through
// either is saved with the owning file.
#pragma once

#include "kxset/kxset.h"
#include "kxui/obj/tables.h"

#include <string>

// Non-zero when objects changed since the last load or save.
extern int obj_modified;

// destruct_objects(), then fetch_objects(name). `name` is the application
// file ("logviewer.C") or null. Returns 0, or the number of files that failed
// to load (missing or unreadable; each was reported and replaced by an empty
// set). A missing "setup.C" ends the program with status 1.
int load_objects(const char *name);
int fetch_objects(const char *name);

// Reads one set from open_file(path, dir, defname, envvar, "r") with `dict`
// as dictionary. A read error is reported ("Failed to load objects
// Database:\n..."), an empty file too ("Empty objects Database"); both give a
// new empty set. Null only when the file could not be opened (reported).
// `failed`, when given, is set to true for every failure.
kxset *get_objects(const char *path, const char *dir, const char *defname, const char *envvar,
                   kxset *dict, bool *failed = nullptr);

// Sets every attribute of `set` into `view` by name, so a table of the same
// name already in the view is replaced.
void objects_add(kxset *view, const kxset *set);

// Writes one file back: null saves the objects database (groups put in order
// first), a name whose base is "auth" saves kx_authobj, any other name
// kx_applobj. The text goes to "<file>.new"; when it equals the file's bytes
// nothing is touched, otherwise the old file is kept as "<file>.bak" and the
// new one takes its place. 0 on success, -1 on failure (the previous file is
// left as it was).
int save_objects(const char *name);

// Gives up the view and the file sets and clears every global.
void destruct_objects();

// 0 when the files hold the same bytes, 1 when they differ, -1 when one
// cannot be read (reported).
int cmp_files(const char *path1, const char *path2);
int cmpfiles(const char *path1, const char *path2);

// Puts the groups of a table after the groups they contain (non-groups
// first, in their order). A membership loop is reported by group name; each
// group still appears once.
void objects_order_groups(kxset *table);

// Called after every successful save of a file (the log side refreshes its
// view of the objects); null by default.
extern void (*kx_objects_saved_hook)();
// Called while loading with the global properties (the first member of the
// "props" table, or the table itself when it has none), so the name resolver
// can take its lookup order from "resolver_1" to "resolver_4"; null by
// default.
extern void (*kx_resolver_hook)(kxset *props);
