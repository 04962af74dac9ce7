#include "kxsys/kxstate.h"

#include "kxsys/errors.h"
#include "kxsys/hostid.h"

#include <cerrno>
#include <cstdio>
#include <map>
#include <system_error>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace kxsys {

const std::vector<std::string> &kx_file_suffixes() {
  static const std::vector<std::string> s = {"fc", "lg", "ft", "ifs", "set", "objects", "db"};
  return s;
}

// "objects" is optional as well: a family gets it only when a database was
// sent, and a policy without one must still load.
bool kx_suffix_required(const std::string &s) { return s == "fc" || s == "lg" || s == "ft" || s == "ifs"; }

namespace {
bool safe_name(const std::string &n) {
  return !n.empty() && n != "." && n != ".." && n.find('/') == std::string::npos && n.find('\0') == std::string::npos;
}

bool suffix_known(const std::string &n) {
  for (const auto &s : kx_file_suffixes())
    if (s == n)
      return true;
  return false;
}

// Copies src to dst keeping its modification time: by a hard link where
// both are on one file system (the compiled files are replaced, never
// rewritten in place), else byte by byte. The caller syncs dst's directory.
bool copy_keep_time(const std::string &src, const std::string &dst) {
  if (link(src.c_str(), dst.c_str()) == 0)
    return true;
  auto data = kx_read_file(src);
  if (!data || !kx_write_file(dst, data->data(), data->size(), false))
    return false;
  struct stat st{};
  if (stat(src.c_str(), &st) == 0) {
    timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(AT_FDCWD, dst.c_str(), times, 0);
  }
  return true;
}
} // namespace

std::optional<kxloadx_t> kx_readfiles(const std::string &base, const std::string &directory, std::string *error) {
  kxloadx_t set;
  size_t total = 0;
  for (const auto &suffix : kx_file_suffixes()) {
    auto data = kx_read_file(directory + "/" + base + "." + suffix);
    if (!data) {
      if (kx_suffix_required(suffix)) {
        if (error)
          *error = "Unable to read " + base + "." + suffix;
        return std::nullopt;
      }
      continue;
    }
    total += data->size();
    if (total > size_t(kMaxBuffer)) {
      if (error)
        *error = "Unable to read " + base + "." + suffix + ": file set too large";
      return std::nullopt;
    }
    set.entries.push_back({suffix, std::move(*data)});
  }
  return set;
}

namespace {
// The compiled files of a family: hard links to the first family saved in
// the same go (`linkbase`), else to the compiled files themselves.
bool link_compiled(const std::string &compiled, const std::string &family_path, const std::string &linkbase,
                   std::string *error) {
  auto fail = [&](const std::string &m) {
    if (error)
      *error = m;
    return false;
  };
  for (const char *suffix : {"fc", "ft", "lg", "set"}) {
    std::string dst = family_path + "." + suffix;
    if (unlink(dst.c_str()) != 0 && errno != ENOENT)
      return fail("cannot unlink " + dst);
    if (!linkbase.empty() && linkbase != family_path) {
      std::string from = linkbase + "." + suffix;
      if (access(from.c_str(), F_OK) != 0)
        continue; // an optional file the first family did not get
      if (link(from.c_str(), dst.c_str()) != 0)
        return fail("cannot link <" + from + "> to <" + dst + ">");
      continue;
    }
    std::string src = compiled + "." + suffix;
    if (std::string(suffix) == "set" && access(src.c_str(), R_OK) != 0)
      continue;
    if (!copy_keep_time(src, dst))
      return fail("cannot kx_read <" + src + ">");
  }
  return true;
}

// kx_savestate up to the directory sync: the module's own "ifs", then the
// compiled files.
bool save_family(const std::string &compiled, const std::string &family_path, const kx_ifs &ifs,
                 const std::string &linkbase, std::string *error) {
  std::string dst = family_path + ".ifs";
  if (unlink(dst.c_str()) != 0 && errno != ENOENT) {
    if (error)
      *error = "cannot unlink " + dst;
    return false;
  }
  std::string text = kx_ifs_text(ifs);
  if (!kx_write_file(dst, text.data(), text.size(), false)) {
    if (error)
      *error = "cannot open <" + dst + ">";
    return false;
  }
  return link_compiled(compiled, family_path, linkbase, error);
}

std::string base_name(const std::string &path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
} // namespace

bool kx_savestate(const std::string &compiled, const std::string &family_path, const kx_ifs &ifs,
                  std::string &linkbase, bool remove, std::string *error) {
  if (!save_family(compiled, family_path, ifs, linkbase, error))
    return false;
  if (!kx_sync_dir(family_path)) {
    if (error)
      *error = "cannot sync the directory of " + family_path;
    return false;
  }
  if (remove)
    for (const char *suffix : {"fc", "ft", "lg", "set"})
      unlink((compiled + "." + suffix).c_str());
  linkbase = family_path;
  return true;
}

bool kxstate_savefilter(const std::string &statedir, const std::string &compiled, const std::string &module,
                        const std::vector<std::string> &targets, std::string &linkbase, bool remove,
                        const kxloaddb_t *database, std::string *error) {
  std::string family = kx_is_local(module) ? "local" : kx_officialname(module);
  if (!kx_family_name_ok(family)) {
    if (error)
      *error = kx_family_name_error(family);
    return false;
  }
  // The family's files sync the state directory once, for the links file too.
  if (family != "local" && !kxstate_createlinks(statedir, family, kxhostaddrs(module), false)) {
    if (error)
      *error = "Unable to write links file";
    return false;
  }
  kx_ifs ifs;
  ifs.name = base_name(compiled);
  ifs.targets = targets;
  std::string path = statedir + "/" + family;
  if (!kx_savestate(compiled, path, ifs, linkbase, remove, error))
    return false;
  if (database) {
    if (!database->userdb.empty() && !kx_write_file(path + ".db", database->userdb.data(), database->userdb.size()))
      return false;
    if (!database->objects.empty() &&
        !kx_write_file(path + ".objects", database->objects.data(), database->objects.size()))
      return false;
  }
  return true;
}

bool kxstate_savefilters(const std::string &statedir, const std::string &compiled,
                         std::vector<kx_module_state> &modules) {
  std::vector<std::string> families;
  kx_links links;
  for (auto &m : modules) {
    m.files.reset();
    m.error.clear();
    families.push_back(kx_is_local(m.module) ? "local" : kx_officialname(m.module));
    if (!kx_family_name_ok(families.back()))
      m.error = kx_family_name_error(families.back());
    else if (families.back() != "local")
      links.emplace_back(families.back(), kxhostaddrs(m.module));
  }
  // Each family's "ifs" (a family named twice gets the targets of its last
  // module; each module is sent its own), written beside it as "ifs.new".
  std::vector<std::string> ifs_texts(modules.size());
  std::map<std::string, size_t> last_of_family; // family -> index of its last module
  for (size_t i = 0; i < modules.size(); ++i)
    if (modules[i].error.empty()) {
      ifs_texts[i] = kx_ifs_text({base_name(compiled), modules[i].targets});
      last_of_family[families[i]] = i;
    }
  std::vector<kx_file_data> ifs_files;
  std::vector<size_t> ifs_module; // the module whose targets each file holds
  for (const auto &[family, i] : last_of_family) {
    ifs_files.push_back({statedir + "/" + family + ".ifs.new", ifs_texts[i].data(), ifs_texts[i].size()});
    ifs_module.push_back(i);
  }
  // The compiled files may come unsynced (kx_write_scratch): they are synced
  // before any family links them. They, the links file and the new "ifs" are
  // written and synced side by side: one wait for the disk.
  std::vector<std::string> compiled_files;
  for (const char *suffix : {"fc", "ft", "lg", "set"})
    if (access((compiled + "." + suffix).c_str(), F_OK) == 0)
      compiled_files.push_back(compiled + "." + suffix);
  bool synced = true;
  std::vector<bool> written;
  auto write_ifs = [&] { written = kx_write_files(ifs_files); };
  auto aside = [&] {
    std::thread ifs_writer;
    try {
      ifs_writer = std::thread(write_ifs);
    } catch (const std::system_error &) {
      write_ifs();
    }
    synced = kx_sync_files(compiled_files);
    if (ifs_writer.joinable())
      ifs_writer.join();
  };
  std::thread syncing;
  try {
    syncing = std::thread(aside);
  } catch (const std::system_error &) {
    synced = kx_sync_files(compiled_files);
    write_ifs();
  }
  // The families' files sync the state directory once, for the links file too.
  bool linked = links.empty() || kxstate_createlinks(statedir, links, false);
  if (syncing.joinable())
    syncing.join();

  // The new "ifs" take their place where the links file and the compiled
  // files are in place; the others are dropped.
  for (size_t i = 0; i < modules.size(); ++i) {
    auto &m = modules[i];
    if (m.error.empty() && !synced)
      m.error = "cannot sync the compiled files " + compiled;
    else if (m.error.empty() && !linked && families[i] != "local")
      m.error = "Unable to write links file";
  }
  std::map<std::string, bool> ifs_written;
  for (size_t k = 0; k < ifs_files.size(); ++k) {
    const std::string &fresh = ifs_files[k].path;
    std::string path = fresh.substr(0, fresh.size() - 4);
    bool wanted = modules[ifs_module[k]].error.empty();
    ifs_written[path] = wanted && written[k] && rename(fresh.c_str(), path.c_str()) == 0;
    if (!ifs_written[path])
      unlink(fresh.c_str());
  }

  std::string linkbase;
  bool saved_any = false;
  for (size_t i = 0; i < modules.size(); ++i) {
    auto &m = modules[i];
    if (!m.error.empty())
      continue;
    std::string path = statedir + "/" + families[i];
    if (!ifs_written[path + ".ifs"]) {
      m.error = "cannot open <" + path + ".ifs>";
      continue;
    }
    if (!link_compiled(compiled, path, linkbase, &m.error))
      continue;
    saved_any = true;
    linkbase = path;
    m.files = kx_readfiles(families[i], statedir, &m.error);
    if (m.files)
      for (auto &e : m.files->entries)
        if (e.name == "ifs")
          e.contents.assign(ifs_texts[i].begin(), ifs_texts[i].end());
  }
  if (saved_any && !kx_sync_dir(statedir + "/links.C"))
    for (auto &m : modules)
      if (m.files) {
        m.files.reset();
        m.error = "cannot sync the directory " + statedir;
      }
  bool ok = true;
  for (const auto &m : modules)
    ok = ok && m.files.has_value();
  return ok;
}

namespace {
// Whether `entry` changes base.NAME (told on the debug output); false as
// well for a name that is no suffix of a family.
bool state_file_changes(const std::string &base, const kxloadx_entry &entry, bool &valid) {
  valid = safe_name(entry.name) && suffix_known(entry.name);
  if (!valid)
    return false;
  std::string path = base + "." + entry.name;
  auto old = kx_read_file(path);
  if (old && *old == entry.contents) {
    herror(0, 0, "No change in state: %s", path.c_str());
    return false;
  }
  herror(0, 0, "Save new state: %s", path.c_str());
  return true;
}
} // namespace

bool kx_state_file(const std::string &base, const kxloadx_entry &entry) {
  bool valid = false;
  if (!state_file_changes(base, entry, valid))
    return valid;
  std::string path = base + "." + entry.name;
  if (!kx_write_file(path, entry.contents.data(), entry.contents.size(), false)) {
    fprintf(stderr, "Failed to rename %s.tmp to %s\n", path.c_str(), path.c_str());
    return false;
  }
  return true;
}

bool kxstate_savefiles(const std::string &directory, const kxloadx_t &files) {
  std::string base = directory + "/local";
  bool ok = true;
  std::vector<kx_file_data> changed;
  for (const auto &e : files.entries) {
    bool valid = false;
    if (!e.contents.empty() && state_file_changes(base, e, valid))
      changed.push_back({base + "." + e.name, e.contents.data(), e.contents.size()});
    else if (!e.contents.empty())
      ok = valid && ok;
  }
  // The files are written side by side: their syncs overlap.
  std::vector<bool> written = kx_write_files(changed);
  for (size_t i = 0; i < changed.size(); ++i)
    if (!written[i]) {
      fprintf(stderr, "Failed to rename %s.tmp to %s\n", changed[i].path.c_str(), changed[i].path.c_str());
      ok = false;
    }
  return kx_sync_dir(base) && ok;
}

std::optional<kxloadx_t> kxstate_getfiles(const std::string &statedir, const std::vector<uint32_t> &addresses) {
  auto family = kxstate_findlink(statedir, addresses);
  std::optional<kxloadx_t> files;
  if (family && kx_family_name_ok(*family))
    files = kx_readfiles(*family, statedir);
  if (!files) {
    fprintf(stderr, "Can not get state files\n");
    kxd_errno = KXD_ENOSTATE;
  }
  return files;
}

bool kxstate_move(const std::string &tmpdir, const std::string &statedir, bool commit) {
  bool ok = true;
  for (const auto &s : kx_file_suffixes()) {
    std::string from = tmpdir + "/local." + s;
    if (access(from.c_str(), F_OK) != 0)
      continue;
    if (commit)
      ok = rename(from.c_str(), (statedir + "/local." + s).c_str()) == 0 && ok;
    else
      unlink(from.c_str());
  }
  return ok;
}

} // namespace kxsys
