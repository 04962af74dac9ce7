#include "nflog.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>

extern "C" {
#include <libnetfilter_log/libnetfilter_log.h>
}

namespace kxnft {

std::optional<LoggedPacket> read_logged(const NflogMessage &m) {
  std::istringstream in(m.prefix);
  std::string kx, dir;
  LoggedPacket p;
  if (!(in >> kx >> p.rule >> p.format >> p.action >> p.alert >> dir) || kx != "kx" || p.rule < 0 ||
      (dir != "in" && dir != "out"))
    return std::nullopt;
  p.inbound = dir == "in";
  p.ifname = p.inbound ? m.indev : m.outdev;
  const std::vector<uint8_t> &b = m.payload;
  if (b.size() < 20 || (b[0] >> 4) != 4)
    return std::nullopt;
  size_t ihl = size_t(b[0] & 15) * 4;
  if (ihl < 20 || ihl > b.size())
    return std::nullopt;
  auto be16 = [&](size_t at) { return int(b[at]) << 8 | b[at + 1]; };
  auto be32 = [&](size_t at) { return uint32_t(be16(at)) << 16 | uint32_t(be16(at + 2)); };
  p.length = be16(2);
  p.proto = b[9];
  p.src = be32(12);
  p.dst = be32(16);
  bool first_fragment = (be16(6) & 0x1fff) == 0;
  if (first_fragment && (p.proto == 6 || p.proto == 17) && b.size() >= ihl + 4) {
    p.sport = be16(ihl);
    p.dport = be16(ihl + 2);
  } else if (first_fragment && p.proto == 1 && b.size() >= ihl + 1) {
    p.icmp_type = b[ihl];
  }
  return p;
}

namespace {
std::string ifname_of(uint32_t index) {
  char buf[IF_NAMESIZE] = {};
  return index && if_indextoname(index, buf) ? std::string(buf) : std::string();
}

int on_message(nflog_g_handle *, nfgenmsg *, nflog_data *nfd, void *data) {
  NflogMessage m;
  if (const char *prefix = nflog_get_prefix(nfd))
    m.prefix = prefix;
  m.indev = ifname_of(nflog_get_indev(nfd));
  m.outdev = ifname_of(nflog_get_outdev(nfd));
  timeval tv{};
  m.time = nflog_get_timestamp(nfd, &tv) == 0 ? uint32_t(tv.tv_sec) : uint32_t(time(nullptr));
  char *payload = nullptr;
  int n = nflog_get_payload(nfd, &payload);
  if (n > 0 && payload)
    m.payload.assign(payload, payload + n);
  (*static_cast<NflogListener::Handler *>(data))(m);
  return 0;
}
} // namespace

NflogListener::~NflogListener() { stop(); }

bool NflogListener::start(int group, Handler handler, std::string &err) {
  handler_ = std::move(handler);
  h_ = nflog_open();
  if (!h_) {
    err = std::string("cannot open NFLOG: ") + strerror(errno);
    return false;
  }
  nflog_bind_pf(h_, AF_INET); // a no-op on current kernels, needed on old ones
  gh_ = nflog_bind_group(h_, uint16_t(group));
  if (!gh_ || nflog_set_mode(gh_, NFULNL_COPY_PACKET, 128) < 0) {
    err = "cannot bind NFLOG group " + std::to_string(group) + ": " + strerror(errno);
    stop();
    return false;
  }
  // Each message at once, not batched for up to a second.
  nflog_set_qthresh(gh_, 1);
  nflog_set_timeout(gh_, 0);
  nflog_callback_register(gh_, on_message, &handler_);
  stop_ = false;
  thread_ = std::thread([this] { run(); });
  return true;
}

void NflogListener::run() {
  int fd = nflog_fd(h_);
  std::vector<char> buf(65536);
  while (!stop_) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 200) <= 0)
      continue;
    ssize_t n = recv(fd, buf.data(), buf.size(), MSG_DONTWAIT);
    if (n > 0)
      nflog_handle_packet(h_, buf.data(), int(n));
  }
}

void NflogListener::stop() {
  stop_ = true;
  if (thread_.joinable())
    thread_.join();
  if (gh_)
    nflog_unbind_group(gh_);
  gh_ = nullptr;
  if (h_)
    nflog_close(h_);
  h_ = nullptr;
}

} // namespace kxnft
