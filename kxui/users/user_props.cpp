#include "kxui/users/user_props.h"

#include "kxset/sio.h"
#include "kxskey/skey.h"
#include "kxu/kxdir.h"
#include "kxu/replace_file.h"
#include "kxu/report.h"
#include "kxui/users/kxa.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

const char *const kSeedChars = "S/Key seed must be 1 to 16 characters without blanks";

std::vector<std::string> leaves(const kxset *user, const char *attr) {
  std::vector<std::string> out;
  const kxset *l = user ? user->get(KxAtom(attr)) : nullptr;
  for (int i = 0; l && i < l->getnattr(); ++i)
    if (const kxset *v = l->get(i); v && *v->getname())
      out.push_back(v->getname());
  return out;
}

void put_leaves(kxset *user, const char *attr, const std::vector<std::string> &names) {
  kxset *l = kxset::make();
  for (const std::string &n : names)
    l->append(KxAtom::null(), kxset::make(KxAtom(n)));
  user->set(KxAtom(attr), l);
}

// Sets a text property; an empty text removes it (so an untouched empty
// field never adds a property to a record that lacked it).
void put_text(kxset *user, const char *attr, const std::string &value) {
  if (value.empty())
    user->remove(KxAtom(attr));
  else
    kxa_put(user, attr, value);
}

std::string text_or(const kxset *user, const char *attr, const char *initial) {
  std::string v = kxa_text(user, attr);
  return v.empty() ? initial : v;
}

std::string record_text(const kxset *set) {
  std::string out;
  if (set)
    sio_swrite(out, set);
  return out;
}

bool decimal(const std::string &s, long lo, long hi) {
  if (s.empty() || s.size() > 9 || !std::all_of(s.begin(), s.end(), ::isdigit))
    return false;
  long v = std::stol(s);
  return v >= lo && v <= hi;
}

bool kept_group(const std::string &g) {
  return g == KXA_ALL_USERS || g == KXA_ALL_GROUPS || g == KXA_ALL_TEMPLATES;
}

} // namespace

const std::vector<std::string> &user_schemes() {
  static const std::vector<std::string> s{"Undefined", "S/Key", "SecurID", "Unix Password"};
  return s;
}

const char *user_scheme_page(const std::string &scheme) {
  static const char *const pages[] = {"Undefined Authentication Scheme", "S/Key Authentication",
                                      "Security Dynamics Authentication",
                                      "Unix Password Identification"};
  const auto &s = user_schemes();
  auto at = std::find(s.begin(), s.end(), scheme);
  return at == s.end() ? nullptr : pages[at - s.begin()];
}

const std::vector<std::string> &user_day_names() {
  static const std::vector<std::string> d{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  return d;
}

UserValues user_values(const kxset *user) {
  UserValues v;
  v.name = user ? user->getname() : "";
  v.comments = kxa_text(user, "comments");
  v.color = kxa_text(user, "color");
  v.expiration_date = kxa_text(user, "expiration_date");
  v.fromhour = text_or(user, "fromhour", "00:00");
  v.tohour = text_or(user, "tohour", "23:59");
  v.groups = kxa_groups_of(user);
  v.sources = leaves(user, "sources");
  v.destinations = leaves(user, "destinations");
  v.days = user && user->get(KxAtom("days")) ? leaves(user, "days") : user_day_names();
  v.auth_method = text_or(user, "auth_method", "Undefined");
  v.skey_seed = kxa_text(user, "SKEY_seed");
  v.skey_number = kxa_text(user, "SKEY_number");
  v.skey_passwd = kxa_text(user, "SKEY_passwd");
  v.skey_gateway = kxa_text(user, "SKEY_gateway");
  return v;
}

void user_from_template(kxset *user, const kxset *templ) {
  for (int a = 0; templ && a < templ->getnattr(); ++a) {
    KxAtom attr = templ->getattrnamea(a);
    std::string an = attr.c_str();
    if (attr.is_named() && an != "type" && an != "SKEY_seed" && an != "SKEY_passwd")
      user->set(attr, kxsetcopy(templ->get(a), -1));
  }
}

UserWindow::UserWindow(const kxset *record, bool is_new)
    : stored_(is_new ? nullptr : kxsetcopy(record, -1)), base_(kxsetcopy(record, -1)),
      shown_(user_values(record)) {}

bool UserWindow::is_template() const { return ::is_template(base_.get()) != 0; }

void UserWindow::generate(UserValues &v) {
  std::string secret = v.secret;
  if (secret.empty() || (chain_random_ && secret == chain_secret_)) {
    secret = skey_random_secret();
    chain_random_ = true;
  } else {
    chain_random_ = false;
  }
  const int n = skey_chain_length(decimal(v.skey_number, 0, 99999) ? std::stoi(v.skey_number) : 0);
  if (!chain_secret_.empty())
    previous_secret_ = chain_secret_;
  chain_ = skey_chain(v.skey_seed, secret, n);
  chain_secret_ = v.secret = secret;
  chain_top_ = v.skey_passwd = chain_.back().words;
  v.skey_number = std::to_string(n);
  chain_saved_ = false;
}

std::string UserWindow::chain_directory() const {
  return (kxdir.empty() ? std::string("/etc/kx") : kxdir) + "/tmp";
}

std::string UserWindow::chain_file_name(const UserValues &v) const { return v.name + ".skey"; }

bool UserWindow::save_chain(const std::string &path) {
  if (chain_secret_.empty()) {
    error(0, 0, "No chain was created.\n\nUse 'Generate' to create a chain");
    return false;
  }
  if (chain_.empty()) {
    error(0, 0, "Empty Chain");
    return false;
  }
  kxu::ReplaceOptions o;
  o.new_mode = 0600; // one-time passwords: for the administrator's eyes only
  kxu::ReplaceResult r = kxu::replace_file(path, skey_chain_listing(chain_), o);
  if (!r) {
    error(0, 0, r.step == kxu::ReplaceStep::create_temp ? "Failed to open '%s'" : "Failed to write to '%s'",
          path.c_str());
    return false;
  }
  chain_saved_ = true;
  error(0, 0, "Warning: The file that you have created contains confidential information.\n"
              "This file should be deleted as soon as possible.");
  return true;
}

bool UserWindow::check(const UserValues &v, const UserHooks &hooks, UserValues &normal) const {
  normal = v;
  if (v.name.empty()) {
    error(0, 0, "Must specify name");
    return false;
  }
  if (!std::isalpha(static_cast<unsigned char>(v.name[0]))) {
    error(0, 0, "Name must start with a letter");
    return false;
  }
  if (kept_group(v.name)) {
    error(0, 0, "%s Can't be modified", v.name.c_str());
    return false;
  }
  if ((is_new() || v.name != stored_->getname()) && hooks.name_taken)
    if (auto taken = hooks.name_taken(v.name)) {
      error(0, 0, "%s", taken->c_str());
      return false;
    }
  // An empty date means no expiry (the date check's own default lies in
  // the past and would lock the user out).
  auto date = v.expiration_date.empty() ? std::optional<std::string>("") : check_date(v.expiration_date);
  if (!date)
    return false;
  auto from = check_time(v.fromhour);
  if (!from)
    return false;
  auto to = check_time(v.tohour);
  if (!to)
    return false;
  normal.expiration_date = *date;
  normal.fromhour = *from;
  normal.tohour = *to;
  for (const std::string &g : v.groups)
    if (kept_group(g)) {
      error(0, 0, "%s is kept by the database itself", g.c_str());
      return false;
    }
  for (const std::string &d : v.days)
    if (std::find(user_day_names().begin(), user_day_names().end(), d) == user_day_names().end()) {
      error(0, 0, "Unknown day %s", d.c_str());
      return false;
    }
  if (!user_scheme_page(v.auth_method)) {
    error(0, 0, "Unknown Authentication scheme");
    return false;
  }
  return true;
}

UserWindow::Outcome UserWindow::check_skey(const UserValues &v, const UserHooks &hooks) const {
  const bool new_chain = v.skey_passwd != shown_.skey_passwd;
  if (!is_template()) {
    if (chain_random_ && !chain_saved_ && v.skey_passwd == chain_top_ &&
        kx_ask("S/Key chain was generated with random key.\nIf you exit without saving the chain you "
               "will not be able to use it.\nTo save the chain to a file use 'Save Chain'.\nExit Anyway ?"))
      return Outcome::stay;
    if (!new_chain && v.skey_gateway != shown_.skey_gateway &&
        kx_ask("You have changed the S/Key Gateway without\nchanging S/Key chain.\nThis may be "
               "insecure.\nExit Anyway?"))
      return Outcome::stay;
    const char *unchanged = "You have changed S/Key %s without generating a new chain.\nIf you want your "
                            "change to take effect please generate a new chain\nby using 'Generate' or "
                            "typing your own S/Key Password.\nExit Anyway?";
    if (!new_chain && v.skey_seed != shown_.skey_seed && kx_ask(unchanged, "seed"))
      return Outcome::stay;
    if (!new_chain && v.skey_number != shown_.skey_number && kx_ask(unchanged, "number"))
      return Outcome::stay;
    // The same secret again: the secret of the previous generation, or the
    // one the stored chain was made from (its seed and length give the
    // stored top back).
    SkeyKey old_top;
    const bool reused =
        new_chain && v.skey_passwd == chain_top_ &&
        ((!previous_secret_.empty() && previous_secret_ == chain_secret_) ||
         (skey_parse(shown_.skey_passwd, old_top) && decimal(shown_.skey_number, 1, 99999) &&
          skey_steps(skey_keycrunch(shown_.skey_seed, chain_secret_), std::stoi(shown_.skey_number)) ==
              old_top));
    if (reused) {
      error(0, 0, "You have created S/Key chain with the same secret key as the previous one.\nAs this "
                  "is insecure, please generate a new chain.\n");
      return Outcome::refused;
    }
    SkeyKey key;
    if (!skey_parse(v.skey_passwd, key)) {
      error(0, 0, "S/Key Password <%s> is not a legal S/Key password", v.skey_passwd.c_str());
      return Outcome::refused;
    }
    // The chain file keeps seed and length as blank-separated fields.
    if (v.skey_seed.empty() || v.skey_seed.size() > 16 ||
        v.skey_seed.find_first_of(" \t\n") != std::string::npos) {
      error(0, 0, "%s", kSeedChars);
      return Outcome::refused;
    }
    if (!decimal(v.skey_number, 1, 9999)) {
      error(0, 0, "S/Key Chain Length <%s> is not a number from 1 to 9999", v.skey_number.c_str());
      return Outcome::refused;
    }
  }
  if (v.skey_gateway.empty() && !is_template()) {
    error(0, 0, "No S/Key Gateway was chosen.\nPlease choose one using 'Installed On:' menu");
    return Outcome::refused;
  }
  if (!v.skey_gateway.empty() && hooks.gateway_exists && !hooks.gateway_exists(v.skey_gateway)) {
    error(0, 0, "S/Key Gateway %s no longer exists.\nPlesae choose an existing S/Key Gateway",
          v.skey_gateway.c_str());
    return Outcome::refused;
  }
  return Outcome::applied;
}

KxSetRef UserWindow::build(const UserValues &raw, const UserValues &v) const {
  // Only what the administrator changed is written: a property the record
  // lacked stays missing while its field shows the initial text.
  KxSetRef u(kxsetcopy(base_.get(), -1, KxAtom(v.name)));
  kxset *o = u.get();
  auto text = [&](const char *attr, const std::string UserValues::*field) {
    if (raw.*field != shown_.*field)
      put_text(o, attr, v.*field);
  };
  auto list = [&](const char *attr, const std::vector<std::string> UserValues::*field) {
    if (raw.*field != shown_.*field)
      put_leaves(o, attr, v.*field);
  };
  text("comments", &UserValues::comments);
  text("color", &UserValues::color);
  text("expiration_date", &UserValues::expiration_date);
  text("fromhour", &UserValues::fromhour);
  text("tohour", &UserValues::tohour);
  list("groups", &UserValues::groups);
  list("sources", &UserValues::sources);
  list("destinations", &UserValues::destinations);
  list("days", &UserValues::days);
  text("auth_method", &UserValues::auth_method);
  // Another scheme leaves the S/Key properties as they were.
  if (v.auth_method == "S/Key") {
    text("SKEY_seed", &UserValues::skey_seed);
    text("SKEY_number", &UserValues::skey_number);
    text("SKEY_passwd", &UserValues::skey_passwd);
    text("SKEY_gateway", &UserValues::skey_gateway);
  }
  return u;
}

UserWindow::Outcome UserWindow::apply(const UserValues &v, const UserHooks &hooks) {
  UserValues normal;
  if (!check(v, hooks, normal))
    return Outcome::refused;
  if (v.auth_method == "S/Key")
    if (Outcome o = check_skey(v, hooks); o != Outcome::applied)
      return o;
  KxSetRef after = build(v, normal);
  const bool changed = !stored_ || record_text(after.get()) != record_text(stored_.get());
  if (changed && user_record_replace(stored_.get(), after.get()) != 0)
    return Outcome::refused;
  if (changed && v.auth_method == "S/Key" && v.skey_passwd != shown_.skey_passwd && !is_template())
    error(0, 0, "A new S/Key chain was created using:\nSeed: %s\nNumber: %s", v.skey_seed.c_str(),
          v.skey_number.c_str());
  before_ = stored_;
  after_ = changed ? after : stored_;
  if (changed) {
    stored_ = KxSetRef(kxsetcopy(after.get(), -1));
    base_ = KxSetRef(kxsetcopy(after.get(), -1));
    shown_ = user_values(after.get());
    chain_random_ = false;
  }
  return Outcome::applied;
}

int user_record_replace(const kxset *from, const kxset *to) {
  if (from && (!to || std::strcmp(from->getname(), to->getname()) != 0)) {
    KxSetRef gone(kxsetcopy(from, -1));
    if (kxa_delete(gone.get()) != 0)
      return -1;
  }
  if (!to)
    return 0;
  KxSetRef stored(kxsetcopy(to, -1));
  if (kxa_store(stored.get()) == 0)
    return 0;
  if (from) { // put the record that was there back
    KxSetRef back(kxsetcopy(from, -1));
    kxa_store(back.get());
  }
  return -1;
}
