// The NFLOG messages of the module's ruleset: reading one, and a listener
// that hands each message of a group to a handler on its own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct nflog_handle;
struct nflog_g_handle;

namespace kxnft {

// One message as the kernel gives it.
struct NflogMessage {
  std::string prefix;
  std::string indev, outdev; // interface names, empty when none
  uint32_t time = 0;         // seconds since 1970
  std::vector<uint8_t> payload; // the packet from its IP header on
};

// What a message of our ruleset says: its prefix "kx RULE FORMAT ACTION
// ALERT DIR" and the packet's addresses and ports (host order).
struct LoggedPacket {
  int rule = 0;
  std::string format, action, alert; // alert "-" when none
  bool inbound = true;
  std::string ifname; // where it came in (inbound) or goes out
  uint32_t src = 0, dst = 0;
  int proto = 0, sport = 0, dport = 0, length = 0;
  int icmp_type = -1;
};

// Nothing for a message that is not ours or whose packet is not IPv4.
std::optional<LoggedPacket> read_logged(const NflogMessage &m);

class NflogListener {
public:
  using Handler = std::function<void(const NflogMessage &)>;
  NflogListener() = default;
  ~NflogListener();
  NflogListener(const NflogListener &) = delete;
  NflogListener &operator=(const NflogListener &) = delete;

  // Binds the NFLOG group and starts the thread; false with `err` set.
  bool start(int group, Handler handler, std::string &err);
  void stop();

private:
  void run();
  nflog_handle *h_ = nullptr;
  nflog_g_handle *gh_ = nullptr;
  Handler handler_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

} // namespace kxnft
