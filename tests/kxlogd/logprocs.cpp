#include "logprocs.h"

#include "kxlog/logprint.h"
#include "kxlog/logread.h"
#include "kxlog/logstream.h"
#include "logconnect.h"
#include "support/tempdir.h"

#include <filesystem>
#include <fstream>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

namespace kxtest {

namespace {
// Writes files below a directory that someone else owns.
struct TempDirWriter {
  std::string dir;
  explicit TempDirWriter(std::string d) : dir(std::move(d)) {}
  void write(const std::string &name, const std::string &text) const {
    const std::filesystem::path p = dir + "/" + name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
  }
};

int free_port() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(0x7f000101);
  bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa);
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &len);
  close(fd);
  return ntohs(sa.sin_port);
}
} // namespace

Logd::Logd(const std::vector<std::string> &args, const std::string &errfile,
           const std::string &ready) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, out[1], 1);
  posix_spawn_file_actions_addopen(&fa, 2, errfile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  std::vector<char *> argv{const_cast<char *>(KXLOGD_PATH)};
  for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  const int rc = posix_spawn(&pid_, KXLOGD_PATH, &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  close(out[1]);
  if (rc != 0) {
    pid_ = -1;
    close(out[0]);
    return;
  }
  std::string text;
  pollfd pf{out[0], POLLIN, 0};
  while (text.find(ready) == std::string::npos && poll(&pf, 1, 10000) > 0) {
    char buf[256];
    const ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    text.append(buf, size_t(n));
  }
  close(out[0]);
  if (text.find(ready) == std::string::npos) {
    stop(SIGKILL);
    return;
  }
  const size_t at = text.find(" port ");
  if (at != std::string::npos) port_ = atoi(text.c_str() + at + 6);
}

Logd &Logd::operator=(Logd &&o) noexcept {
  if (this != &o) {
    stop();
    pid_ = o.pid_;
    port_ = o.port_;
    o.pid_ = -1;
  }
  return *this;
}

int Logd::stop(int sig) {
  if (pid_ <= 0) return -1;
  kill(pid_, sig);
  int status = 0;
  for (int i = 0; i < 500 && waitpid(pid_, &status, WNOHANG) == 0; ++i) usleep(10000);
  if (waitpid(pid_, &status, WNOHANG) == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Logd::~Logd() { stop(); }

Logd start_log_server(const std::string &logfile, const std::string &confdir,
                      const std::string &errfile, const std::vector<std::string> &extra) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::vector<std::string> args{"-s", "-a", "127.0.1.1", "-p", std::to_string(free_port()),
                                  "-f", logfile, "-c", confdir};
    args.insert(args.end(), extra.begin(), extra.end());
    Logd d(args, errfile);
    if (d.ok()) return d;
  }
  return Logd();
}

const char kTestFormats[] = "# log formats of test\n"
                            "%%format: conn 1\n"
                            "src ipaddr\n"
                            "dst ipaddr\n"
                            "service port\n"
                            "proto proto\n"
                            "s_port int\n"
                            "rule int\n"
                            "%%action: drop 0\n"
                            "%%action: reject 1\n"
                            "%%action: accept 2\n"
                            "%%action: ![mailme]mail 3\n";

kxid_t test_filter_id(uint32_t n) { return kxid_t::make("Test", 1796889600, 0x7f000001, n); }

TestRecord info_record(uint32_t origin, uint8_t fid, const kxid_t &id) {
  TestRecord r;
  r.header.origin = origin;
  r.header.time = uint32_t(time(nullptr));
  r.header.format = LOG_FMT_INFO;
  r.header.fid = fid;
  r.data = kxlogdom2x(kxlogdom{id, kTestFormats, ""});
  return r;
}

TestRecord iflist_record(uint32_t origin) {
  TestRecord r;
  r.header.type = LOG_TYPE_IFNAME;
  r.header.origin = origin;
  r.header.time = uint32_t(time(nullptr));
  r.data = kxif_list2x({{"eth0", 0}, {"eth1", 1}});
  return r;
}

TestRecord conn_record(uint32_t origin, uint8_t fid, uint32_t seq, uint32_t action_word) {
  TestRecord r;
  r.header.origin = origin;
  r.header.time = uint32_t(time(nullptr));
  r.header.format = 1;
  r.header.fid = fid;
  r.header.set_action_if(LOG_ACT_ACCEPT, 1);
  const uint32_t words[] = {0xC6336401, 0xCB007101, 80, 6, seq >> 16, seq & 0xffff, action_word};
  r.data.resize(sizeof words);
  for (size_t i = 0; i < std::size(words); ++i) put_be32(&r.data[4 * i], words[i]);
  return r;
}

std::vector<uint8_t> wire(const TestRecord &r) {
  std::vector<uint8_t> out(LOG_HEADER_SIZE + r.data.size());
  kxlogrec h = r.header;
  h.length = uint16_t(r.data.size());
  kxlogrec2x(h, out.data());
  std::copy(r.data.begin(), r.data.end(), out.begin() + LOG_HEADER_SIZE);
  return out;
}

std::vector<std::string> log_lines(const std::string &path) {
  std::vector<std::string> lines;
  LogStream *self = nullptr;
  LogStream stream([&](const log_shown &s) { lines.push_back(log_line(s, self->hosts())); });
  self = &stream;
  LogReader reader;
  if (!reader.open(path)) return lines;
  kxlogrec h;
  std::vector<uint8_t> data;
  long n = 0;
  while (reader.get(h, data) >= 0) stream.feed(h, data.data(), data.size(), n++);
  stream.finish();
  return lines;
}

int log_client(int port, bool acks) {
  std::string why;
  return kxlogd::log_connect_server("127.0.1.1", port, 5, acks, why, 0x7f000101);
}

bool send_all(int fd, const std::vector<uint8_t> &bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t w = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{fd, POLLOUT, 0};
      poll(&p, 1, 1000);
      continue;
    }
    if (w <= 0) return false;
    done += size_t(w);
  }
  return true;
}

std::vector<uint8_t> read_for(int fd, int ms) {
  std::vector<uint8_t> got;
  for (int waited = 0; waited < ms; waited += 20) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    uint8_t buf[4096];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

} // namespace kxtest

namespace kxtest {

void make_module(const std::string &dir) {
  TempDirWriter w(dir);
  w.write("interfaces", "eth0\neth1\n");
  w.write("state/local.lg", kTestFormats);
  w.write("state/local.fc", "# filter code of Test\n");
  w.write("state/local.ft", "# tables of Test\n");
  w.write("state/local.ifs", "Test\nall\n");
  w.write("log/.keep", "");
}

std::vector<uint8_t> message_bytes(const std::vector<uint32_t> &words, uint8_t format,
                                   uint8_t actif, uint8_t direction, uint8_t fid) {
  std::vector<uint8_t> msg(words.size() * 4);
  for (size_t i = 0; i < words.size(); ++i) put_be32(&msg[4 * i], words[i]);
  msg.insert(msg.end(), {format, actif, direction, fid});
  return msg;
}

std::vector<uint8_t> conn_message(uint32_t seq, uint32_t action_word) {
  return message_bytes({0xC6336401, 0xCB007101, 80, 6, seq >> 16, seq & 0xffff, action_word}, 1,
                       LOG_ACT_ACCEPT << 6 | 1, 0, 1);
}

bool send_datagram(const std::string &socket_path, const std::vector<uint8_t> &bytes) {
  static int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  if (socket_path.size() >= sizeof sa.sun_path) return false;
  std::copy(socket_path.begin(), socket_path.end(), sa.sun_path);
  for (int i = 0; i < 500; ++i) {
    if (sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr *>(&sa), sizeof sa) ==
        ssize_t(bytes.size()))
      return true;
    usleep(10000); // the collector is not there (yet)
  }
  return false;
}

bool send_message(const std::string &socket_path, const std::vector<uint32_t> &words,
                  uint8_t format, uint8_t actif, uint8_t direction, uint8_t fid) {
  return send_datagram(socket_path, message_bytes(words, format, actif, direction, fid));
}

bool send_conn(const std::string &socket_path, uint32_t seq, uint32_t action_word) {
  return send_datagram(socket_path, conn_message(seq, action_word));
}

std::vector<SeqRecord> seq_records(const std::string &path) {
  std::vector<SeqRecord> out;
  LogReader reader;
  if (!reader.open(path)) return out;
  kxlogrec h;
  std::vector<uint8_t> data;
  while (reader.get(h, data) >= 0)
    if (h.type == LOG_TYPE_LOG && h.format == 1 && data.size() >= 24)
      out.push_back({h.origin, be32(&data[16]) << 16 | be32(&data[20])});
  return out;
}

} // namespace kxtest
