#include "logserver.h"

#include "kxu/report.h"

namespace kxlogd {

namespace {
uint64_t pair_key(const kxlogrec &h) { return uint64_t(h.origin) << 8 | h.fid; }

kxlogrec logsys_header(uint32_t origin, time_t now) {
  kxlogrec h;
  h.format = LOG_FMT_SYSTEM;
  h.origin = origin;
  h.time = uint32_t(now);
  return h;
}
} // namespace

LogServerSession &LogServerCore::begin(int id, uint32_t peer, const std::string &name, bool acks,
                                       time_t now) {
  LogServerSession &s = sessions_[id];
  s = LogServerSession{};
  s.id = id;
  s.peer = peer;
  s.name = name;
  s.acks = acks;
  const std::vector<uint8_t> text = logsys_data(LOGSYS_START, name);
  append(logsys_header(peer, now), text.data(), text.size());
  return s;
}

void LogServerCore::end(int id, time_t now) {
  auto it = sessions_.find(id);
  if (it == sessions_.end()) return;
  const std::vector<uint8_t> text = logsys_data(LOGSYS_STOP, it->second.name);
  append(logsys_header(it->second.peer, now), text.data(), text.size());
  sessions_.erase(it);
}

LogServerSession *LogServerCore::session(int id) {
  auto it = sessions_.find(id);
  return it == sessions_.end() ? nullptr : &it->second;
}

void LogServerCore::append(const kxlogrec &h, const uint8_t *data, size_t length) {
  if (out_.add(h, data, length) && on_append) on_append(h, data, length);
}

bool LogServerCore::passes_through(const LogServerSession &s, const kxlogrec &h) const {
  return h.type == LOG_TYPE_LOG && h.format < LOG_FMT_SYSTEM && pair_key(h) == cached_pair_ &&
         cached_info_ && cached_info_->generation == out_.generation() && !s.iflist.empty() &&
         s.iflist_generation == out_.generation();
}

bool LogServerCore::take(LogServerSession &s, time_t now) {
  // Records that need nothing before them go to the file as they came, a
  // run of them at a time: most of a busy stream is such runs.
  const uint8_t *run = nullptr;
  size_t run_length = 0;
  auto end_run = [&] {
    if (run_length) out_.add_raw(run, run_length);
    run_length = 0;
  };
  kxlogrec h;
  const uint8_t *data = nullptr;
  for (;;) {
    switch (s.parser.next(h, data)) {
    case LogRecordParser::kNeedMore: end_run(); return true;
    case LogRecordParser::kBadLength:
      end_run();
      error(0, 0, "Log record size %d wrong on %d", s.parser.bad_length(), s.id);
      return false;
    case LogRecordParser::kRecord: {
      ++s.taken;
      const uint8_t *raw = data - LOG_HEADER_SIZE;
      if (!on_append && passes_through(s, h)) {
        if (run_length && run + run_length != raw) end_run();
        if (!run_length) run = raw;
        run_length += LOG_HEADER_SIZE + h.length;
        break;
      }
      end_run();
      record(s, h, data, h.length, now);
      break;
    }
    }
  }
}

void LogServerCore::ask(LogServerSession &s, time_t now) {
  if (s.asked && now - s.last_ask < ask_retry && now >= s.last_ask) return;
  s.asked = true;
  s.last_ask = now;
  s.request_due = true;
}

void LogServerCore::log_info(LogServerSession &s, const kxlogrec &h, const uint8_t *data,
                             size_t length) {
  kxlogdom dom;
  if (x2kxlogdom(data, length, &dom) < 0) {
    append(h, data, length); // an uninstallation announcement
    return;
  }
  const uint64_t key = dom.id.key();
  cached_pair_ = ~uint64_t(0);
  if (infos_.size() >= kMaxIdentities && !infos_.count(key)) infos_.clear();
  InfoCopy &copy = infos_[key];
  copy.header = h;
  copy.data.assign(data, data + length);
  copy.generation = out_.generation();
  if (in_force_.size() >= kMaxIdentities) in_force_.clear();
  in_force_[pair_key(h)] = key;
  append(h, data, length);
}

void LogServerCore::log_record(LogServerSession &s, const kxlogrec &h, const uint8_t *data,
                               size_t length, time_t now) {
  const uint64_t gen = out_.generation();
  if (pair_key(h) != cached_pair_) {
    auto id = in_force_.find(pair_key(h));
    auto info = id == in_force_.end() ? infos_.end() : infos_.find(id->second);
    cached_info_ = info == infos_.end() ? nullptr : &info->second;
    cached_pair_ = pair_key(h);
  }
  InfoCopy *info = cached_info_;
  if (!info) {
    ask(s, now);
  } else if (info->generation != gen) {
    append(info->header, info->data.data(), info->data.size());
    info->generation = gen;
  }
  if (s.iflist.empty()) {
    ask(s, now);
  } else if (s.iflist_generation != gen) {
    kxlogrec ifs = h;
    ifs.type = LOG_TYPE_IFNAME;
    append(ifs, s.iflist.data(), s.iflist.size());
    s.iflist_generation = gen;
  }
  append(h, data, length);
}

void LogServerCore::record(LogServerSession &s, const kxlogrec &h, const uint8_t *data,
                           size_t length, time_t now) {
  if (h.type == LOG_TYPE_IFNAME) {
    if (length != LOG_IFLIST_LONG) {
      error(0, 0, "Expected interface list size %d got %d from %d", int(LOG_IFLIST_LONG),
            int(length), s.id);
      return;
    }
    s.iflist.assign(data, data + length);
    s.iflist_generation = out_.generation();
    append(h, data, length);
    return;
  }
  if (h.type != LOG_TYPE_LOG) return; // sync records and unknown types are the client's own
  switch (h.format) {
  case LOG_FMT_SYSTEM: return; // the server writes its own session records
  case LOG_FMT_DOMAIN: return; // requests for the module's resolver, not log
  case LOG_FMT_INFO: log_info(s, h, data, length); return;
  case LOG_FMT_RESET: {
    kxid_t id;
    if (x2kxid(data, length, &id) < 0) return;
    cached_pair_ = ~uint64_t(0);
    if (in_force_.size() >= kMaxIdentities) in_force_.clear();
    uint64_t &key = in_force_[pair_key(h)];
    if (key == id.key() && key != 0) return;
    key = id.key();
    append(h, data, length);
    return;
  }
  default: log_record(s, h, data, length, now); return;
  }
}

} // namespace kxlogd
