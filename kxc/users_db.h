// The installation's user database for the kxc users, groups and skey
// subcommands: opened (created when absent) for the life of the object.
#pragma once

#include "kxui/users/kxa.h"

namespace kxc {

class UsersDb {
public:
  UsersDb() : ok_(kxa_db_init(1) == 0) {}
  ~UsersDb() { kxa_db_close(); }
  UsersDb(const UsersDb &) = delete;
  UsersDb &operator=(const UsersDb &) = delete;
  explicit operator bool() const { return ok_; }

private:
  bool ok_;
};

} // namespace kxc
