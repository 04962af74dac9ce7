// Printing as the viewer's print does: count, open the destination, write
// the chosen layout, restore the viewer's page.
#include "kxlv/print.h"
#include "kxlv/viewer.h"

#include "kxu/kxdir.h"
#include "kxu/report.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A destination: a file, standard output, or the input of a command.
class Destination {
public:
  ~Destination() { close(); }
  bool open_file(const std::string &path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd_ >= 0;
  }
  void use_stdout() {
    fd_ = 1;
    owned_ = false;
  }
  bool open_command(const std::string &command) {
    int p[2];
    if (pipe2(p, O_CLOEXEC) != 0) return false;
    child_ = fork();
    if (child_ < 0) {
      ::close(p[0]);
      ::close(p[1]);
      return false;
    }
    if (child_ == 0) {
      dup2(p[0], 0);
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char *>(nullptr));
      _exit(127);
    }
    ::close(p[0]);
    fd_ = p[1];
    return true;
  }
  // False once a write failed; a command gone away is reported once.
  bool write(std::string_view text) {
    if (failed_) return false;
    size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        failed_ = true;
        broken_pipe_ = errno == EPIPE;
        return false;
      }
      done += size_t(n);
    }
    return true;
  }
  bool broken_pipe() const { return broken_pipe_; }
  // The command's exit status (0 for files).
  int close() {
    int status = 0;
    if (fd_ >= 0 && owned_) ::close(fd_);
    fd_ = -1;
    if (child_ > 0) {
      while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
      }
      child_ = -1;
    }
    return status;
  }

private:
  int fd_ = -1;
  bool owned_ = true;
  pid_t child_ = -1;
  bool failed_ = false, broken_pipe_ = false;
};

// Ignores SIGPIPE while it lives, so a print command that exits early turns
// into a failed write instead of ending the process.
class NoSigpipe {
public:
  NoSigpipe() {
    struct sigaction ign {};
    ign.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ign, &old_);
  }
  ~NoSigpipe() { sigaction(SIGPIPE, &old_, nullptr); }

private:
  struct sigaction old_ {};
};

// The prolog file, named as given or found in the installation's "lib".
bool read_prolog(const std::string &name, std::string *text, std::string *message) {
  const std::string path = kx_filename(nullptr, name.c_str(), "lib", "gps.pro", nullptr);
  std::FILE *f = std::fopen(path.c_str(), "r");
  if (!f) {
    *message = kxu::format("Cannot open PostScript prolog '%s'", path.c_str());
    return false;
  }
  char buf[4096];
  size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text->size() < (1u << 20)) text->append(buf, n);
  const bool ok = !std::ferror(f) && text->size() < (1u << 20);
  std::fclose(f);
  if (!ok) *message = kxu::format("Cannot read PostScript prolog '%s'", path.c_str());
  return ok;
}

std::string creation_date() {
  const time_t now = time(nullptr);
  char buf[64];
  struct tm tm {};
  localtime_r(&now, &tm);
  std::strftime(buf, sizeof buf, "%a %b %e %H:%M:%S %Y", &tm);
  return buf;
}

} // namespace

int kxlv_print(kxlv_viewer &viewer, kxlv_settings &settings, const kxlv_print_settings &ps,
               const std::function<bool(long)> &confirm, std::string *message) {
  const bool window = ps.range == "window";
  const bool postscript = ps.format == "postscript";
  if (!postscript && !ps.ascii) {
    *message = "Ascii printing is not configured";
    return -1;
  }
  if (postscript && !ps.postscript) {
    *message = "PostScript printing is not configured";
    return -1;
  }
  kxlv_ps_document doc;
  if (postscript && !read_prolog(ps.prolog, &doc.prolog, message)) return -1;
  if (postscript) doc.date = creation_date();
  const long first = viewer.page().empty() ? 0 : viewer.page().front().num;
  const long expected = window ? long(viewer.page().size()) : viewer.interval(0, viewer.lio().count_all());
  if (expected > 1000 && confirm && !confirm(expected)) return 0;

  Destination out;
  NoSigpipe no_sigpipe;
  if (ps.destination == "file") {
    if (ps.string.empty() || ps.string == "-") out.use_stdout();
    else if (!out.open_file(ps.string)) {
      *message = kxu::format("Error opening print file '%s'", ps.string.c_str());
      return -1;
    }
  } else if (!out.open_command(ps.string)) {
    *message = kxu::format("Error executing print command '%s'", ps.string.c_str());
    return -1;
  }

  long printed = 0;
  const std::vector<kxlv_entry> page = viewer.page();
  size_t next = 0;
  std::optional<kxlv_entry> prev;
  kxlv_print_source source;
  if (window) {
    source = [&]() -> const kxlv_entry * { return next < page.size() ? &page[next++] : nullptr; };
  } else {
    viewer.lio().seek(0);
    source = [&]() -> const kxlv_entry * {
      while (const kxlv_entry *e = viewer.lio().nextent()) {
        if (!viewer.passes(*e)) continue;
        if (settings.hide_repeat && prev && kxlv_line_eq(*e, *prev)) continue;
        prev = *e;
        return e;
      }
      return nullptr;
    };
  }
  const kxlv_print_sink sink = [&](std::string_view t) { return out.write(t); };
  printed = postscript ? print_postscript(sink, source, settings, ps, viewer.lio().hosts(), doc)
                       : print_ascii(sink, source, settings, ps, viewer.lio().hosts());
  const bool broken = out.broken_pipe();
  out.close();
  viewer.show_page(first);
  if (printed < 0) {
    *message = broken ? "print command failed (broken pipe)" : "Failed to write the printout";
    return -1;
  }
  if (printed < expected) *message = "Printed less lines than expected";
  return 0;
}
