// The PostScript layout: a header, the prolog file of the installation, the
// title procedure, then pages of entry lines drawn by the prolog's
// procedures ("newpage", "nl", "ftitle", "ftext", "ficon", "fimage").
#include "kxlv/print.h"

#include "kxu/report.h"

#include <cstring>
#include <strings.h>

namespace {

// 16 x 16 bitmaps, one row per word, the leftmost pixel in the high bit.
using Bitmap = uint16_t[16];

const Bitmap kAccept = {0x0000, 0x0000, 0x0003, 0x0007, 0x000E, 0x001C, 0x0038, 0x6070,
                        0x70E0, 0x39C0, 0x1F80, 0x0F00, 0x0600, 0x0000, 0x0000, 0x0000};
const Bitmap kDrop = {0x0000, 0x6006, 0x700E, 0x381C, 0x1C38, 0x0E70, 0x07E0, 0x03C0,
                      0x03C0, 0x07E0, 0x0E70, 0x1C38, 0x381C, 0x700E, 0x6006, 0x0000};
const Bitmap kReject = {0x07E0, 0x1FF8, 0x3C1C, 0x700E, 0x601E, 0xE037, 0xC063, 0xC0C3,
                        0xC183, 0xC303, 0xE607, 0x7C06, 0x700E, 0x3C3C, 0x1FF8, 0x07E0};
const Bitmap kControl = {0x0000, 0x7FFE, 0x4002, 0x4002, 0x4FF2, 0x4002, 0x4002, 0x4FF2,
                         0x4002, 0x4002, 0x4FF2, 0x4002, 0x4002, 0x7FFE, 0x0000, 0x0000};
const Bitmap kLog = {0x0000, 0x3FF0, 0x2018, 0x2014, 0x27DE, 0x2002, 0x27F2, 0x2002,
                     0x27F2, 0x2002, 0x27F2, 0x2002, 0x2002, 0x3FFE, 0x0000, 0x0000};
const Bitmap kAlert = {0x0180, 0x03C0, 0x03C0, 0x03C0, 0x03C0, 0x03C0, 0x03C0, 0x0180,
                       0x0180, 0x0180, 0x0000, 0x0000, 0x0180, 0x03C0, 0x0180, 0x0000};
const Bitmap kInbound = {0x0000, 0x0000, 0x0080, 0x00C0, 0x00E0, 0x00F0, 0x7FF8, 0x7FFC,
                         0x7FFC, 0x7FF8, 0x00F0, 0x00E0, 0x00C0, 0x0080, 0x0000, 0x0000};
const Bitmap kOutbound = {0x0000, 0x0000, 0x0100, 0x0300, 0x0700, 0x0F00, 0x1FFE, 0x3FFE,
                          0x3FFE, 0x1FFE, 0x0F00, 0x0700, 0x0300, 0x0100, 0x0000, 0x0000};
const Bitmap kBlank = {};

const uint16_t *action_icon(const std::string &name) {
  if (!strcasecmp(name.c_str(), "accept")) return kAccept;
  if (!strcasecmp(name.c_str(), "drop")) return kDrop;
  if (!strcasecmp(name.c_str(), "reject")) return kReject;
  if (!strcasecmp(name.c_str(), "ctl")) return kControl;
  return kBlank;
}

const uint16_t *type_icon(const std::string &name) {
  if (name == "alert") return kAlert;
  if (name == "control") return kControl;
  return kLog;
}

// The columns' positions in character cells: each starts after the one
// before it and a blank. A column of width 0 (it prints its whole text in
// plain text) is given kFreeWidth cells.
constexpr int kFreeWidth = 40;

int cells(const kxlv_column &c) { return c.width > 0 ? c.width : kFreeWidth; }

} // namespace

std::string ps_word(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c == ' ' || (c > ' ' && c < 0x7F)) {
      out += ch;
    } else {
      out += kxu::format("\\%03o", c);
    }
  }
  return out;
}

std::string ps_icon_bits(const uint16_t bits[16]) {
  // The image operator paints 0 bits black: the bitmap goes in inverted.
  std::string out = "{ <";
  for (int row = 0; row < 16; ++row) {
    const uint16_t inv = static_cast<uint16_t>(~bits[row]);
    out += kxu::format("%02x%02x", inv >> 8, inv & 0xFF);
  }
  out += "> } 16 16 1";
  return out;
}

std::string print_prolog(const kxlv_print_settings &ps, const std::string &prolog, const std::string &creator,
                         const std::string &date, const std::vector<kxlv_column> &columns) {
  int total = 0;
  for (const kxlv_column &c : columns)
    if (c.active) total += cells(c) + 1;
  const bool landscape = ps.orientation != "portrait";
  std::string out = "%!PS-Adobe-1.0\n";
  out += "%%Creator: " + creator + "\n";
  out += "%%DocumentFonts: /Courier /Courier-Bold\n";
  out += "%%CreationDate: " + date + "\n";
  out += "%%EndComments\n";
  out += landscape ? "/LandScape true def\n" : "/LandScape false def\n";
  out += kxu::format("/kx_total_width %d def\n", total);
  out += kxu::format("/kx_lines_per_page %d def\n", ps.ps_lines_per_page);
  out += prolog;
  if (!prolog.empty() && prolog.back() != '\n') out += '\n';
  out += "/title {\n[\n";
  int pos = 0;
  for (const kxlv_column &c : columns) {
    if (!c.active) continue;
    out += kxu::format("[(%s) %d %d]\n", ps_word(c.name).c_str(), pos, cells(c));
    pos += cells(c) + 1;
  }
  out += "] ftitle\n} def\n%%EndProlog\n";
  return out;
}

long print_postscript(const kxlv_print_sink &out, const kxlv_print_source &lines, const kxlv_settings &s,
                      const kxlv_print_settings &ps, const LogHosts &hosts, const kxlv_ps_document &doc) {
  if (!out(print_prolog(ps, doc.prolog, doc.creator, doc.date, s.columns))) return -1;
  const long per_page = std::max(1, ps.ps_lines_per_page - 2);
  long written = 0, page = 0;
  std::string line;
  auto new_page = [&]() {
    ++page;
    return out(kxu::format("%%%%Page: %ld %ld\nnewpage\n", page, page));
  };
  while (const kxlv_entry *e = lines()) {
    if (written % per_page == 0 && !new_page()) return -1;
    line.clear();
    int pos = 0;
    for (const kxlv_column &c : s.columns) {
      if (!c.active) continue;
      const int width = cells(c);
      if (!strcasecmp(c.name.c_str(), "I/F")) {
        // The direction icon, then the interface name.
        const std::string name = hosts.ifname(e->header.origin, e->header.ifindex());
        line += kxu::format("(%s) %s %d %d fimage\n", ps_word(name).c_str(),
                            ps_icon_bits(e->header.inbound() ? kInbound : kOutbound).c_str(), pos, width);
      } else if (c.kind == "icon" && (!strcasecmp(c.name.c_str(), "Type") || !strcasecmp(c.name.c_str(), "Action"))) {
        const bool type = !strcasecmp(c.name.c_str(), "Type");
        const uint16_t *icon = type ? type_icon(e->type_name()) : action_icon(e->action_text());
        line += kxu::format("%s %d %d ficon\n", ps_icon_bits(icon).c_str(), pos, width);
        const std::string text = kxlv_column_text(*e, c.name, hosts, s.columns);
        line += kxu::format("(%s) %d %d ftext\n", ps_word(text).c_str(), pos + 2, width - 2);
      } else {
        const std::string text = kxlv_column_text(*e, c.name, hosts, s.columns);
        if (!text.empty()) line += kxu::format("(%s) %d %d ftext\n", ps_word(text).c_str(), pos, width);
      }
      pos += width + 1;
    }
    line += "nl\n";
    if (!out(line)) return -1;
    ++written;
  }
  if (written == 0 && !new_page()) return -1;
  if (!out("showpage\n")) return -1;
  return written;
}
