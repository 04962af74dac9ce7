// Byte-exact golden files. A test compares what it produced with a file under
// tests/golden; with KX_REGEN_GOLDEN=1 in the environment the file is
// rewritten instead, so a deliberate change of output is one command away
// (every suite, since golden comparisons are spread over many of them):
//   KX_REGEN_GOLDEN=1 ctest --test-dir build/release
#pragma once

#include <string>

namespace kxtest {

// Absolute path of a file below the source tree's tests/ directory.
std::string test_path(const std::string &relative);

// Reads a whole file; fails the current test when it cannot.
std::string read_file(const std::string &path);

// Compares `actual` with tests/golden/<relative> (or rewrites it when
// regenerating). Reports the first differing line on mismatch.
void expect_golden(const std::string &relative, const std::string &actual);

} // namespace kxtest
