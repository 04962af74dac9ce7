// A module that enforces: the loaded filter's ruleset in nftables, its
// counters, and its NFLOG messages as log messages to the module's log
// collector (its socket "log/kxlog.sock"), or, while none runs, as records
// in the module's log file "log/kx.log".
#pragma once

#include "kxd_counters.h"
#include "kxlog/logwrite.h"
#include "kxnft/load/nflog.h"
#include "kxnft/load/nftload.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kxd {

struct LoadedFilter;

// Its counters are the module's totals, reported on the first interface's
// inbound record (the ruleset counts per rule, not per interface).
class Enforcer final : public CounterProvider {
public:
  explicit Enforcer(std::string module_dir, int nflog_group = 1);
  ~Enforcer() override;

  // Starts the NFLOG listener; false with `why`.
  bool start(const std::vector<std::string> &interfaces, std::string &why);
  // Puts the filter's code (the ruleset) in force in one transaction; when
  // nftables refuses it, the previous filter stays and `why` says why.
  bool load(const LoadedFilter &filter, std::string &why);
  // Takes our table away (no other table is touched).
  bool unload(std::string &why);
  kxnft::FilterCounts counts() const;
  FilterCounters counters(const std::string &ifname, int direction) override;

  // Turns one NFLOG message into a log record (exposed for tests).
  void log_message(const kxnft::NflogMessage &m);

private:
  struct Formats {
    std::map<std::string, std::pair<int, std::vector<std::string>>> formats; // name -> number, labels
    std::map<std::string, int> actions;                                      // action or ![alert] -> number
  };
  static Formats read_formats(const std::string &lg);
  void note_loaded(const LoadedFilter &filter);
  bool to_collector(const kxlogrec &h, const std::vector<uint8_t> &data);
  void to_local_file(const kxlogrec &h, const std::vector<uint8_t> &data);

  std::string dir_;
  std::vector<std::string> interfaces_;
  int group_;
  uint32_t origin_ = 0;
  mutable std::mutex lock_;
  LogWriter log_; // opened when a record finds no collector
  std::vector<uint8_t> info_; // log-info data of the loaded filter
  int collector_ = -1;
  Formats formats_;
  bool loaded_ = false;
  kxnft::NflogListener listener_;
};

} // namespace kxd
