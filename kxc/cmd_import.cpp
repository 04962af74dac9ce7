// kxc import: hosts, networks and netgroups from the system's tables into
// the network objects of the installation. Without --apply it prints what
// each entry would become; with --apply it makes the chosen changes and
// saves the objects database.
#include "kxc/command.h"

#include <cstdio>
#include <map>
#include <memory>

#include <unistd.h>

#include "kxc/users_db.h"
#include "kxu/report.h"
#include "kxui/import/import.h"
#include "kxui/obj/tables.h"
#include "kxui/objfile/objects.h"

namespace {

constexpr const char *usage =
    "import [--hosts FILE] [--networks FILE] [--netgroup FILE] [--choose NAME=CHOICE]... [--apply]";

bool parse_choice(const std::string &text, ImportChoice &choice, std::string &new_name) {
  const std::string word = text.substr(0, text.find(':'));
  static const std::map<std::string, ImportChoice> names = {
      {"add", ImportChoice::add},         {"skip", ImportChoice::skip},   {"keep", ImportChoice::keep},
      {"replace", ImportChoice::replace}, {"merge", ImportChoice::merge}, {"rename", ImportChoice::rename}};
  const auto it = names.find(word);
  if (it == names.end()) return false;
  choice = it->second;
  const bool has_name = text.find(':') != std::string::npos;
  if (choice == ImportChoice::rename) {
    if (!has_name) return false;
    new_name = text.substr(text.find(':') + 1);
  } else if (has_name) {
    return false;
  }
  return true;
}

void print_messages(const std::vector<std::string> &messages, size_t more) {
  for (const std::string &m : messages) std::fprintf(stderr, "kxc import: %s\n", m.c_str());
  if (more) std::fprintf(stderr, "kxc import: ... and %zu more\n", more);
}

} // namespace

KXC_COMMAND(import, "import [--hosts FILE] [--networks FILE] [--netgroup FILE] [--choose NAME=CHOICE]... [--apply]",
            "import hosts, networks and netgroups from the system's tables into the network objects") {
  std::map<ImportKind, std::string> files;
  std::map<std::string, std::pair<ImportChoice, std::string>> chosen;
  bool apply = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--hosts" && has_value) files[ImportKind::host] = args[++i];
    else if (a == "--networks" && has_value) files[ImportKind::network] = args[++i];
    else if (a == "--netgroup" && has_value) files[ImportKind::netgroup] = args[++i];
    else if (a == "--apply") apply = true;
    else if (a == "--choose" && has_value) {
      const std::string &c = args[++i];
      const size_t eq = c.find('=');
      ImportChoice choice;
      std::string new_name;
      if (eq == std::string::npos || eq == 0 || !parse_choice(c.substr(eq + 1), choice, new_name))
        return kxc::usage_error(usage);
      chosen[c.substr(0, eq)] = {choice, new_name};
    } else {
      return kxc::usage_error(usage);
    }
  }
  if (load_objects(nullptr)) {
    std::fprintf(stderr, "kxc import: the objects database failed to load\n");
    return 1;
  }
  const ImportSetup setup = import_setup();
  ImportRead read;
  if (files.empty()) {
    // The installation's tables; one that is not there is passed by.
    for (const auto &[kind, path] : {std::pair{ImportKind::host, setup.hosts},
                                     std::pair{ImportKind::network, setup.networks},
                                     std::pair{ImportKind::netgroup, setup.netgroup}})
      if (!path.empty()) import_read_file(kind, path, read);
  } else {
    for (const auto &[kind, path] : files)
      if (!import_read_file(kind, path, read)) {
        print_messages(read.messages, read.more_messages);
        return 1;
      }
  }
  // Names of the user database count as taken, when there is one (it is not
  // made here).
  std::unique_ptr<kxc::UsersDb> db;
  std::vector<KxSetRef> fetched;
  UserNames users;
  if (access((kxa_get_dbname(1) + ".NDB").c_str(), R_OK) == 0) {
    db = std::make_unique<kxc::UsersDb>();
    if (*db)
      users.find = [&fetched](const std::string &name) -> kxset * {
        kxset *found = kxa_fetchuser(name);
        if (!found) found = kxa_fetchgroup(name);
        if (found) fetched.emplace_back(found);
        return found;
      };
  }
  ImportPlan plan = import_plan(read, kx_netobj, users);
  for (ImportItem &item : plan.items) {
    const auto it = chosen.find(item.entry.name);
    if (it == chosen.end()) continue;
    item.choice = it->second.first;
    item.new_name = it->second.second;
    chosen.erase(it);
  }
  print_messages(plan.messages, plan.more_messages);
  for (const auto &[name, c] : chosen) {
    std::fprintf(stderr, "kxc import: %s is no entry of the tables\n", name.c_str());
    return 1;
  }
  for (const ImportItem &item : plan.items) {
    std::string line = std::string(import_choice_name(item.choice)) + "\t" + item.entry.name + "\t" + item.describe();
    if (item.choice == ImportChoice::rename) line += " (as " + item.new_name + ")";
    if (item.choices().size() > 1 && item.clash != ImportClash::none) {
      line += " [";
      for (ImportChoice c : item.choices()) line += std::string(c == item.choices().front() ? "" : " ") + import_choice_name(c);
      line += "]";
    }
    std::printf("%s\n", line.c_str());
  }
  if (!apply) return 0;
  const ImportResult r = import_apply(plan, kx_netobj, setup, users);
  if (r.refused) {
    std::fprintf(stderr, "kxc import: %s\n", r.refused->c_str());
    return 1;
  }
  print_messages(r.messages, 0);
  std::printf("imported: %d added, %d renamed, %d replaced, %d merged, %d kept\n", r.added, r.renamed, r.replaced,
              r.merged, r.kept);
  if (r.added + r.renamed + r.replaced + r.merged == 0) return 0;
  if (save_objects(nullptr) != 0) return 1; // the reason is reported
  return 0;
}
