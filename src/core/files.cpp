#include "core/files.h"
#include "core/error_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>

namespace tilvane {

namespace {

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and tells whether the close itself succeeded (it may report a
  // deferred write error).
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, ByteSpan bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

Text DirectoryOf(const Text& path) {
  auto slash = path.rfind('/');
  if (slash == Text::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

Text Reason(int error) { return ErrorText(error); }

Text EnsureTrailingSlash(Text path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

Text HomeFolder() {
  const char* home = std::getenv("HOME");
  return (home && *home == '/') ? Text(home) : Text();
}

Text XdgFolder(const char* variable, const char* fallbackBelowHome) {
  const char* value = std::getenv(variable);
  if (value && *value == '/') return EnsureTrailingSlash(value);
  Text home = HomeFolder();
  if (home.empty()) return {};
  return EnsureTrailingSlash(home + "/" + fallbackBelowHome);
}

// A folder is ours when it is a real directory (not a link), owned by us and
// closed to everybody else.
bool IsPrivateFolder(const Text& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return false;
  if ((info.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return false;
  return true;
}

// The user's temporary folder inside `base`. The usual name is
// "tilvane-<uid>"; if somebody else already holds that name (another user's
// folder, a link), a fresh unpredictable folder is made once per base and used
// for the rest of the run instead.
Text PrivateTemporaryFolder(const Text& base) {
  static std::mutex mutex;
  static std::map<Text, Text> fallbacks;
  std::lock_guard lock(mutex);

  auto cached = fallbacks.find(base);
  if (cached != fallbacks.end() && IsPrivateFolder(cached->second)) return cached->second;

  Text usual = base + "/tilvane-" + std::to_string(::geteuid());
  if (::mkdir(usual.c_str(), 0700) == 0 || errno == EEXIST) {
    if (IsPrivateFolder(usual)) return usual;
  }
  Text pattern = base + "/tilvane-" + std::to_string(::geteuid()) + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  fallbacks[base] = pattern;
  return pattern;
}

}  // namespace

Bytes ReadFileBytes(const Text& path, std::uint64_t maxBytes) try {
  if (path.empty()) return {};
  // Non-blocking, so that a named pipe at the path fails instead of hanging.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) return {};
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > maxBytes) return {};
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  Bytes bytes;
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  std::uint8_t chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // a read that stops early keeps what was read
    if (static_cast<std::uint64_t>(n) > maxBytes - bytes.size()) return {};  // it grew past the limit
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
} catch (const std::bad_alloc&) {
  return {};
}

bool WriteFileBytes(const Text& path, ByteSpan bytes) {
  if (path.empty()) return false;
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!fd.valid()) return false;
  if (!WriteAll(fd.get(), bytes)) return false;
  return fd.Close();
}

bool PathExists(const Text& path) {
  struct stat info {};
  return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

bool RemoveFile(const Text& path) {
  if (path.empty()) return false;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  return ::unlink(path.c_str()) == 0;
}

SaveResult SaveFileAtomically(const Text& requestedPath, ByteSpan bytes) {
  if (requestedPath.empty()) return {false, Reason(ENOENT)};

  // Saving through a link updates the file it points at, as writing in place would.
  Text path = requestedPath;
  if (char* resolved = ::realpath(requestedPath.c_str(), nullptr)) {
    path = resolved;
    std::free(resolved);
  }

  struct stat existing {};
  bool targetExists = ::stat(path.c_str(), &existing) == 0;
  if (targetExists && S_ISDIR(existing.st_mode)) return {false, Reason(EISDIR)};

  Text folder = DirectoryOf(path);
  Text name = path.substr(path.rfind('/') == Text::npos ? 0 : path.rfind('/') + 1);
  Text temporary = folder + "/." + name + ".saving-XXXXXX";
  FileDescriptor fd(::mkstemp(temporary.data()));
  if (!fd.valid()) return {false, Reason(errno)};

  auto fail = [&](int error) {
    ::unlink(temporary.c_str());
    return SaveResult{false, Reason(error)};
  };

  // mkstemp makes the file 0600; give it the target's mode, or what a newly
  // created file would get.
  mode_t mode = 0666;
  if (targetExists) {
    mode = existing.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  if (::fchmod(fd.get(), mode) != 0) return fail(errno);
  if (!WriteAll(fd.get(), bytes)) return fail(errno);
  if (::fsync(fd.get()) != 0) return fail(errno);
  if (!fd.Close()) return fail(errno);
  if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(errno);

  // Make the rename itself durable; a failure here no longer endangers data.
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
  return {true, {}};
}

Text GetSpecialFolder(int kind) {
  switch (kind) {
    case 1: return XdgFolder("XDG_DOCUMENTS_DIR", "Documents");
    case 3: return XdgFolder("XDG_DESKTOP_DIR", "Desktop");
    case 4: return XdgFolder("XDG_FONTS_DIR", ".local/share/fonts");
    case 5:
    case 6: return XdgFolder("XDG_APPLICATIONS_DIR", ".local/share/applications");
    case 7: return XdgFolder("XDG_AUTOSTART_DIR", ".config/autostart");
    case 8: return XdgFolder("XDG_DATA_HOME", ".local/share");
    case 11: {
      const char* tmpdir = std::getenv("TMPDIR");
      Text base = (tmpdir && *tmpdir == '/') ? Text(tmpdir) : Text("/tmp");
      while (base.size() > 1 && base.back() == '/') base.pop_back();
      Text folder = PrivateTemporaryFolder(base);
      return folder.empty() ? Text() : EnsureTrailingSlash(folder);
    }
    default: return {};
  }
}

}  // namespace tilvane
