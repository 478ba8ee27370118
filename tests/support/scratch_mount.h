// A small tmpfs mounted for one test, to make a folder that refuses writes
// (read-only, or full) even for root, who ignores file permissions.
#pragma once

#include <filesystem>
#include <string>
#include <sys/mount.h>

namespace tilvane::testing {

class ScratchMount {
 public:
  // `options` as for mount(8), e.g. "size=64k" or "ro". Mounting needs
  // privilege; without it mounted() is false and the folder is a plain one.
  ScratchMount(std::string where, const char* options) : where_(std::move(where)) {
    std::error_code ignored;
    std::filesystem::create_directories(where_, ignored);
    mounted_ = ::mount("tmpfs", where_.c_str(), "tmpfs", 0, options) == 0;
  }
  ~ScratchMount() {
    if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
  }
  ScratchMount(const ScratchMount&) = delete;
  ScratchMount& operator=(const ScratchMount&) = delete;

  bool mounted() const { return mounted_; }
  // Makes the mounted file system read-only from now on.
  bool RemountReadOnly() {
    return ::mount("tmpfs", where_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  std::string where_;
  bool mounted_ = false;
};

}  // namespace tilvane::testing
