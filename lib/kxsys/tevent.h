// T_event: a small timer-and-socket scheduler for serving programs.
// One thread; callbacks may schedule and remove timers and sockets.
#pragma once

namespace kxsys {

using T_timer_cb = void (*)(void *arg);
using T_socket_cb = void (*)(int fd, void *arg);

// Class marks in the descriptor word (the descriptor is the low 16 bits).
inline constexpr int T_EVENT_WRITE = 0x10000000;
inline constexpr int T_EVENT_EXCEPT = 0x20000000;

void T_event_sched(double delay_ms, T_timer_cb cb, void *arg);
void T_event_periodic_sched(double period_ms, T_timer_cb cb, void *arg);
void T_event_desched(T_timer_cb cb, void *arg);
// Due time of the head entry (ms since 1970), or -1 when none.
double T_event_top();
// Runs every timer due strictly before now; 1 when entries remain, else 0.
int T_event_poll();
// Runs timers and sockets until T_event_stop(); -1 on a failed wait.
int T_event_mainloop();
// Makes T_event_mainloop return 0 after the current round.
void T_event_stop();

void T_event_set_socket(int fd, T_socket_cb cb, void *arg);
void T_event_set_out_socket(int fd, T_socket_cb cb, void *arg);
void T_event_set_exception_socket(int fd, T_socket_cb cb, void *arg);
void T_event_del_socket(int fd);
void T_event_del_out_socket(int fd);
void T_event_del_exception_socket(int fd);
void T_event_suspend_socket(int fd);
void T_event_resume_socket(int fd);
void T_event_suspend_out_socket(int fd);
void T_event_resume_out_socket(int fd);

// Milliseconds since 1970.
double T_event_now();
// Drops every timer and socket (for tests).
void T_event_reset();

} // namespace kxsys
