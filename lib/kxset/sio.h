// The text format of property sets: reading and writing kxset trees as
// nested parentheses with ":"-marked attributes.
//
//   (objects
//   	:netobj (
//   		: (gate
//   			:type (gateway)
//   		)
//   		: (servers
//   			: gate
//   		)
//   	)
//   )
//
// Sets are shared by name: a set whose name is already defined in the current
// scope is written as that bare name, and the reader turns the bare name back
// into the very same set. A dictionary (typically the objects database) makes
// the anonymous members of its tables known by name from the start.
//
// Reads and writes use process-wide state (messages, error code, the string
// buffer) and must not be nested.
#pragma once

#include "kxset/kxscope.h"
#include "kxset/kxset.h"

#include <cstddef>
#include <cstdio>
#include <string>

// Error codes of sio_errno().
enum SioError {
  SIO_OK = 0,
  SIO_EOF = 1,        // "Unexpected EOF"
  SIO_SYNTAX = 2,     // "Syntax Error"
  SIO_NONLIST = 3,    // "Non List Definition"
  SIO_NOSCOPE = 4,    // "Not in Scope"
  SIO_CANTADD = 5,    // "Cannot Add Attribute"
  SIO_TOOLONG = 6,    // "Name Too Long"
  SIO_TOOBIG = 7,     // "Input Too Large"
  SIO_READERR = 8,    // "Read Error"
};

// Longest name the reader accepts.
constexpr size_t SIO_MAX_NAME = 8191;

// --- reading -------------------------------------------------------------
// Each returns the top set read (reference count 0, unless it is a dictionary
// member found by name), or null. A read has failed when sio_errno() is
// non-zero; null with code 0 means the input held no set.
//
// From a file: reads one set and leaves a seekable file positioned right
// after it (from a pipe the rest is consumed). NUL is an ordinary byte.
//
// Nesting is limited to 63 levels, counting the height of the sets that
// bare names refer to (a reference hangs the whole earlier set below it).
//
// A file is read into memory whole first; more than sio_max_input() bytes
// are refused with SIO_TOOBIG, a read error with SIO_READERR.
kxset *sio_read(FILE *f);
kxset *sio_readx(FILE *f, kxset *dict);
constexpr size_t SIO_DEFAULT_MAX_INPUT = size_t{256} << 20;
size_t sio_max_input();
// Sets the limit (0: the default); returns the previous one.
size_t sio_set_max_input(size_t bytes);
// From a NUL-terminated string.
kxset *sio_sread(const char *text);
kxset *sio_sreadx(const char *text, kxset *dict);
// From the first `len` bytes of `text`; a NUL byte ends the input early.
kxset *sio_sreadn(const char *text, size_t len, kxset *dict = nullptr);

// Sets the file name used in messages (copied; null for none), resets the
// line counter to 0 and empties the message list.
void sio_setfile(const char *name);
inline void siosetfile(const char *name) { sio_setfile(name); }

// The messages of the current read, null-terminated, or null when there are
// none. Each message ends with a newline. Valid until the next read.
const char *const *sio_errors();
inline const char *const *sio_error() { return sio_errors(); }
// All messages of the current read joined (each already ends with "\n").
std::string sio_messages();
// The last non-zero error code of the current read, 0 when there was none.
int sio_errno();
// The text of an error code ("Unexpected EOF", ...), "" for 0 or unknown.
const char *sio_errtext(int code);

// With 1, unknown bare names are no errors: the file name is cleared, the
// message list emptied, and each unknown name is recorded once (its text as
// the message) while the attribute that used it is left out. 0 restores the
// normal behaviour.
void sio_noscope_set(int on);

// --- writing -------------------------------------------------------------
// To a file (null: standard output). 0 on success, -1 on a write error or a
// tree nested deeper than the scope allows.
int sio_write(FILE *f, const kxset *set);
int sio_writex(FILE *f, const kxset *set, const kxset *dict);
// Into `buf`, at most `size` bytes including the terminating NUL (a size
// below 1 means no limit: the caller vouches for the room). Returns `buf`, or
// null when the text did not fit. With a null `buf` the text goes into a
// buffer owned by this module, valid until the next such call.
char *sio_swrite(char *buf, int size, const kxset *set);
char *sio_swritex(char *buf, int size, const kxset *set, const kxset *dict);
// Appends the text to `out`; 0, or -1 on failure (out then holds a part).
int sio_swrite(std::string &out, const kxset *set, const kxset *dict = nullptr);

// --- scopes for callers that read or write pieces themselves ---------------
// With a null scope creates one (free it with cs_stack_destroy) whose level-0
// set is `dict` (or one shared empty set); then defines every anonymous,
// named member of each table of `dict` at the scope's current level (level 0
// for a new scope). Returns the scope.
KxScope *sio_namesp(KxScope *scope, kxset *dict);
inline KxScope *cs_namesp(KxScope *scope, kxset *dict) { return sio_namesp(scope, dict); }
// Push returns the new level or -1 past the deepest level.
int cs_pushscope(KxScope *scope, kxset *set);
int cs_popscope(KxScope *scope);
kxset *cs_topscope(KxScope *scope);
// The set defined under `name` and alive now, or null.
kxset *cs_inscope(KxScope *scope, const KxAtom &name);
void cs_stack_destroy(KxScope *scope);
