#include "kxu/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kxu {

int (*replace_file_fault)(ReplaceStep step) = nullptr;

namespace {

// The injected errno of `step`, or 0.
int fault(ReplaceStep step) { return replace_file_fault ? replace_file_fault(step) : 0; }

ReplaceResult failed(ReplaceStep step, const char *what, const std::string &file, int err) {
  ReplaceResult r;
  r.step = step;
  r.err = err;
  r.message = std::string("cannot ") + what + " '" + file + "'";
  if (err) r.message += std::string(": ") + std::strerror(err);
  return r;
}

std::string dir_of(const std::string &path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A new empty file "<base>.XXXXXX" beside `base`, opened for writing.
int create_unique(const std::string &base, std::string &name) {
  if (int e = fault(ReplaceStep::create_temp)) return errno = e, -1;
  std::vector<char> tmpl(base.begin(), base.end());
  const char suffix[] = ".XXXXXX";
  tmpl.insert(tmpl.end(), suffix, suffix + sizeof suffix);
  int fd = mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd >= 0) name = tmpl.data();
  return fd;
}

bool same_bytes(FILE *a, const std::string &path) {
  FILE *b = std::fopen(path.c_str(), "rb");
  if (!b) return false;
  std::rewind(a);
  std::vector<char> ba(1 << 16), bb(1 << 16);
  bool same = true;
  for (;;) {
    size_t na = std::fread(ba.data(), 1, ba.size(), a);
    size_t nb = std::fread(bb.data(), 1, bb.size(), b);
    if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) {
      same = false;
      break;
    }
    if (na == 0) break;
  }
  if (std::ferror(a) || std::ferror(b)) same = false;
  std::fclose(b);
  return same;
}

// Copies `from` to `to` through a synced temporary; errno on failure.
bool copy_to(const std::string &from, const std::string &to) {
  if (int e = fault(ReplaceStep::backup_copy)) return errno = e, false;
  FILE *in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  std::string tmp;
  int fd = create_unique(to, tmp);
  if (fd < 0) {
    int e = errno;
    std::fclose(in);
    return errno = e, false;
  }
  std::vector<char> buf(1 << 16);
  bool ok = true;
  size_t got;
  while (ok && (got = std::fread(buf.data(), 1, buf.size(), in)) > 0) {
    for (size_t done = 0; ok && done < got;) {
      ssize_t n = ::write(fd, buf.data() + done, got - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) ok = false;
      else done += static_cast<size_t>(n);
    }
  }
  if (std::ferror(in)) ok = false;
  ok = ok && ::fsync(fd) == 0;
  int e = errno;
  std::fclose(in);
  ok = ::close(fd) == 0 && ok;
  if (ok && ::rename(tmp.c_str(), to.c_str()) == 0) return true;
  e = errno ? errno : e;
  ::unlink(tmp.c_str());
  return errno = e, false;
}

// Keeps the bytes of `path` as `bak` without touching `path`; the previous
// backup stays until the new one takes its place by rename.
bool make_backup(const std::string &path, const std::string &bak) {
  int e = fault(ReplaceStep::backup_link);
  if (!e) {
    std::string tmp;
    int fd = create_unique(bak, tmp);
    if (fd >= 0) {
      ::close(fd);
      ::unlink(tmp.c_str());
      if (::link(path.c_str(), tmp.c_str()) == 0) {
        if (::rename(tmp.c_str(), bak.c_str()) == 0) return true;
        ::unlink(tmp.c_str());
      }
    }
  }
  return copy_to(path, bak);
}

} // namespace

ReplaceResult replace_file(const std::string &path, const std::function<bool(FILE *)> &write,
                           const ReplaceOptions &options) {
  struct stat old {};
  const bool exists = ::stat(path.c_str(), &old) == 0;
  std::string tmp;
  int fd = create_unique(path, tmp);
  if (fd < 0) return failed(ReplaceStep::create_temp, "create a temporary beside", path, errno);
  FILE *f = ::fdopen(fd, "w+b");
  if (!f) {
    int e = errno;
    ::close(fd);
    ::unlink(tmp.c_str());
    return failed(ReplaceStep::write, "write", tmp, e);
  }
  // Everything after this point removes the temporary on failure.
  auto give_up = [&](ReplaceStep step, const char *what, const std::string &file, int err) {
    if (f) std::fclose(f);
    ::unlink(tmp.c_str());
    return failed(step, what, file, err);
  };

  errno = 0;
  int e = fault(ReplaceStep::write);
  if (e || !write(f) || std::fflush(f) != 0 || std::ferror(f)) {
    return give_up(ReplaceStep::write, "write", tmp, e ? e : errno);
  }
  if (options.sync_file) {
    e = fault(ReplaceStep::sync_temp);
    if (e || ::fsync(fileno(f)) != 0) return give_up(ReplaceStep::sync_temp, "sync", tmp, e ? e : errno);
  }
  const mode_t mode = exists ? (old.st_mode & 07777) : options.new_mode;
  e = fault(ReplaceStep::set_mode);
  if (e || ::fchmod(fileno(f), mode) != 0) return give_up(ReplaceStep::set_mode, "set the mode of", tmp, e ? e : errno);

  if (exists && options.keep_if_same) {
    e = fault(ReplaceStep::compare);
    if (e) return give_up(ReplaceStep::compare, "compare with", path, e);
    if (same_bytes(f, path)) {
      std::fclose(f);
      ::unlink(tmp.c_str());
      ReplaceResult r;
      r.ok = r.unchanged = true;
      return r;
    }
  }
  e = std::fclose(f) != 0 ? errno : 0;
  f = nullptr;
  if (e) return give_up(ReplaceStep::write, "write", tmp, e);

  if (exists && options.backup) {
    const std::string bak = path + ".bak";
    if (!make_backup(path, bak)) {
      e = errno;
      if (!options.backup_failed || !options.backup_failed(e))
        return give_up(ReplaceStep::backup_link, "keep a backup in", bak, e);
    }
  }
  e = fault(ReplaceStep::rename);
  if (e || ::rename(tmp.c_str(), path.c_str()) != 0) return give_up(ReplaceStep::rename, "replace", path, e ? e : errno);

  // The new file is in place; syncing the directory makes the rename last.
  if (!options.sync_dir) {
    ReplaceResult r;
    r.ok = r.replaced = true;
    return r;
  }
  const std::string dir = dir_of(path);
  e = fault(ReplaceStep::sync_dir);
  int dfd = e ? -1 : ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (!e && dfd >= 0) {
    if (::fsync(dfd) != 0) e = errno;
    ::close(dfd);
  } else if (!e) {
    e = errno;
  }
  if (e) {
    ReplaceResult r = failed(ReplaceStep::sync_dir, "sync the directory", dir, e);
    r.replaced = true;
    return r;
  }
  ReplaceResult r;
  r.ok = r.replaced = true;
  return r;
}

int sync_directory(const std::string &path) {
  int dfd = ::open(dir_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return errno;
  int e = ::fsync(dfd) != 0 ? errno : 0;
  ::close(dfd);
  return e;
}

ReplaceResult replace_file(const std::string &path, std::string_view data,
                           const ReplaceOptions &options) {
  return replace_file(
      path, [&](FILE *f) { return data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size(); },
      options);
}

} // namespace kxu
