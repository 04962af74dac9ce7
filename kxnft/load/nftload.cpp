#include "nftload.h"

#include "nftbatch.h"

#include <mutex>
#include <nftables/libnftables.h>
#include <sstream>
#include <dirent.h>
#include <sys/stat.h>

namespace kxnft {

namespace {
std::mutex nft_lock; // one transaction at a time

NftRun run_locked(const std::string &commands, bool dry_run) {
  NftRun r;
  nft_ctx *ctx = nft_ctx_new(NFT_CTX_DEFAULT);
  if (!ctx) {
    r.err = "cannot open nftables";
    return r;
  }
  nft_ctx_buffer_output(ctx);
  nft_ctx_buffer_error(ctx);
  nft_ctx_set_dry_run(ctx, dry_run);
  r.ok = nft_run_cmd_from_buffer(ctx, commands.c_str()) == 0;
  if (const char *o = nft_ctx_get_output_buffer(ctx))
    r.out = o;
  if (const char *e = nft_ctx_get_error_buffer(ctx))
    r.err = e;
  nft_ctx_free(ctx);
  return r;
}
} // namespace

NftRun nft_run(const std::string &commands, bool dry_run) {
  std::lock_guard g(nft_lock);
  return run_locked(commands, dry_run);
}

NftRun nft_replace(const std::string &ruleset) {
  std::lock_guard g(nft_lock);
  // Our own messages when the reader knows every statement; refused, or
  // not known, the ruleset goes through nft's reading, which says why.
  std::vector<char> batch;
  std::string why;
  bool exists = false;
  if (table_in_force(exists, why) && replace_batch(ruleset, exists, batch, why) && send_batch(batch, why))
    return NftRun{true, "", "", true};
  return run_locked("table inet kx\ndelete table inet kx\n" + ruleset, false);
}

NftRun nft_remove() { return nft_run("table inet kx\ndelete table inet kx\n"); }

std::map<std::string, CounterValue> parse_counters(const std::string &listing) {
  std::map<std::string, CounterValue> out;
  std::istringstream in(listing);
  std::string word, current;
  while (in >> word) {
    if (word == "counter" && in >> word && word != "name") {
      current = word;
      out[current];
    } else if (word == "packets" && !current.empty()) {
      in >> out[current].packets;
    } else if (word == "bytes" && !current.empty()) {
      in >> out[current].bytes;
      current.clear();
    }
  }
  return out;
}

std::map<std::string, CounterValue> nft_counters() {
  NftRun r = nft_run("list counters table inet kx");
  if (!r.ok)
    return {};
  return parse_counters(r.out);
}

FilterCounts summarize(const std::map<std::string, CounterValue> &counters) {
  FilterCounts f;
  for (const auto &[name, v] : counters) {
    size_t us = name.find('_');
    std::string action = name.substr(0, us);
    if (action == "accept")
      f.accepted += v.packets;
    else if (action == "reject")
      f.rejected += v.packets;
    else if (action == "drop")
      f.dropped += v.packets;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, "_log") == 0)
      f.logged += v.packets;
    if (us != std::string::npos && name.compare(us, 2, "_r") == 0) {
      int rule = atoi(name.c_str() + us + 2);
      f.per_rule[rule] += v.packets;
    }
  }
  return f;
}

bool in_initial_netns() {
  struct stat self {}, other {};
  if (stat("/proc/self/ns/net", &self) != 0)
    return true;
  if (stat("/proc/1/ns/net", &other) == 0)
    return self.st_ino == other.st_ino && self.st_dev == other.st_dev;
  // Process 1 is out of sight (a container): a namespace of its own is one
  // that ip netns made and named.
  for (const char *dir : {"/run/netns", "/var/run/netns"}) {
    DIR *d = opendir(dir);
    if (!d)
      continue;
    bool named = false;
    while (dirent *e = readdir(d)) {
      std::string path = std::string(dir) + "/" + e->d_name;
      if (e->d_name[0] != '.' && stat(path.c_str(), &other) == 0 && other.st_ino == self.st_ino &&
          other.st_dev == self.st_dev)
        named = true;
    }
    closedir(d);
    if (named)
      return false;
  }
  return true;
}

} // namespace kxnft
