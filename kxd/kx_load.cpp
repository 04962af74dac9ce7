// kx load: the filter script is read and compiled once, and each distinct
// module identity gets its ruleset made once. Modules that get the same
// ruleset have their states saved in one go and their file sets sent side
// by side, each in a thread, while the next ruleset is made. The console
// shows each module's lines in the order the modules were given.
#include "kx_commands.h"
#include "kx_compile.h"

#include "kxnft/compile.h"

#include "kxsys/conn.h"
#include "kxsys/errors.h"
#include "kxsys/kxrif.h"
#include "kxsys/kxstate.h"
#include "kxu/file_buffer.h"
#include "kxu/heap.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace kx {

using namespace kxsys;

namespace {
// A module whose file set is on its way.
struct Send {
  std::string host;
  std::vector<std::string> specs;
  int status = 1;
  int kxd_error = 0, sys_error = 0; // kxd_errno and errno where it failed
  std::thread thread;
};

// A compiled file in the tmp directory. Scratch: it lives until the load
// ends, and the state families that keep it (hard links) sync it first.
bool write_compiled(const std::string &path, const std::string &text) {
  if (kx_write_scratch(path, text.data(), text.size()))
    return true;
  fprintf(stderr, "kx: cannot write %s\n", path.c_str());
  return false;
}
} // namespace

int cmd_load(const Dirs &dirs, const std::string &filter, const std::vector<std::string> &targets) {
  std::string pf = filter;
  if (pf.size() < 3 || pf.compare(pf.size() - 3, 3, ".pf") != 0)
    pf += ".pf";
  if (access(pf.c_str(), R_OK) != 0 && pf.find('/') == std::string::npos)
    pf = dirs.conf + "/" + pf;
  std::string name = pf.substr(pf.rfind('/') + 1);
  name = name.substr(0, name.size() - 3);
  auto file = kxu::FileBuffer::read(pf, size_t(kMaxBuffer));
  if (!file) {
    fprintf(stderr, "kx: cannot read filter script %s\n", pf.c_str());
    return 1;
  }
  // The script read, its rulesets and the file sets sent take about six
  // times the script's size.
  kxu::prefault_heap(std::min(file->text().size() * 6, size_t(128) << 20));
  // One reading of the script gives the tables and log formats and the
  // script the rulesets are made of.
  Compiled tables = compile_script(name, file->text());
  file.reset();
  const kxnft::Script &script = tables.script;
  std::string compiled = dirs.tmp + "/" + name;
  bool tables_written = write_compiled(compiled + ".ft", tables.ft) && write_compiled(compiled + ".lg", tables.lg);
  // The tables go to the disk while the rulesets are made: the state save,
  // which syncs them before any family links them, then finds them there.
  std::jthread tables_syncing;
  if (tables_written) {
    try {
      tables_syncing = std::jthread([&compiled] { kx_sync_files({compiled + ".ft", compiled + ".lg"}); });
    } catch (const std::system_error &) {
    }
  }

  // The filter code is the module's nftables ruleset, made for the objects
  // the module is: modules that are the same objects get the same one.
  // Each run of modules with the same ruleset is saved in one go, sharing
  // the files, and sent while the next run is made.
  std::map<std::set<std::string>, kxnft::Result> rulesets;
  std::vector<std::unique_ptr<Send>> sends;
  std::vector<kx_module_state> run;
  const kxnft::Result *run_code = nullptr;
  int status = 0;
  auto save_and_send = [&] {
    if (run.empty())
      return;
    if (!tables_written || !write_compiled(compiled + ".fc", run_code->ruleset)) {
      status = 1;
      run.clear();
      return;
    }
    kxstate_savefilters(dirs.state, compiled, run);
    for (auto &m : run) {
      if (!m.files) {
        fprintf(stderr, "kx: cannot save the state of %s: %s\n", m.module.c_str(), m.error.c_str());
        status = 1;
        continue;
      }
      auto send = std::make_unique<Send>();
      send->host = m.module;
      send->specs = m.targets;
      send->thread = std::thread([s = send.get(), f = std::move(*m.files)]() mutable {
        errno = 0;
        s->status = kx_rdownload_files(s->host, std::move(f));
        s->kxd_error = kxd_errno;
        s->sys_error = errno;
      });
      sends.push_back(std::move(send));
    }
    run.clear();
  };
  std::vector<kxnft::ModuleName> names;
  for (const auto &target : targets) {
    names.push_back({split_target(target).first, {}});
    uint32_t addr = 0;
    if (kx_resolve(names.back().word, addr))
      names.back().addrs.push_back(htonl(addr));
  }
  std::vector<kxnft::Identity> identities = kxnft::identities_for(script, names);
  for (size_t t = 0; t < targets.size(); ++t) {
    auto [host, specs] = split_target(targets[t]);
    const kxnft::Identity &self = identities[t];
    auto [entry, fresh] = rulesets.try_emplace(self.names);
    if (fresh)
      entry->second = kxnft::compile_ruleset(script, self);
    const kxnft::Result &code = entry->second;
    if (!code.ok) {
      fprintf(stderr, "kx: %s cannot be enforced on %s: %s\n", name.c_str(), host.c_str(), code.error.c_str());
      status = 1;
      continue;
    }
    if (run_code && run_code->ruleset != code.ruleset)
      save_and_send();
    run_code = &code;
    run.push_back({host, specs, std::nullopt, ""});
  }
  save_and_send();
  if (tables_syncing.joinable())
    tables_syncing.join();
  // What the script was read into is kept to the end of the program: kx
  // ends right after a load, and the system takes the memory back at once
  // where freeing it piece by piece would take milliseconds of CPU from the
  // modules' answers.
  static std::optional<Compiled> kept;
  kept = std::move(tables);
  for (auto &s : sends) {
    fputs(kx_console_line("Loading " + name + " on", s->host, s->specs).c_str(), stdout);
    fflush(stdout);
    if (s->thread.joinable())
      s->thread.join();
    if (s->status != 0) {
      kxd_errno = s->kxd_error;
      errno = s->sys_error;
      rerror(0, -1, "failed to load %s on %s", name.c_str(), s->host.c_str());
      status = 1;
    } else {
      printf("%s loaded on %s\n", name.c_str(), s->host.c_str());
      fflush(stdout);
    }
  }
  for (const char *suffix : {"fc", "ft", "lg"})
    unlink((compiled + "." + suffix).c_str());
  return status;
}

} // namespace kx
