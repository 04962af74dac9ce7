// Printing the shown entries: the print settings of the viewer's settings
// ("print": format, destination, range, and the "ascii" and "postscript"
// objects) and the plain-text layout.
#pragma once

#include "kxlv/settings.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct kxlv_print_settings {
  std::string format = "ascii";      // "postscript" or anything else
  std::string destination = "file";  // "file" or a command
  std::string string;                // the file name or the command
  std::string range = "window";      // "window" or anything else (all)
  bool ascii = true;                 // an "ascii" object exists
  std::string form_feed = "\f";
  int ascii_lines_per_page = 60;
  bool postscript = true;            // a "postscript" object exists
  std::string orientation = "landscape";
  int ps_lines_per_page = 50;
  std::string prolog = "gps.pro";
};

// The print settings of `s`, making the "print" object with the defaults
// when the settings have none. Wrong-typed values are reported in
// `messages` and replaced by defaults.
kxlv_print_settings kxlv_print_get(kxlv_settings &s, std::vector<std::string> *messages);

// Where printed text goes; false when it could not be written (printing stops).
using kxlv_print_sink = std::function<bool(std::string_view)>;
// The entries to print, one per call, null at the end.
using kxlv_print_source = std::function<const kxlv_entry *()>;

// Plain text: a title line of the active columns' names before the first
// line and every lines_per_page lines (the form feed before each title but
// the first), then one line per entry; each text left-aligned in its
// column's width and cut to it ("%-*.*s "), or followed by one blank for a
// column of width 0; an empty text prints as one blank. Returns the entry
// lines written, or -1 when the sink failed.
// One entry as a plain-text line, ended by a newline.
std::string print_ascii_line(const kxlv_entry &e, const kxlv_settings &s, const LogHosts &hosts);
long print_ascii(const kxlv_print_sink &out, const kxlv_print_source &lines, const kxlv_settings &s,
                 const kxlv_print_settings &ps, const LogHosts &hosts);

// PostScript: what the document carries besides the entries.
struct kxlv_ps_document {
  std::string prolog;  // the prolog file's text, copied unchanged
  std::string creator = "kxlv";
  std::string date;    // "%%CreationDate:"
};

// "(", ")" and "\\" behind a backslash; white space other than the blank and
// unprintable bytes as "\\%03o".
std::string ps_word(std::string_view text);
// A 16 x 16 bitmap (rows of 16 pixels, the leftmost in the high bit) as
// "{ <hex> } 16 16 1", its bytes inverted for the image operator.
std::string ps_icon_bits(const uint16_t bits[16]);
// The header, "/LandScape", "/kx_total_width" and "/kx_lines_per_page", the
// prolog text, the title procedure of the active columns, "%%EndProlog".
std::string print_prolog(const kxlv_print_settings &ps, const std::string &prolog, const std::string &creator,
                         const std::string &date, const std::vector<kxlv_column> &columns);
// The prolog, then pages ("%%Page: N N", "newpage") of lines_per_page - 2
// entry lines, each ended by "nl"; "showpage" at the end. Returns the entry
// lines written, or -1 when the sink failed.
long print_postscript(const kxlv_print_sink &out, const kxlv_print_source &lines, const kxlv_settings &s,
                      const kxlv_print_settings &ps, const LogHosts &hosts, const kxlv_ps_document &doc);

class kxlv_viewer;

// The viewer's print: with range "window" the lines of the current page,
// otherwise every shown entry of the file; to the file (standard output for
// an empty name or "-") or into the command. More than 1000 lines ask
// `confirm` first (none: no question). Afterwards the page is filled again
// from its first line. -1 with `message` set when nothing or not all could
// be printed ("print command failed (broken pipe)" once for a command that
// went away); 0 otherwise, `message` then holding a warning or nothing.
int kxlv_print(kxlv_viewer &viewer, kxlv_settings &settings, const kxlv_print_settings &ps,
               const std::function<bool(long)> &confirm, std::string *message);
