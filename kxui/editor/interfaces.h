// The "Network Interfaces" table of the host, gateway and router windows:
// one row per interface entry ("if-%d" sets with an `ifname`), edited as
// text and written back so that the compiler's anti-spoofing reads what the
// table showed.
//
// Valid addresses: a setting of the setup's "ifmenu" ("Open": no check,
// "This Net": the interface's own network, "Others": the addresses behind
// no other interface) or the name of a network object. Spoof track: "No Log"
// or a track of the setup's "iflogmenu".
#pragma once

#include "kxset/kxset.h"

#include <optional>
#include <string>
#include <vector>

struct IfEntry {
  std::string name, ipaddr, netmask, ifnum, valid, spoof;
  int source = -1; // which entry (0, 1, ... in the object's order) it was read from; -1: new
  bool operator==(const IfEntry &) const = default;
};

// The fixed choices of the "Valid Addresses" and "Spoof Track" columns (the
// network objects and the tracks are offered besides).
std::vector<std::string> if_valid_labels();
std::vector<std::string> if_spoof_labels();

std::vector<IfEntry> if_read(const kxset *obj);

// The first row the table refuses, as a message naming it: an empty or
// repeated name, an address or mask that is not a dotted quad (a mask must
// be contiguous), a router's interface number that is not decimal, a valid
// address object or track that does not exist.
std::optional<std::string> if_check(const std::vector<IfEntry> &rows, bool router);

// Replaces the interface entries of `obj` by `rows` (call if_check first).
// A row read from an entry keeps that entry's other attributes and only its
// changed fields are written; the entries are renumbered if-0, if-1, ...
// Nothing changes when the rows are those if_read gives.
void if_write(kxset *obj, const std::vector<IfEntry> &rows);
