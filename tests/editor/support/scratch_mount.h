// A small tmpfs mounted for one test, to make a folder that refuses writes
// (read-only, or full) even for root, who ignores file permissions.
#pragma once

#include <QDir>
#include <QString>
#include <sys/mount.h>

namespace tilvane::testing {

class ScratchMount {
 public:
  // `options` as for mount(8), e.g. "size=64k" or "ro".
  ScratchMount(const QString& where, const char* options) : where_(where) {
    QDir().mkpath(where);
    mounted_ = ::mount("tmpfs", where.toUtf8().constData(), "tmpfs", 0, options) == 0;
  }
  ~ScratchMount() {
    if (mounted_) ::umount2(where_.toUtf8().constData(), MNT_DETACH);
  }
  ScratchMount(const ScratchMount&) = delete;
  ScratchMount& operator=(const ScratchMount&) = delete;

  bool mounted() const { return mounted_; }
  // Makes the mounted file system read-only from now on.
  bool RemountReadOnly() {
    return ::mount("tmpfs", where_.toUtf8().constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  QString where_;
  bool mounted_ = false;
};

}  // namespace tilvane::testing
