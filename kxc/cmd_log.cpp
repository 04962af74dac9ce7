// kxc log [--origin ADDR] [--from TIME] [--to TIME] [--follow] [--json] [FILE]:
// prints the records of a log file, one line each, in file order.
#include "kxc/command.h"

#include "kxlog/logbad.h"
#include "kxlog/logfile.h"
#include "kxlog/logprint.h"
#include "kxlog/logtypes.h"
#include "kxu/report.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <sys/stat.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>

namespace {

const char kUsage[] =
    "log [--origin ADDR] [--from TIME] [--to TIME] [--follow] [--json] [FILE]";

struct Options {
  uint32_t origin = 0, from = 0, to = 0;
  bool follow = false, json = false;
  std::string file;
};

// Seconds since 1970, or an ISO-8601 date-time: "2026-12-10", "2026-12-10T14:05",
// "2026-12-10T14:05:09" in local time, with a trailing "Z" in UTC.
std::optional<uint32_t> parse_time(const std::string &text) {
  if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
    if (text.size() > 10) return std::nullopt;
    const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    if (v > UINT32_MAX) return std::nullopt;
    return uint32_t(v);
  }
  for (const char *format : {"%Y-%m-%dT%H:%M:%S", "%Y-%m-%dT%H:%M", "%Y-%m-%d"}) {
    struct tm tm {};
    const char *end = strptime(text.c_str(), format, &tm);
    if (!end) continue;
    const bool utc = std::strcmp(end, "Z") == 0;
    if (*end && !utc) continue;
    tm.tm_isdst = -1;
    const time_t t = utc ? timegm(&tm) : mktime(&tm);
    if (t < 0 || t > time_t(UINT32_MAX)) return std::nullopt;
    return uint32_t(t);
  }
  return std::nullopt;
}

std::optional<uint32_t> parse_addr(const std::string &text) {
  in_addr a{};
  if (inet_pton(AF_INET, text.c_str(), &a) == 1) return ntohl(a.s_addr);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo *res = nullptr;
  if (getaddrinfo(text.c_str(), nullptr, &hints, &res) != 0 || !res) return std::nullopt;
  const uint32_t v = ntohl(reinterpret_cast<sockaddr_in *>(res->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(res);
  return v;
}

// Returns 0, or the exit status of a refused command line.
int parse(const kxc::Args &args, Options &o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &a = args[i];
    auto value = [&]() -> const std::string * {
      return i + 1 < args.size() ? &args[++i] : nullptr;
    };
    if (a == "--follow") o.follow = true;
    else if (a == "--json") o.json = true;
    else if (a == "--origin" || a == "--from" || a == "--to") {
      const std::string *v = value();
      if (!v) return kxc::usage_error(kUsage);
      if (a == "--origin") {
        auto addr = parse_addr(*v);
        if (!addr) {
          std::fprintf(stderr, "kxc log: unknown host '%s'\n", v->c_str());
          return 2;
        }
        o.origin = *addr;
      } else {
        auto t = parse_time(*v);
        if (!t) {
          std::fprintf(stderr, "kxc log: bad time '%s' (seconds since 1970 or YYYY-MM-DDTHH:MM:SS)\n",
                       v->c_str());
          return 2;
        }
        (a == "--from" ? o.from : o.to) = *t;
      }
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return kxc::usage_error(kUsage);
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      return kxc::usage_error(kUsage);
    }
  }
  return 0;
}

std::string iso_time(uint32_t t) {
  const time_t tt = t;
  struct tm tm {};
  gmtime_r(&tt, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

std::string json_line(const log_shown &s, const LogHosts &hosts) {
  const kxlogrec &h = s.header;
  nlohmann::ordered_json j;
  j["recnum"] = s.recnum;
  j["time"] = iso_time(h.time);
  j["origin"] = log_addrstr(h.origin);
  j["interface"] = hosts.ifname(h.origin, h.ifindex());
  j["direction"] = h.inbound() ? "inbound" : "outbound";
  j["action"] = ifaction(h.action(), h.format);
  j["fid"] = h.fid;
  if (s.kind == log_shown::kRecord) {
    j["format"] = s.format->name;
    if (!s.action_name.empty()) j["action_name"] = s.action_name;
    nlohmann::ordered_json fields = nlohmann::ordered_json::array();
    const size_t n = std::min(s.format->fields.size(), s.nwords);
    for (size_t i = 0; i < n; ++i) {
      std::string value;
      log_field_text(value, *s.format, i, s.words, s.nwords);
      fields.push_back({{"label", s.format->fields[i].label}, {"value", value}});
    }
    j["fields"] = std::move(fields);
  } else {
    j["format"] = log_formatname(h.format);
    j["text"] = s.text;
  }
  // Texts from a damaged log may hold any bytes: replace what is not UTF-8.
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

int rotate_quietly(LogReader &reader, const std::string &path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  if (st.st_ino == reader.inode()) return 0;
  if (!reader.open(path)) return -1;
  std::fprintf(stderr, "%s log file switched\n", log_timestr(time(nullptr)).c_str());
  return 1;
}

void wait_a_little() { std::this_thread::sleep_for(std::chrono::milliseconds(250)); }

} // namespace

KXC_COMMAND(log, kUsage, "print the records of a log file") {
  Options o;
  if (int rc = parse(args, o)) return rc;
  const std::string path = o.file.empty() ? log_path(nullptr, "r") : o.file;
  LogReader reader;
  if (!reader.open(path)) {
    std::fprintf(stderr, "kxc log: cannot open '%s': %s\n", path.c_str(), std::strerror(errno));
    return 1;
  }
  static char outbuf[1 << 20];
  std::setvbuf(stdout, outbuf, _IOFBF, sizeof outbuf);

  LogStream *self = nullptr;
  LogStream stream([&](const log_shown &s) {
    const std::string line = o.json ? json_line(s, self->hosts()) : log_line(s, self->hosts());
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
  });
  self = &stream;
  stream.set_filter(o.origin, o.from, o.to);
  // Records are printed in file order: one whose filter is not announced
  // before it is shown without fields rather than held back.
  stream.set_queueing(false);

  long recnum = log_readstream(reader, stream, 0);
  while (o.follow) {
    std::fflush(stdout);
    wait_a_little();
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && st.st_ino == reader.inode() && st.st_size < reader.offset()) {
      reader.seek(0); // cut short in place: read it again from the start
      recnum = 0;
    }
    // The log was rotated: go on with the new file. JSON lines stay JSON.
    const int switched = o.json ? rotate_quietly(reader, path) : log_again(reader, path);
    if (switched == 1) recnum = 0;
    recnum = log_readstream(reader, stream, recnum);
  }
  std::fflush(stdout);
  return 0;
}
