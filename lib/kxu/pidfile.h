// Process-id files in the installation's log directory, and a bounded read.
#pragma once

#include <sys/types.h>

// Writes "%d\n" with this process's id to the file `name` in the directory
// "log" (replacing it). 0 on success, -1 when it cannot be written.
int kx_writepid(const char *name);

// Reads the process id from the file `name` in the directory "log". 0 when
// the file does not exist, -1 (reported) when it cannot be opened, -1 when its
// contents are not a process id.
pid_t kx_getpid(const char *name);

// Reads until `len` bytes have arrived or the peer closed, waiting at most
// `timeout` seconds (negative: 30) for each piece. Returns the count read, or
// -1 (errno EAGAIN on a time-out). Interrupted waits and reads are retried.
int readin(int fd, char *buf, int len, int timeout);
