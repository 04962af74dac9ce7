// The installation directory (KXDIR) and the naming of files below it.
#pragma once

#include <cstdio>
#include <string>

// The installation directory; empty until kx_initdir has run.
extern std::string kxdir;

// Finds KXDIR (environment, the program's path, the PATH search, "/etc/kx"),
// puts KXDIR, PATH and HELPPATH into the environment, relaxes the file
// creation mask for a group-writable conf directory and takes "-display host"
// out of the arguments. Both arguments may be null.
void kx_initdir(int *argc, char **argv);

// Moves "-display X" (at positions 1 to argc-2) into the environment as
// DISPLAY and removes both words from argv.
void kx_init_display(int *argc, char **argv);

// True when `s` begins with "/", "./" or "../".
bool is_path(const char *s);

// The full path of a file: `name` (or `defname`) in `dir` (or $envvar, or
// `defdir`), relative to kxdir unless it is a path already. Runs kx_initdir
// first when kxdir is unset. Any argument may be null.
std::string kx_filename(const char *dir, const char *name, const char *defdir,
                        const char *defname, const char *envvar);

// Opens the file kx_filename(dir, path or defname, envvar) names. A trailing
// "s" of `mode` is dropped, null means "r". When `path` is empty the resolved
// name is stored into it. Failures are reported (unless quiet) and give null.
FILE *kxopenfile(std::string &path, const char *dir, const char *defname,
                 const char *envvar, const char *mode, int quiet);
FILE *open_file(std::string &path, const char *dir, const char *defname,
                const char *envvar, const char *mode);

// Names (and unless mode is "name", opens) an output file of the compiler:
// the last component of `file` with extension `ext`, in `dir` (empty: the
// directory of `file`; null: $KXTMP or tmp). The name goes to `out`.
FILE *kxc_open(std::string &out, const char *file, const char *ext, const char *mode,
               const char *dir);

namespace kxu {

// The installation directory found from the program's path or by searching
// `path_env` (a PATH value) for it; "/etc/kx" when neither finds it.
std::string find_kxdir(const char *argv0, const char *path_env);

// The PATH value with dir/bin in front, unless an element already names it.
std::string path_with_bin(const char *path, const std::string &dir);

// The HELPPATH value with dir/doc in front.
std::string helppath_with_doc(const char *helppath, const std::string &dir);

} // namespace kxu
