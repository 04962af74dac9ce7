#include "kxu/report.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int kxdebug = 0;

namespace kxu {

namespace {

ConsoleFrontEnd console;
ReportFrontEnd *current = nullptr;

// Status lines are limited to what the footer shows.
constexpr size_t kMaxStatus = 255;

} // namespace

std::string vformat(const char *format, va_list ap) {
  va_list copy;
  va_copy(copy, ap);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0)
    return {};
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, ap);
  out.resize(static_cast<size_t>(n));
  return out;
}

std::string format(const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string s = vformat(format, ap);
  va_end(ap);
  return s;
}

std::string error_text(int errnum, int saved_errno, const char *format, va_list ap) {
  std::string text = vformat(format, ap);
  if (errnum < 0)
    errnum = saved_errno;
  if (errnum != 0) {
    text += ": ";
    text += std::strerror(errnum);
  }
  return text;
}

bool ConsoleFrontEnd::notice(const std::string &) { return false; }

void ConsoleFrontEnd::status(const std::string &line) {
  std::fprintf(stderr, "%s\n", line.c_str());
}

int ConsoleFrontEnd::ask(const std::string &question) {
  std::fprintf(stderr, "%s [Ok/Cancel] ", question.c_str());
  std::fflush(stderr);
  std::string answer;
  int c;
  while ((c = std::getchar()) != EOF && c != '\n')
    answer += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c == EOF && answer.empty())
    return 1; // nobody can answer
  return (answer == "ok" || answer == "o" || answer == "y" || answer == "yes") ? 0 : 1;
}

ReportFrontEnd *set_report_front_end(ReportFrontEnd *fe) {
  ReportFrontEnd *prev = current;
  current = fe;
  return prev;
}

ReportFrontEnd &report_front_end() { return current ? *current : console; }

} // namespace kxu

extern "C" void error(int status, int errnum, const char *format, ...) {
  int saved = errno;
  va_list ap;
  va_start(ap, format);
  std::string text = kxu::error_text(errnum, saved, format, ap);
  va_end(ap);
  std::fflush(stdout);
  if (!kxu::report_front_end().notice(text))
    std::fprintf(stderr, "error: %s\n", text.c_str());
  if (status != 0)
    std::exit(status);
}

void kx_message(const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string line = kxu::vformat(format, ap);
  va_end(ap);
  if (line.size() > kxu::kMaxStatus)
    line.resize(kxu::kMaxStatus);
  kxu::report_front_end().status(line);
}

int kx_ask(const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string question = kxu::vformat(format, ap);
  va_end(ap);
  return kxu::report_front_end().ask(question);
}

void kx_trace(const char *format, ...) {
  if (!kxdebug)
    return;
  va_list ap;
  va_start(ap, format);
  std::string line = kxu::vformat(format, ap);
  va_end(ap);
  std::fprintf(stdout, "kx: %s\n", line.c_str());
  std::fflush(stdout);
}
