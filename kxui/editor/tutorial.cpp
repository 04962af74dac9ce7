#include "kxui/editor/tutorial.h"

#include "kxu/kxdir.h"
#include "kxu/report.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

std::string tutorial_file() {
  const char *dir = std::getenv("INTRODIR");
  if (dir && *dir) return std::string(dir) + "/intro.txt";
  return kx_filename("doc", "intro.txt", nullptr, nullptr, nullptr);
}

std::optional<std::string> tutorial_text() {
  const std::string path = tutorial_file();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error(0, 0, "No tutorial in %s", path.c_str());
    return std::nullopt;
  }
  constexpr size_t kMax = 1 << 20;
  std::string text(kMax, '\0');
  in.read(text.data(), static_cast<std::streamsize>(kMax));
  text.resize(static_cast<size_t>(in.gcount()));
  return text;
}
