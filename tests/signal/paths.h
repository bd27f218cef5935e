// Helpers for the signal tests: every code path this processor can run.
#pragma once

#include <vector>

#include "signal/signal_internal.h"

namespace ko::signal::test {

// Path numbers with distinct kernels that the processor supports.
inline std::vector<int> SupportedPaths() {
  const uint32_t f = ProbeFeatures();
  std::vector<int> paths{0};
  if (f & 0x08) paths.push_back(1);
  if (f & 0x40) paths.push_back(3);
  return paths;
}

// Runs the scope on one path and restores the previous one.
class PathScope {
 public:
  explicit PathScope(int path) : old_(ForcePath(path)) {}
  ~PathScope() { ForcePath(old_); }
  PathScope(const PathScope &) = delete;
  PathScope &operator=(const PathScope &) = delete;

 private:
  int old_;
};

}  // namespace ko::signal::test
