#pragma once
// A file of the tree that a test reads: where the build saw it, unless the
// environment variable names another place (a test run on a machine other
// than the one that built it, such as a Windows runner).
#include <cstdlib>
#include <string>

namespace test_support {

inline std::string built_path(const char* variable, const char* as_built) {
  const char* value = std::getenv(variable);
  return value && *value ? value : as_built;
}

}  // namespace test_support
