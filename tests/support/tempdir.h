// A scratch directory that lives as long as the object.
#pragma once

#include <string>

namespace kxtest {

class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::string &path() const { return path_; }
  // path()/name
  std::string file(const std::string &name) const { return path_ + "/" + name; }
  // Writes `text` to path()/name (creating parent directories) and returns the path.
  std::string write(const std::string &name, const std::string &text) const;

private:
  std::string path_;
};

} // namespace kxtest
