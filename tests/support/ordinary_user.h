// Runs part of a test as an ordinary user, so that file permissions apply
// even when the tests run as root (as CI does), who ignores them.
//
// Under root the guard switches the effective user and group of the whole
// process to nobody/nogroup and back when it ends; the real and saved ids stay
// root, which is what allows the way back. For anyone else it changes nothing:
// they are an ordinary user already. Files the guarded part must reach have to
// be given to that user first with GiveToOrdinaryUser.
#pragma once

#include <exception>
#include <grp.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace tilvane::testing {

inline constexpr uid_t kOrdinaryUid = 65534;  // nobody
inline constexpr gid_t kOrdinaryGid = 65534;  // nogroup

inline bool RunningAsRoot() { return ::geteuid() == 0; }

// Hands `path` to the ordinary user when running as root, so that the guarded
// part can use it as its own; does nothing otherwise.
inline void GiveToOrdinaryUser(const std::string& path) {
  if (RunningAsRoot() && ::chown(path.c_str(), kOrdinaryUid, kOrdinaryGid) != 0) {
    throw std::runtime_error("cannot give " + path + " to the ordinary user");
  }
}

class OrdinaryUser {
 public:
  OrdinaryUser() : switched_(RunningAsRoot()) {
    if (!switched_) return;
    // Root's supplementary groups would still grant group rights: drop them too.
    groups_.resize(static_cast<size_t>(::getgroups(0, nullptr)));
    groups_.resize(static_cast<size_t>(::getgroups(static_cast<int>(groups_.size()), groups_.data())));
    // The groups first: once the user is not root it may no longer change them.
    if (::setgroups(0, nullptr) != 0 || ::setegid(kOrdinaryGid) != 0 || ::seteuid(kOrdinaryUid) != 0) {
      throw std::runtime_error("cannot switch to the ordinary user");
    }
  }
  ~OrdinaryUser() {
    if (!switched_) return;
    // Back to root: the real and saved user ids are still 0.
    if (::seteuid(0) != 0 || ::setegid(0) != 0 || ::setgroups(groups_.size(), groups_.data()) != 0) {
      std::terminate();
    }
  }
  OrdinaryUser(const OrdinaryUser&) = delete;
  OrdinaryUser& operator=(const OrdinaryUser&) = delete;

 private:
  bool switched_;
  std::vector<gid_t> groups_;
};

}  // namespace tilvane::testing
