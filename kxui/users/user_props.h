// The "User Properties" window without a toolkit: the values its pages show
// for a user or template of the user database, the S/Key chain it generates
// and saves, and "Apply", which checks everything (asking where the
// administrator may go on anyway) before it writes one record through kxa_.
//
// Messages and questions go through error() and kx_ask(), so a window shows
// them as notices and the tests collect them.
#pragma once

#include "kxset/kxset.h"
#include "kxui/users/user_attrs.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The schemes of "Scheme:" and the page each one shows (null for a scheme
// outside the four).
const std::vector<std::string> &user_schemes();
const char *user_scheme_page(const std::string &scheme);
// The days of "Active Days & Hours", as stored under `days` (one leaf each).
const std::vector<std::string> &user_day_names();

// What the window shows, one member per control. `secret` is the S/Key
// secret the chain is generated from; it is never stored.
struct UserValues {
  std::string name, comments, color, expiration_date, fromhour, tohour;
  std::vector<std::string> groups, sources, destinations, days;
  std::string auth_method;
  std::string skey_seed, skey_number, skey_passwd, skey_gateway, secret;
  bool operator==(const UserValues &) const = default;
};

// The values of a record; a missing property shows the window's initial
// text (00:00, 23:59, "Undefined", every day). A missing or empty expiration
// date means the user never expires: a date in the past as the initial text
// would lock every new user out.
UserValues user_values(const kxset *user);

// A new user starts from a template: every property of the template but its
// type and its own S/Key seed and password (those belong to one user).
void user_from_template(kxset *user, const kxset *templ);

// The look-ups "Apply" needs from outside the user database.
struct UserHooks {
  // The refusal message when another user, group or object holds the name.
  std::function<std::optional<std::string>(const std::string &name)> name_taken;
  // Is there a network object of that name (the S/Key gateway)?
  std::function<bool(const std::string &name)> gateway_exists;
};

class UserWindow {
public:
  // `record` is the user as stored, or a new user or template (`is_new`)
  // that is stored on its first "Apply".
  UserWindow(const kxset *record, bool is_new);

  const UserValues &shown() const { return shown_; }
  bool is_new() const { return !stored_; }
  bool is_template() const;

  // "Generate": draws a random secret when `v.secret` is empty or still the
  // one the last generation drew, clamps the chain length, generates the
  // chain and shows its top in `v.skey_passwd`.
  void generate(UserValues &v);
  const std::vector<SkeyPassword> &chain() const { return chain_; }
  // "Save Chain...": the directory and file name the chooser opens on.
  std::string chain_directory() const;
  std::string chain_file_name(const UserValues &v) const;
  // Writes the listing to `path` (readable by its owner only) and shows the
  // warning; false (reported) when there is no chain or the write fails.
  bool save_chain(const std::string &path);

  enum class Outcome { applied, refused, stay };
  // "Apply": checks every value, asks the S/Key questions, then stores the
  // record (renamed records leave their old name). Nothing is written unless
  // the outcome is `applied`; an unchanged window writes nothing at all.
  Outcome apply(const UserValues &v, const UserHooks &hooks);

  // The records before and after the last applied change (before is null
  // for a new user, after equals before when nothing changed).
  const KxSetRef &before() const { return before_; }
  const KxSetRef &after() const { return after_; }

private:
  bool check(const UserValues &v, const UserHooks &hooks, UserValues &normal) const;
  Outcome check_skey(const UserValues &v, const UserHooks &hooks) const;
  KxSetRef build(const UserValues &raw, const UserValues &normal) const;

  KxSetRef stored_, base_, before_, after_;
  UserValues shown_;
  std::vector<SkeyPassword> chain_;
  std::string chain_secret_, chain_top_, previous_secret_;
  bool chain_random_ = false, chain_saved_ = false;
};

// Makes the database hold `to` instead of `from` (either may be null): the
// record of `from` goes when `to` is null or has another name, then `to` is
// stored. Undo and redo of an applied window are this call both ways. 0, or
// -1 (reported).
int user_record_replace(const kxset *from, const kxset *to);
