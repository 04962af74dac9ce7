#include "kxsys/errors.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace kxsys {

thread_local int kxd_errno = 0;
bool dodebugprt = false;

namespace {
std::string progname;

std::string vformat(const char *format, va_list ap) {
  char buf[1024];
  vsnprintf(buf, sizeof buf, format, ap);
  return buf;
}

const std::string &hostname_once() {
  static std::once_flag once;
  static std::string name;
  std::call_once(once, [] {
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) == 0)
      name = buf;
  });
  return name;
}
} // namespace

void kx_set_progname(const std::string &name) { progname = name; }

std::string kxd_errtext(int code) {
  switch (code) {
  case 0: return "Command completed";
  case KXD_EUNKNOWN: return "Unknown command";
  case KXD_EBADSCOPE: return "Bad scope for command";
  case KXD_ENOTAB: return "Table is not loaded";
  case KXD_ENOSTATE: return "No state saved";
  case KXD_EUNAUTH: return "Unauthorized action";
  case KXD_ELOADFAIL: return "Filter loading failed";
  case KXD_ENOAUTHD: return "No auth daemon installed";
  case KXD_KEEPALIVE: return "Please wait";
  default: break;
  }
  if (code > 0)
    return strerror(code);
  return "Unknown error " + std::to_string(code);
}

void herror(int status, int err, const char *format, ...) {
  if (dodebugprt) {
    int saved = errno;
    va_list ap;
    va_start(ap, format);
    std::string msg = vformat(format, ap);
    va_end(ap);
    std::string who = progname.empty() ? std::to_string(getpid()) : progname;
    std::string line = "[" + who + "@" + hostname_once() + "] " + msg;
    int code = err > 0 ? err : (err < 0 ? saved : 0);
    if (code != 0)
      line += std::string(": ") + strerror(code);
    line += "\n";
    fputs(line.c_str(), stderr);
    errno = saved;
  }
  if (status != 0)
    exit(status);
}

void rerror(int status, int err, const char *format, ...) {
  int saved = errno;
  va_list ap;
  va_start(ap, format);
  std::string msg = vformat(format, ap);
  va_end(ap);
  std::string line = (progname.empty() ? std::string("kx") : progname) + " " + msg;
  int code = err < 0 ? kxd_errno : err;
  if (code != 0)
    line += ": " + kxd_errtext(code);
  else if (saved != 0)
    line += std::string(": ") + strerror(saved);
  line += "\n";
  fputs(line.c_str(), stderr);
  fflush(stderr);
  if (status != 0)
    exit(status);
}

void kx_throw(const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string msg = vformat(format, ap);
  va_end(ap);
  herror(0, 0, "%s", msg.c_str());
  throw kx_unwind(msg);
}

} // namespace kxsys
