// The printed form of records, and what the collecting side does with each.
#pragma once

#include "kxlog/logstream.h"

#include <string>

// Settings of the collecting side.
extern int log_qdata;       // queue records that come before their formats
extern int log_doprint;     // print records
extern int log_doaction;    // run alert commands
extern int log_actioncode;  // bit set of action codes handled; 0: all
extern std::string log_keyword; // print only records with this action name

// The alert executor: called for a printed record whose action name begins
// with "!" while log_doaction is set.
using log_action_fn = void (*)(const log_shown &record, const std::string &line);
void log_set_action_handler(log_action_fn fn);

// The printed form of one record: the action name (the word inside "![...]"
// for such names) and a blank, then "label word" per field.
std::string log_format(const log_fmt &format, const std::string &action_name,
                       const uint32_t *words, size_t nwords);

// The line a reader of the log prints for a shown record:
//   NUMBER DATE TIME ORIGIN INTERFACE DIR TEXT
// DIR is '>' for inbound, '<' for outbound; TEXT is log_format's form, the
// log-system or installation text, or the reason the fields are missing
// followed by the data words in hexadecimal.
std::string log_line(const log_shown &s, const LogHosts &hosts);

// The collecting side's handling of one shown record: filters by action
// code and keyword, prints to standard output, hands alerts on. Returns 1
// when the record was printed or acted on.
int log_p(const log_shown &s, const LogHosts &hosts);
