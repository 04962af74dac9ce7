// Client side of the management protocol: one function per daemon command,
// each on its own connection to the module's kxd.
#pragma once

#include "kxsys/commands.h"
#include "kxsys/records.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kxsys {

// Port of the modules' daemons (256; tests and demo modules use others).
extern int kx_mgmt_port;
inline constexpr int KX_CONNECT_SECONDS = 25;

// Sends the command word and the in-arguments after the daemon accepted the
// command and the authentication passed; -1 with kxd_errno -1 or -5 else.
int al_call(int fd, uint32_t word, const AlValues &in);

// One whole exchange: connect, al_call, read the reply, send the end word,
// close. nullopt on any failure, after printing `abort` (with "%s" the host)
// for protocol errors.
std::optional<AlValues> kx_exchange(const std::string &host, uint32_t word, const AlValues &in, const char *abort);

int kx_rstat(std::vector<kxinfo_t> &out, const std::string &host, int count);
int kx_resc(const std::array<uint8_t, 20> &block, const std::string &host);
int kx_rstat_tab(const std::string &host, const std::string &table_name, kxtab_t &table);
int kx_rget_tab_name(const std::string &host, std::vector<std::string> &names);
std::optional<kxlogdom_t> kx_rget_logdom(const std::string &host);
// 0 success, 1 failure.
int kx_rdbdownload(const std::string &host, const kxloaddb_t &database);
// Sends the file set saved in statedir for the host; 0 success, 1 failure.
int kx_rdownloadx(const std::string &filter, const std::string &host, const std::vector<std::string> &targets,
                  const std::string &statedir);
// The exchange of kx_rdownloadx for a file set the caller has (0 success,
// 1 failure), without the console line: for loading several modules at
// once, each in a thread of its own.
int kx_rdownload_files(const std::string &host, kxloadx_t files);
int kx_runloadx(const std::string &host, const std::vector<std::string> &targets);
// Asks the management host for the file set of this machine's policy
// (sending these addresses); return code, or -1.
int kx_rfetchx(const std::string &host, const std::vector<uint32_t> &addresses, std::optional<kxloadx_t> &files);

// The console line of load and unload ("\nLoading NAME on T@HOST\n").
std::string kx_console_line(const std::string &words, const std::string &host,
                            const std::vector<std::string> &targets);

} // namespace kxsys
