#include "support/golden.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kxtest {

std::string test_path(const std::string &relative) {
  const char *src = std::getenv("KX_SOURCE_DIR");
  std::string root = src ? src : KX_TESTS_SOURCE_ROOT;
  return root + "/tests/" + relative;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ADD_FAILURE() << "cannot read " << path;
    return {};
  }
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

static bool regenerating() {
  const char *v = std::getenv("KX_REGEN_GOLDEN");
  return v && *v && std::string(v) != "0";
}

static std::string first_difference(const std::string &want, const std::string &got) {
  std::istringstream a(want), b(got);
  std::string la, lb;
  for (int line = 1;; ++line) {
    bool ea = !std::getline(a, la), eb = !std::getline(b, lb);
    if (ea && eb) return "files differ only in the final newline";
    if (ea || eb || la != lb) {
      std::ostringstream m;
      m << "line " << line << ":\n  want: " << (ea ? "<end of file>" : la)
        << "\n  got:  " << (eb ? "<end of file>" : lb);
      return m.str();
    }
  }
}

void expect_golden(const std::string &relative, const std::string &actual) {
  std::string path = test_path("golden/" + relative);
  if (regenerating()) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  std::string want = read_file(path);
  if (want != actual)
    ADD_FAILURE() << "golden " << relative << " differs at " << first_difference(want, actual)
                  << "\n(regenerate with KX_REGEN_GOLDEN=1)";
}

} // namespace kxtest
