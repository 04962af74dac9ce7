// Error state and printers of the management protocol.
#pragma once

#include <stdexcept>
#include <string>

namespace kxsys {

// Error of the last remote command: 0 success, a positive system error, or
// one of the daemon codes below.
extern thread_local int kxd_errno;
// Debug printing of herror() is on while this is set.
extern bool dodebugprt;

enum : int {
  KXD_OK = 0,
  KXD_EUNKNOWN = -1,      // "Unknown command"
  KXD_EBADSCOPE = -2,     // "Bad scope for command"
  KXD_ENOTAB = -3,        // "Table is not loaded"
  KXD_ENOSTATE = -4,      // "No state saved"
  KXD_EUNAUTH = -5,       // "Unauthorized action"
  KXD_ELOADFAIL = -6,     // "Filter loading failed"
  KXD_ENOAUTHD = -7,      // "No auth daemon installed"
  KXD_KEEPALIVE = -99,    // the daemon is still working
};

// Text of a daemon error code (negative) or of a system error (positive).
std::string kxd_errtext(int code);

// Protocol and I/O failures of the throwing primitives. Every remote
// operation catches it around one whole command and reports its abort message.
struct kx_unwind : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Prints a debug line and throws kx_unwind with it.
[[noreturn]] void kx_throw(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Debug printer: only while dodebugprt is set. err > 0 appends that system
// error, err < 0 appends errno's text when errno is set.
void herror(int status, int err, const char *format, ...) __attribute__((format(printf, 3, 4)));
// Always prints "<program> <message>"; err < 0 takes kxd_errno.
void rerror(int status, int err, const char *format, ...) __attribute__((format(printf, 3, 4)));

// Program name used by the printers (defaults to none: the process id).
void kx_set_progname(const std::string &name);

} // namespace kxsys
