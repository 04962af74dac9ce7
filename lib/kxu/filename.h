// File-name pieces, known extensions and hexadecimal text.
#pragma once

#include <string>

// The part after the last "/", without its extension when that is a known
// one (isextension). Named so as not to clash with the C library's basename.
std::string kx_basename(const char *path);

// The part after the last "/", extension kept ("conf/Standard.W" gives
// "Standard.W").
std::string kx_filepart(const std::string &path);

// The part up to and including the last "/", or "." when there is none.
std::string kx_dirname(const char *path);

// Whether `ext` (without the dot) is a known file-name extension; the empty
// extension is one. addextension adds one (no duplicates).
bool isextension(const char *ext);
void addextension(const char *ext);

// Hexadecimal text to number (0 when not hexadecimal) and number to
// lower-case hexadecimal text.
unsigned long atox(const char *text);
std::string xtoa(unsigned long n);
