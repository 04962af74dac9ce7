// Record traps: a packet filter message whose data begins with the word
// "PART" asks the collector to do something instead of logging. Word 1 is
// the number n of argument words (words 2 to n+1); word n+2 shifted right by
// 12 bits is the trap code; the words after it, up to the message's last
// word, are a data block.
//
//   257, 258  (6 arguments)  the authentication service's entry points
//   272       (1 argument)   port-map check of an address (the resolver)
//   358       (2 arguments)  debug tunnel: the data block as one UDP
//                            datagram to (address, port), from local port 7201
#pragma once

#include <cstddef>
#include <cstdint>

namespace kxlogd {

class DomainResolver;

inline constexpr uint32_t LOG_TRAP_WORD = 0x50415254; // "PART"

bool log_istrap(const uint32_t *words, size_t nwords);

class LogTraps {
public:
  explicit LogTraps(DomainResolver *resolver) : resolver_(resolver) {}
  ~LogTraps();
  LogTraps(const LogTraps &) = delete;
  LogTraps &operator=(const LogTraps &) = delete;

  int tunnel_port = 7201; // negative: the debug tunnel sends nothing

  // Runs the trap the words carry: 1 when a trap ran, 0 when its code is
  // unknown or it has too few words, -1 when the words are not a trap.
  int log_trap(const uint32_t *words, size_t nwords);
  int tunnel_sent() const { return sent_; }

private:
  void debug_tunnel(uint32_t address, uint32_t port, const uint32_t *block, size_t nblock);

  DomainResolver *resolver_;
  int tunnel_fd_ = -1;
  int backlog_ = 0; // raised per call, lowered per datagram sent
  int sent_ = 0;
};

} // namespace kxlogd
