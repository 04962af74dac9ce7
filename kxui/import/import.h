// The import of hosts, networks and netgroups into the network objects:
// what each table entry would become (a new object, one already there, or a
// clash with an object of the same name or the same address), the
// administrator's choice per clash, and applying all of it as one edit of
// the undo stack.
//
// The choices:
//   add      a new object (also: beside an object that has the same address)
//   skip     leave a new entry out
//   keep     leave the existing object as it is and the entry out
//   replace  the existing object takes the entry's address and mask (a
//            netgroup: its members); found by address, it takes the entry's
//            name. Everything else of the object stays, and rules and groups
//            that name it keep naming it
//   merge    kxobj_merge of the new object into the existing one: what it
//            lacks is added, values that disagree stay
//   rename   the entry becomes a new object under another name
#pragma once

#include "kxui/editor/naming.h"
#include "kxui/import/import_read.h"
#include "kxset/kxset.h"

#include <optional>
#include <string>
#include <vector>

enum class ImportClash {
  none,      // new
  same,      // an object of that name with that address (and mask, or members) is there
  name,      // an object of that name with another address, mask or members
  address,   // an object of that address (and mask) under another name
  both,      // one object has the name, another the address
  elsewhere, // the name is held by an object of another kind, a service or a user
};
enum class ImportChoice { add, skip, keep, replace, merge, rename };

const char *import_choice_name(ImportChoice c); // "Add", "Skip", ...
const char *import_clash_name(ImportClash c);   // "new", "unchanged", "same name", ...

struct ImportItem {
  ImportEntry entry;
  ImportClash clash = ImportClash::none;
  KxSetRef by_name;    // the network object of that name
  KxSetRef by_address; // the network object of that address, named otherwise
  std::string holder;  // elsewhere: what holds the name ("smtp (tcp)")
  ImportChoice choice = ImportChoice::add;
  std::string new_name; // rename

  // The choices this item offers, the first being the default.
  std::vector<ImportChoice> choices() const;
  // One line for the administrator: what is there and how it differs.
  std::string describe() const;
};

struct ImportPlan {
  std::vector<ImportItem> items;
  std::vector<std::string> messages;
  size_t more_messages = 0;
  size_t count(ImportClash c) const;
};

// Where the tables are read from and what new objects get besides their
// name, type and address: "lib/import.C" of the installation when there,
//   (import :hosts (/etc/hosts) :networks (/etc/networks) :netgroup (/etc/netgroup)
//           :host (:location (internal) ...) :network (...) :group (...))
// else these built-in values.
struct ImportSetup {
  std::string hosts = "/etc/hosts", networks = "/etc/networks", netgroup = "/etc/netgroup";
  KxSetRef host, network, group; // attribute templates (null: none)
};
ImportSetup import_setup();

// Sorts the entries into items against the network objects (`netobj`) and
// the other namespaces. An entry whose name came earlier in the tables is
// left out with a message.
ImportPlan import_plan(const ImportRead &read, const kxset *netobj, const UserNames &users = {});

struct ImportResult {
  std::optional<std::string> refused; // nothing was changed
  int added = 0, replaced = 0, merged = 0, renamed = 0, kept = 0;
  std::vector<std::string> messages;  // members left out of groups
};

// Checks every choice (a rename needs a free object name), then applies the
// plan to `netobj` as one edit labelled "Import". Nothing is recorded when
// nothing changes.
ImportResult import_apply(const ImportPlan &plan, kxset *netobj, const ImportSetup &setup,
                          const UserNames &users = {});
