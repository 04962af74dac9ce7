// The process's log file: one open at a time, for reading or appending,
// with the record counter and the follow-the-rotation check of readers.
#pragma once

#include "kxlog/logread.h"
#include "kxlog/logstream.h"
#include "kxlog/logwrite.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// This host's address (host order), learnt from the host name when a log
// is first opened for appending.
extern uint32_t kxlog_my_addr;
extern time_t log_id; // when the log was (re)opened for appending

// The path log_open uses for `name` (null: "kx.log"): with a mode beginning
// "r" a name that exists relative to the current directory is taken as it
// is; otherwise the name lies in $KXLOGDIR or the installation's "log".
std::string log_path(const char *name, const char *mode);

// Closes the open log file, resets the record counter and opens the file.
// Opening for writing or appending ("w", "a") writes a sync record and a
// log-system record "started sending log to localhost". -1 on failure.
int log_open(const char *name, const char *mode);
// log_open(null, "a"); failing to open is fatal: "Failed to open logfile".
void log_initfile();
void log_close();

// Appends to the open log: 16 + length, 0 when nothing was written, -1 when
// the data is too long to export.
long log_add(const kxlogrec &header, const uint8_t *data, size_t length);
void log_add_sync();
void log_flush();

// The next record of the open log (or of `reader`): the data length, or -1
// at the end of the file.
int log_get(kxlogrec &header, std::vector<uint8_t> &data);
int log_get_fp(kxlogrec &header, std::vector<uint8_t> &data, LogReader &reader);

long log_recnum();
void log_set_recnum(long n);
uint64_t log_size();

// Reads `reader` to its end through `stream`, counting every record read
// from `recnum` on; returns the next record number.
long log_readstream(LogReader &reader, LogStream &stream, long recnum);
// Reads the open log to its end and prints the records of `origin` (0: all)
// whose time lies in [from, to] (0: open) through log_p.
void log_readfile(uint32_t origin, uint32_t from, uint32_t to);

// For a reader that follows the default log: when the file now at its path
// is another file (another inode), switches to it, resets the record counter
// and prints "%s log file switched". 1 on a switch, 0 if none, -1 when the
// file cannot be opened or examined.
int log_again();
// The same check for any reader and path.
int log_again(LogReader &reader, const std::string &path);
