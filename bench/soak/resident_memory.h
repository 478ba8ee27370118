// The process's resident memory, measured after handing freed heap back to
// the system, so that what is counted is what the process still holds.
#pragma once

#include <malloc.h>

#include <fstream>
#include <string>

inline long ResidentKilobytes() {
  malloc_trim(0);
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}
