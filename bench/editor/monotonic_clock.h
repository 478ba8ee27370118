// The clock the start-up probes and startup_bench share: a probe prints it
// when its window is shown, and the bench subtracts the time it started the
// probe at.
#pragma once

#include <ctime>

inline long long MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}
