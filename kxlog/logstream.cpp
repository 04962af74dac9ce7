#include "kxlog/logstream.h"

#include "kxlog/logbad.h"
#include "kxu/report.h"

void LogStream::set_filter(uint32_t origin, uint32_t from, uint32_t to) {
  origin_ = origin;
  from_ = from;
  to_ = to;
}

// Records of every origin are interpreted, so that a filter announced by
// one origin and named by another's reset still prints; only showing is
// limited to the chosen origin.
bool LogStream::in_time(const kxlogrec &h) const {
  if (origin_ && h.origin != origin_) return false;
  return (from_ == 0 || h.time >= from_) && (to_ == 0 || h.time <= to_);
}

void LogStream::load_words(const uint8_t *data, size_t length) {
  words_.resize(length / 4);
  for (size_t i = 0; i < words_.size(); ++i) words_[i] = be32(data + 4 * i);
}

void LogStream::feed(const kxlogrec &h, const uint8_t *data, size_t length, long recnum) {
  hosts_.get(h.origin); // a full table still shows the record, with if%d names
  if (h.type == LOG_TYPE_IFNAME) {
    if (!hosts_.set_interfaces(h.origin, data, length))
      error(0, 0, "Badly formed log interface list record, size %zu", length);
    return;
  }
  if (h.type != LOG_TYPE_LOG) return;
  switch (h.format) {
  case LOG_FMT_RESET: {
    kxid_t id;
    if (x2kxid(data, length, &id) == 0) memory_.set_kxid(h, id, recnum);
    return;
  }
  case LOG_FMT_INFO: log_info(h, data, length, recnum); return;
  case LOG_FMT_SYSTEM: {
    uint32_t code = 0;
    std::string text;
    if (!x2logsys(data, length, &code, &text)) text.clear();
    if (in_time(h)) show_plain(log_shown::kSystem, h, recnum, logsys_sprintf(code, text));
    return;
  }
  case LOG_FMT_DOMAIN: return;
  default: log_record(h, data, length, recnum); return;
  }
}

void LogStream::log_info(const kxlogrec &h, const uint8_t *data, size_t length, long recnum) {
  kxlogdom dom;
  const bool installed = length >= 60 && x2kxlogdom(data, length, &dom) == 0;
  if (installed && !dom.format_text.empty()) {
    if (!memory_.has_table(dom.id.key())) {
      auto table = std::make_shared<log_format_table>();
      log_parseformat(dom.format_text.data(), table.get(), dom.format_text.size());
      memory_.set_data(h, &dom.id, std::move(table), recnum);
    } else {
      // A filter installed again after another one applies again.
      memory_.set_kxid(h, dom.id, recnum);
    }
  }
  if (in_time(h))
    show_plain(log_shown::kInfo, h, recnum,
               installed ? "installed " + dom.id.name() : "filter uninstalled");
  if (!installed) return;
  while (auto q = memory_.dequeue(h, recnum)) {
    auto table = memory_.get_data(q->header, nullptr, q->recnum);
    if (!table) table = memory_.get_data(h, &dom.id, recnum);
    show_record(q->header, q->data.data(), q->data.size(), q->recnum, table.get());
  }
}

void LogStream::log_record(const kxlogrec &h, const uint8_t *data, size_t length, long recnum) {
  if (!in_time(h)) return;
  const log_format_table *table = memory_.find_data(h, recnum);
  if (!table && queueing_ && memory_.queue(h, data, length, recnum)) return;
  show_record(h, data, length, recnum, table);
}

void LogStream::show_record(const kxlogrec &h, const uint8_t *data, size_t length, long recnum,
                            const log_format_table *table) {
  if (!table) {
    show_plain(log_shown::kUnavailable, h, recnum, "Format unavailable", data, length);
    return;
  }
  const log_fmt *format = table->get(h.format);
  if (!format) {
    log_badpacket("Unknown format", h, length, recnum);
    show_plain(log_shown::kUnknown, h, recnum, "Unknown format", data, length);
    return;
  }
  load_words(data, length);
  log_shown s;
  s.kind = log_shown::kRecord;
  s.recnum = recnum;
  s.header = h;
  s.format = format;
  if (!words_.empty()) s.action_name = log_action_name(*table, words_.back());
  s.words = words_.data();
  s.nwords = words_.size();
  sink_(s);
}

void LogStream::show_plain(log_shown::Kind kind, const kxlogrec &h, long recnum, std::string text,
                           const uint8_t *data, size_t length) {
  load_words(data, data ? length : 0);
  log_shown s;
  s.kind = kind;
  s.recnum = recnum;
  s.header = h;
  s.words = words_.data();
  s.nwords = words_.size();
  s.text = std::move(text);
  sink_(s);
}

void LogStream::finish() {
  memory_.dequeue_all([this](const log_queued &q) {
    show_record(q.header, q.data.data(), q.data.size(), q.recnum,
                memory_.get_data(q.header, nullptr, q.recnum).get());
  });
}

std::string log_action_name(const log_format_table &table, uint32_t action_word) {
  if (action_word == LOG_NO_ACTION) return {};
  auto it = table.actions.find(action_word);
  return it != table.actions.end() ? it->second : kxu::format("action%u", action_word);
}
