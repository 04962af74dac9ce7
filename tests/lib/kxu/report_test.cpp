#include "kxu/report.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Records what is reported and answers questions from a script.
class RecordingFrontEnd : public kxu::ReportFrontEnd {
public:
  bool accept_notices = true;
  std::vector<std::string> notices, lines, questions;
  std::vector<int> answers;

  bool notice(const std::string &text) override {
    if (accept_notices)
      notices.push_back(text);
    return accept_notices;
  }
  void status(const std::string &line) override { lines.push_back(line); }
  int ask(const std::string &question) override {
    questions.push_back(question);
    int a = answers.empty() ? 1 : answers.front();
    if (!answers.empty())
      answers.erase(answers.begin());
    return a;
  }
};

TEST(Report, ErrorOnConsoleIsOursNotTheCLibrarys) {
  testing::internal::CaptureStderr();
  error(0, EACCES, "cannot open %s", "x");
  errno = ENOENT;
  error(0, -1, "current");
  error(0, 0, "plain %d", 7);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "error: cannot open x: Permission denied\n"
            "error: current: No such file or directory\n"
            "error: plain 7\n");
}

TEST(Report, FatalErrorExitsWithStatus) {
  EXPECT_EXIT(error(3, 0, "bye"), testing::ExitedWithCode(3), "error: bye");
}

TEST(Report, FrontEndTakesNoticesStatusAndQuestions) {
  RecordingFrontEnd fe;
  kxu::ScopedFrontEnd scope(&fe);
  testing::internal::CaptureStderr();
  error(0, EPERM, "denied");
  fe.accept_notices = false; // a notice that cannot be shown falls back
  error(0, 0, "fallback");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "error: fallback\n");
  EXPECT_EQ(fe.notices, (std::vector<std::string>{"denied: Operation not permitted"}));

  kx_message("%s", std::string(300, 'm').c_str());
  ASSERT_EQ(fe.lines.size(), 1u);
  EXPECT_EQ(fe.lines[0], std::string(255, 'm'));

  fe.answers = {0, 1};
  EXPECT_EQ(kx_ask("Quit %s?", "now"), 0);
  EXPECT_NE(kx_ask("again"), 0);
  EXPECT_EQ(fe.questions, (std::vector<std::string>{"Quit now?", "again"}));
}

TEST(Report, ConsoleQuestionReadsStandardInput) {
  struct Case {
    const char *input;
    int cancelled;
  } cases[] = {{"ok\n", 0}, {"Ok\n", 0}, {"yes\n", 0}, {"cancel\n", 1},
               {"\n", 1},   {"", 1},     {"ok", 0}};
  int saved = dup(0);
  for (const Case &c : cases) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], c.input, std::strlen(c.input)), static_cast<ssize_t>(std::strlen(c.input)));
    close(fds[1]);
    dup2(fds[0], 0);
    close(fds[0]);
    std::clearerr(stdin);
    testing::internal::CaptureStderr();
    int got = kx_ask("Quit Anyway?");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Quit Anyway? [Ok/Cancel] ");
    EXPECT_EQ(got != 0, c.cancelled != 0) << c.input;
  }
  dup2(saved, 0);
  close(saved);
  std::clearerr(stdin);
}

TEST(Report, TraceOnlyWhileDebugging) {
  testing::internal::CaptureStdout();
  kxdebug = 0;
  kx_trace("hidden");
  kxdebug = 1;
  kx_trace("shown %d", 1);
  kxdebug = 0;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "kx: shown 1\n");
}

} // namespace
