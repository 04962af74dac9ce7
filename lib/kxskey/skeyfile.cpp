#include "kxskey/skeyfile.h"

#include "kxskey/atomic_write.h"
#include "kxskey/skey.h"
#include "kxu/report.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> split_fields(const std::string &line) {
  std::vector<std::string> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
      ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t')
      ++i;
    if (i > start)
      fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

bool is_comment(const std::string &line) { return !line.empty() && line[0] == '#'; }

std::string format_line(const std::string &user, int number, const std::string &seed,
                        const std::string &key, const std::string &date) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d", number);
  auto pad = [](std::string s, size_t width) {
    if (s.size() < width)
      s.append(width - s.size(), ' ');
    return s;
  };
  return user + " " + buf + " " + pad(seed, 16) + " " + pad(key, 16) + " " + pad(date, 21);
}

// The date is everything after the fourth field ("Jun 01,1995 14:03:07"
// holds a blank).
std::string date_of(const std::vector<std::string> &f) {
  std::string date;
  for (size_t i = 4; i < f.size(); ++i)
    date += (date.empty() ? "" : " ") + f[i];
  return date.empty() ? "Dummy" : date;
}

std::string now_text() {
  char buf[64];
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  std::strftime(buf, sizeof buf, "%b %d,%Y %T", &tm);
  return buf;
}

} // namespace

int SkeyFile::Open(const std::string &name, const std::string &directory) {
  if (open_) {
    error(0, 0, "SkeyFile : already opened");
    return -1;
  }
  path_ = (directory.empty() || name.find('/') != std::string::npos) ? name
                                                                     : directory + "/" + name;
  std::ifstream in(path_);
  if (!in) {
    if (errno != ENOENT) {
      error(0, 0, "SkeyFile: unable to read database for %s", path_.c_str());
      return -1;
    }
  } else {
    std::string text;
    while (std::getline(in, text)) {
      lines_.push_back({text, None});
      if (is_comment(text))
        continue;
      auto f = split_fields(text);
      // A repeated user: the first line wins, as lookups always found it.
      if (!f.empty())
        index_.emplace(f[0], std::prev(lines_.end()));
    }
    if (in.bad()) {
      clean();
      error(0, 0, "SkeyFile: unable to read database for %s", path_.c_str());
      return -1;
    }
  }
  open_ = true;
  return 0;
}

int SkeyFile::Get(const std::string &user, std::string &key_out, int &number) const {
  auto it = index_.find(user);
  if (it == index_.end())
    return -1;
  auto f = split_fields(it->second->text);
  if (f.size() < 4)
    return -1;
  number = std::atoi(f[1].c_str());
  key_out = f[3];
  return 0;
}

int SkeyFile::Update(const std::string &user, const std::string &seed,
                     const std::string &key, int number) {
  if (user.empty() || split_fields(user).size() != 1 || is_comment(user))
    return -1;
  auto it = index_.find(user);
  if (it == index_.end()) {
    lines_.push_back({format_line(user, number, seed, key, "Dummy"), Updated});
    index_.emplace(user, std::prev(lines_.end()));
    return 0;
  }
  auto f = split_fields(it->second->text);
  std::string old_seed = f.size() > 2 ? f[2] : seed;
  it->second->text = format_line(user, number, old_seed, key, date_of(f));
  it->second->mark = Updated;
  return 0;
}

int SkeyFile::Touch(const std::string &user) {
  auto it = index_.find(user);
  if (it == index_.end())
    return -1;
  if (it->second->mark == None)
    it->second->mark = Touched;
  return 0;
}

int SkeyFile::Delete(const std::string &user) {
  auto it = index_.find(user);
  if (it == index_.end()) {
    error(0, 0, "SkeyFile : attempt to delete nonexistent user %s\n", user.c_str());
    return -1;
  }
  lines_.erase(it->second);
  index_.erase(it);
  return 0;
}

int SkeyFile::Verify(const std::string &user, const std::string &answer) {
  std::string key;
  int number = 0;
  if (Get(user, key, number) != 0 || number <= 0 || !skey_verify(answer, key))
    return -1;
  SkeyKey a;
  skey_parse(answer, a);
  return Update(user, "", skey_to_hex(a), number - 1);
}

int SkeyFile::SaveAndClose(bool marked_only) {
  std::string out;
  std::string now = now_text();
  for (auto &line : lines_) {
    if (marked_only && line.mark == None)
      continue;
    if (line.mark == Updated) {
      auto f = split_fields(line.text);
      if (f.size() >= 4)
        line.text = format_line(f[0], std::atoi(f[1].c_str()), f[2], f[3], now);
    }
    out += line.text;
    out += '\n';
  }
  std::string path = path_;
  clean();
  if (kxskey::atomic_write(path, out, 0600) != 0) {
    error(0, 0, "SkeyFile: unable to write updated database for %s", path.c_str());
    return -1;
  }
  return 0;
}

void SkeyFile::clean() {
  lines_.clear();
  index_.clear();
  open_ = false;
}

namespace {
SkeyFile &the_file() {
  static SkeyFile file;
  return file;
}
} // namespace

int SkeyFile_Open(const char *name, const char *directory) {
  return the_file().Open(name ? name : "", directory ? directory : "");
}

int SkeyFile_Get(const char *user, char *key_out, int *number) {
  std::string key;
  int n = 0;
  if (!user || the_file().Get(user, key, n) != 0)
    return -1;
  if (key_out) {
    std::strncpy(key_out, key.c_str(), 16);
    key_out[16] = '\0';
  }
  if (number)
    *number = n;
  return 0;
}

int SkeyFile_Update(const char *user, const char *seed, const char *key, int number) {
  if (!user || !seed || !key)
    return -1;
  return the_file().Update(user, seed, key, number);
}

int SkeyFile_Touch(const char *user) { return user ? the_file().Touch(user) : -1; }
int SkeyFile_Delete(const char *user) { return user ? the_file().Delete(user) : -1; }
int SkeyFile_Verify(const char *user, const char *answer) {
  return user && answer ? the_file().Verify(user, answer) : -1;
}
int SkeyFile_SaveAndClose(int marked_only) { return the_file().SaveAndClose(marked_only != 0); }
void SkeyFile_clean() { the_file().clean(); }
