#include "kxu/kxdir.h"

#include "kxu/report.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

std::string kxdir;

namespace {

// An environment value, with an empty one counted as unset: an empty
// directory would otherwise turn relative names into names below "/".
const char *env_value(const char *var) {
  if (!var)
    return nullptr;
  const char *v = std::getenv(var);
  return (v && *v) ? v : nullptr;
}

// The path with everything after its last "/" replaced by "..".
std::string parent_of_program(const std::string &path) {
  return path.substr(0, path.rfind('/') + 1) + "..";
}

bool is_executable_file(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string_view without_trailing_slashes(std::string_view s) {
  while (s.size() > 1 && s.back() == '/')
    s.remove_suffix(1);
  return s;
}

} // namespace

namespace kxu {

std::string find_kxdir(const char *argv0, const char *path_env) {
  if (argv0 && argv0[0] == '/')
    return parent_of_program(argv0);
  const std::string program = argv0 ? argv0 : "kx";
  if (path_env) {
    std::optional<std::string> cwd; // read once, when first needed
    std::string_view rest = path_env;
    while (true) {
      size_t colon = rest.find(':');
      std::string elem(rest.substr(0, colon));
      if (elem.empty() || elem[0] != '/') {
        if (!cwd) {
          char *d = getcwd(nullptr, 0);
          if (!d)
            error(0, -1, "Cannot get current working directory");
          cwd = d ? std::string(d) : std::string();
          std::free(d);
        }
        elem = elem.empty() ? *cwd : *cwd + "/" + elem;
      }
      std::string candidate = elem + "/" + program;
      if (is_executable_file(candidate))
        return parent_of_program(candidate);
      if (colon == std::string_view::npos)
        break;
      rest.remove_prefix(colon + 1);
    }
  }
  return "/etc/kx";
}

std::string path_with_bin(const char *path, const std::string &dir) {
  const std::string bin = dir + "/bin";
  if (!path || !*path)
    return bin;
  std::string_view rest = path;
  const std::string_view want = without_trailing_slashes(bin);
  while (true) {
    size_t colon = rest.find(':');
    if (without_trailing_slashes(rest.substr(0, colon)) == want)
      return path;
    if (colon == std::string_view::npos)
      break;
    rest.remove_prefix(colon + 1);
  }
  return bin + ":" + path;
}

std::string helppath_with_doc(const char *helppath, const std::string &dir) {
  const std::string doc = dir + "/doc";
  return (helppath && *helppath) ? doc + ":" + helppath : doc;
}

} // namespace kxu

void kx_initdir(int *argc, char **argv) {
  const char *env = env_value("KXDIR");
  if (env) {
    kxdir = env;
  } else {
    kxdir = kxu::find_kxdir(argv ? argv[0] : nullptr, std::getenv("PATH"));
    setenv("KXDIR", kxdir.c_str(), 1);
  }
  setenv("PATH", kxu::path_with_bin(std::getenv("PATH"), kxdir).c_str(), 1);
  setenv("HELPPATH", kxu::helppath_with_doc(std::getenv("HELPPATH"), kxdir).c_str(), 1);

  // Files created in a group-writable conf directory stay group-writable.
  struct stat st;
  if (stat((kxdir + "/conf").c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_IWGRP)) {
    mode_t mask = umask(0);
    umask(mask & ~S_IWGRP);
  }
  kx_init_display(argc, argv);
}

void kx_init_display(int *argc, char **argv) {
  if (!argc || !argv || *argc < 3)
    return;
  for (int i = 1; i <= *argc - 2; i++) {
    if (argv[i] && std::strcmp(argv[i], "-display") == 0) {
      setenv("DISPLAY", argv[i + 1], 1);
      for (int j = i; j + 2 < *argc; j++)
        argv[j] = argv[j + 2];
      *argc -= 2;
      argv[*argc] = nullptr;
      return;
    }
  }
}

bool is_path(const char *s) {
  if (!s)
    return false;
  if (s[0] == '/')
    return true;
  if (s[0] != '.')
    return false;
  return s[1] == '/' || (s[1] == '.' && s[2] == '/');
}

std::string kx_filename(const char *dir, const char *name, const char *defdir,
                        const char *defname, const char *envvar) {
  if (kxdir.empty())
    kx_initdir(nullptr, nullptr);
  if (!name)
    name = defname;
  if (!dir) {
    const char *env = env_value(envvar);
    dir = env ? env : defdir;
  }
  std::string result;
  if (dir && *dir && name && !is_path(name)) {
    result = dir;
    if (result.back() != '/')
      result += '/';
    result += name;
  } else if (name) {
    result = name;
  }
  if (!is_path(result.c_str()))
    result = kxdir + "/" + result;
  return result;
}

FILE *kxopenfile(std::string &path, const char *dir, const char *defname,
                 const char *envvar, const char *mode, int quiet) {
  std::string file =
      kx_filename(dir, path.empty() ? nullptr : path.c_str(), nullptr, defname, envvar);
  std::string m = mode ? mode : "r";
  if (!m.empty() && m.back() == 's')
    m.pop_back();
  if (path.empty())
    path = file;
  FILE *fp = std::fopen(file.c_str(), m.c_str());
  if (!fp && !quiet)
    error(0, -1, "Failed to open file '%s'", file.c_str());
  return fp;
}

FILE *open_file(std::string &path, const char *dir, const char *defname,
                const char *envvar, const char *mode) {
  return kxopenfile(path, dir, defname, envvar, mode, 0);
}

FILE *kxc_open(std::string &out, const char *file, const char *ext, const char *mode,
               const char *dir) {
  std::string_view f = file ? file : "";
  size_t slash = f.rfind('/');
  std::string name(slash == std::string_view::npos ? f : f.substr(slash + 1));
  if (ext && *ext) {
    if (ext[0] != '.')
      name += '.';
    name += ext;
  }
  std::string filedir;
  if (dir && !*dir) {
    filedir = slash == std::string_view::npos ? "." : std::string(f.substr(0, slash + 1));
    dir = filedir.c_str();
  }
  out = kx_filename(dir, name.c_str(), "tmp", nullptr, "KXTMP");
  if (!mode)
    mode = "r";
  if (std::strcmp(mode, "name") == 0)
    return nullptr;
  return std::fopen(out.c_str(), mode);
}
