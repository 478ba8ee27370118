// Stands for a full disk without mounting anything: while the guard lives, no
// file of this process (or of the children it starts) may grow past `bytes`.
// A write that would is refused with EFBIG, as a full disk refuses one with
// ENOSPC, and SIGXFSZ is ignored so that the refusal is an error, not a kill.
#pragma once

#include <csignal>
#include <stdexcept>
#include <sys/resource.h>

namespace tilvane::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    if (::getrlimit(RLIMIT_FSIZE, &old_) != 0) throw std::runtime_error("getrlimit failed");
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit failed");
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = SIG_DFL;
};

}  // namespace tilvane::testing
