// The decision model of a rule base on one install target: every rule that
// the target enforces, in script order with the implied rules of the global
// properties in their places, each reduced to three ranges of packet values
// (source address, destination address, service) computed from the
// compiler's cell forms, so a packet matches a rule here exactly when it
// meets the rule's conditions in the generated script or router list.
//
// Service values: a packet's service is one 64-bit key, the protocol in the
// upper half and the port in the lower: tcp and udp by destination port,
// icmp by type, rpc services by program number under a protocol of their
// own, and each "other" service (a script expression) as a protocol of its
// own with its only value 0. So a cell of services is a set of key ranges,
// and Any is every key.
#pragma once

#include "kxui/analysis/intervals.h"
#include "kxui/compiler/check.h"

#include "kxset/kxset.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kxan {

inline constexpr uint64_t kAddrMax = 0xffffffffu;
inline constexpr uint64_t kServiceMax = UINT64_MAX;
inline constexpr uint64_t kProtoIcmp = 1, kProtoTcp = 6, kProtoUdp = 17;
inline constexpr uint64_t kProtoRpc = 0x100;   // rpc program numbers
inline constexpr uint64_t kProtoOther = 0x200; // first protocol of "other" services

inline uint64_t service_key(uint64_t proto, uint64_t port) { return proto << 32 | (port & 0xffffffffu); }
inline uint64_t key_proto(uint64_t key) { return key >> 32; }
inline uint64_t key_port(uint64_t key) { return key & 0xffffffffu; }

// Where a rule is enforced: a firewalled object (the filter script) or a
// router (its access lists).
struct Target {
  std::string name;
  bool router = false;
  const kxset *obj = nullptr;
};

// The rule cells a packet is matched against, in the order they are tried.
enum class Cell { install, src, dst, services };
const char *cell_name(Cell c);

struct RuleModel {
  int number = 0;           // 1-based position in the rule base; 0 for implied
  std::string implied;      // an implied rule: the script word ("accept_icmp")
  std::string note;         // why an implied rule never decides a new connection
  const kxset *rule = nullptr;
  bool enforced = true;     // the install cell reaches the target
  std::string action, track, direction;
  IntervalSet src, dst, svc;
  bool src_domains = false, dst_domains = false; // cells naming domains
  // The first cell that a packet fails, or nothing when it matches.
  std::optional<Cell> miss(uint32_t src, uint32_t dst, uint64_t svc) const;
};

// A rule base's decisions on one target.
struct Policy {
  Target target;
  // Every rule of the rule base (those not enforced on the target carry only
  // their number) and the implied rules, in script order.
  std::vector<RuleModel> rules;
};

// Maps the services of a universe to keys; "other" services get protocols
// of their own, numbered by name (case ignored) in order of first use.
class ServiceKeys {
public:
  ServiceKeys();
  ~ServiceKeys();
  ServiceKeys(const ServiceKeys &) = delete;
  ServiceKeys &operator=(const ServiceKeys &) = delete;
  // The keys a service object stands for (empty when it has none).
  IntervalSet of(const kxset *service);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Every install target of the rules: firewalled objects and routers, in
// order of first appearance.
std::vector<Target> install_targets(const rule_array &rules);

// Builds the model of `rules` on `target`. The objects must not change while
// it is used (it keeps pointers to the rules).
class PolicyBuilder {
public:
  // Services are keyed through `keys` when given (so that two builders agree
  // on the protocols of "other" services), else through keys of its own.
  explicit PolicyBuilder(ServiceKeys *keys = nullptr);
  ~PolicyBuilder();
  PolicyBuilder(const PolicyBuilder &) = delete;
  PolicyBuilder &operator=(const PolicyBuilder &) = delete;
  Policy build(const rule_array &rules, const Target &target);
  ServiceKeys &services();

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The rule's install cell reaches the target.
bool rule_enforced_on(const kxset *rule, const Target &target);

// Name of the first member of a rule's cell ("" when none).
std::string cell_first_name(const kxset *rule, const char *cell);

} // namespace kxan
