// The T_event scheduler.
#include "kxsys/tevent.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

using namespace kxsys;

namespace {
std::string trace;
double ran_at = 0;
void mark(void *arg) { trace += static_cast<const char *>(arg); }
void stop_now(void *) {
  ran_at = T_event_now();
  T_event_stop();
}
} // namespace

TEST(TEvent, SameDueTimesRunInScheduleOrder) {
  T_event_reset();
  trace.clear();
  T_event_sched(-10, mark, const_cast<char *>("a"));
  T_event_sched(-10, mark, const_cast<char *>("b"));
  T_event_sched(-20, mark, const_cast<char *>("c"));
  T_event_sched(100000, mark, const_cast<char *>("z"));
  T_event_sched(-5, mark, const_cast<char *>("d"));
  T_event_desched(mark, const_cast<char *>("d"));
  EXPECT_EQ(T_event_poll(), 1);
  EXPECT_EQ(trace, "cab");
  T_event_reset();
}

TEST(TEvent, ShortTimerRunsAfterTheMinimumWaitNeverEarly) {
  T_event_reset();
  double start = T_event_now();
  T_event_sched(10, stop_now, nullptr);
  ASSERT_EQ(T_event_mainloop(), 0);
  EXPECT_GE(ran_at - start, 10);
  EXPECT_LT(ran_at - start, 2000);
  T_event_reset();
}

namespace {
int reads = 0;
void on_read(int fd, void *) {
  char c;
  (void)!read(fd, &c, 1);
  ++reads;
  T_event_del_socket(fd); // a callback may remove itself
  T_event_stop();
}
} // namespace

TEST(TEvent, SocketsAreCalledWhenReadyAndNotWhileSuspended) {
  T_event_reset();
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  ASSERT_EQ(write(p[1], "x", 1), 1);
  T_event_set_socket(p[0], on_read, nullptr);
  T_event_suspend_socket(p[0]);
  T_event_sched(60, stop_now, nullptr);
  T_event_mainloop();
  EXPECT_EQ(reads, 0);
  T_event_resume_socket(p[0]);
  T_event_mainloop();
  EXPECT_EQ(reads, 1);
  close(p[0]);
  close(p[1]);
  T_event_reset();
}
