// Reporting: fatal and non-fatal errors, status lines and yes/no questions.
//
// Every module reports through error(), kx_message() and kx_ask(). Where the
// text goes is decided by a front end object: without a window it is standard
// error and standard input; the windowing layer installs its own front end
// (notices and the footer) while the main window exists.
//
// error() has the C signature of the C library's function of the same name on
// purpose: our definition is linked from this static library and so wins over
// the shared C library's one for every caller in the program.
#pragma once

#include <cstdarg>
#include <string>

extern "C" {
// Formats the message; a non-zero errnum appends ": " and the system's text
// for it (a negative errnum means the current errno). The message goes to the
// front end's notice, or to standard error as "error: %s\n" when there is no
// notice. A non-zero status then ends the program with that status.
void error(int status, int errnum, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
}

// Writes a status line (at most 255 characters) to the front end's footer, or
// to standard error.
void kx_message(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Asks a question with the answers "Ok" and "Cancel". Returns non-zero for
// "Cancel" and whenever the question cannot be asked.
int kx_ask(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Process-wide trace switch; while non-zero, kx_trace prints lines that begin
// with "kx: " on standard output.
extern int kxdebug;
void kx_trace(const char *format, ...) __attribute__((format(printf, 1, 2)));

namespace kxu {

// Where reports are shown. Implementations must not call error() themselves.
class ReportFrontEnd {
public:
  virtual ~ReportFrontEnd() = default;
  // Shows an error notice; false when it cannot, so the text falls back to
  // standard error.
  virtual bool notice(const std::string &text) = 0;
  // Shows a status line.
  virtual void status(const std::string &line) = 0;
  // Asks an Ok/Cancel question; non-zero for Cancel or when it cannot ask.
  virtual int ask(const std::string &question) = 0;
};

// The console front end used until a window exists: notices are refused (so
// errors print as "error: ..."), status lines go to standard error and
// questions read a line from standard input.
class ConsoleFrontEnd : public ReportFrontEnd {
public:
  bool notice(const std::string &text) override;
  void status(const std::string &line) override;
  int ask(const std::string &question) override;
};

// Installs `fe` (not owned; null restores the console) and returns the one
// that was installed before.
ReportFrontEnd *set_report_front_end(ReportFrontEnd *fe);
ReportFrontEnd &report_front_end();

// Installs a front end for the lifetime of the object.
class ScopedFrontEnd {
public:
  explicit ScopedFrontEnd(ReportFrontEnd *fe) : prev_(set_report_front_end(fe)) {}
  ~ScopedFrontEnd() { set_report_front_end(prev_); }
  ScopedFrontEnd(const ScopedFrontEnd &) = delete;
  ScopedFrontEnd &operator=(const ScopedFrontEnd &) = delete;

private:
  ReportFrontEnd *prev_;
};

// printf-style formatting into a std::string.
std::string vformat(const char *format, va_list ap);
std::string format(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The text error() shows: the formatted message, then ": " and the system's
// text when errnum is non-zero (negative: the errno saved by the caller).
std::string error_text(int errnum, int saved_errno, const char *format, va_list ap);

} // namespace kxu
