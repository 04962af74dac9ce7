#include "kxset/sio.h"
#include "kxset/sio_state.h"

namespace sio {

State &state() {
  static State s;
  return s;
}

void State::begin_read() {
  messages.clear();
  message_ptrs.clear();
  err = 0;
  noscope_seen.clear();
}

void State::report(int code, const std::string &text, bool located) {
  if (code != 0) err = code;
  if (messages.size() >= kMaxMessages) return;
  if (messages.size() == kMaxMessages - 1) {
    messages.emplace_back("Too many errors...\n");
    return;
  }
  std::string m;
  if (has_file && located) m += "\"" + file + "\", line " + std::to_string(line + 1) + ": ";
  m += text;
  if (code != 0) {
    m += ": ";
    m += sio_errtext(code);
  }
  m += '\n';
  messages.push_back(std::move(m));
}

} // namespace sio

void sio_setfile(const char *name) {
  sio::State &st = sio::state();
  st.has_file = name != nullptr;
  st.file = name ? name : "";
  st.line = 0;
  st.messages.clear();
  st.message_ptrs.clear();
}

const char *const *sio_errors() {
  sio::State &st = sio::state();
  if (st.messages.empty()) return nullptr;
  st.message_ptrs.clear();
  for (const std::string &m : st.messages) st.message_ptrs.push_back(m.c_str());
  st.message_ptrs.push_back(nullptr);
  return st.message_ptrs.data();
}

std::string sio_messages() {
  std::string out;
  for (const std::string &m : sio::state().messages) out += m;
  return out;
}

int sio_errno() { return sio::state().err; }

const char *sio_errtext(int code) {
  switch (code) {
  case SIO_EOF: return "Unexpected EOF";
  case SIO_SYNTAX: return "Syntax Error";
  case SIO_NONLIST: return "Non List Definition";
  case SIO_NOSCOPE: return "Not in Scope";
  case SIO_CANTADD: return "Cannot Add Attribute";
  case SIO_TOOLONG: return "Name Too Long";
  case SIO_TOOBIG: return "Input Too Large";
  case SIO_READERR: return "Read Error";
  default: return "";
  }
}

void sio_noscope_set(int on) {
  sio::State &st = sio::state();
  st.noscope = on != 0;
  if (on) {
    st.has_file = false;
    st.file.clear();
    st.messages.clear();
    st.message_ptrs.clear();
  }
}
