#include "core/platform/files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <utility>

namespace tilvane::platform {

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

// Creates a file of its own by appending six random letters to `path`, open
// for writing, with `mode` as open(2) applies it: less the umask. The
// descriptor, or -1 with errno set. mkstemp would always make 0600, and the
// umask can be read only by changing it, which races every other thread that
// creates a file.
int CreateUniqueFile(Text& path, mode_t mode) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::minstd_rand random(std::random_device{}());
  const std::size_t stem = path.size();
  for (int attempt = 0; attempt < 100; ++attempt) {
    path.resize(stem);
    for (int i = 0; i < 6; ++i) path += kLetters[random() % (sizeof kLetters - 1)];
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Fills `out` from `offset` on without moving the file position. 0, the
// reason, or EIO when the file ends first.
int ReadAllAt(int fd, std::uint64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t got = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return EIO;
    done += static_cast<std::size_t>(got);
  }
  return 0;
}

Text DirectoryOf(const Text& path) {
  auto slash = path.rfind('/');
  if (slash == Text::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

Text EnsureTrailingSlash(Text path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

Text HomeFromEnvironment() {
  const char* home = std::getenv("HOME");
  return (home && *home == '/') ? Text(home) : Text();
}

Text XdgFolder(const char* variable, const char* fallbackBelowHome) {
  const char* value = std::getenv(variable);
  if (value && *value == '/') return EnsureTrailingSlash(value);
  Text home = HomeFromEnvironment();
  if (home.empty()) return {};
  return EnsureTrailingSlash(home + "/" + fallbackBelowHome);
}

// A folder is ours when it is a real directory (not a link), owned by us and
// closed to everybody else. One found open to others is not closed and reused:
// whatever another user put in it while it was open would come along, so it
// counts as somebody else's.
bool IsPrivateFolder(const Text& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// The user's temporary folder inside `base`. The usual name is
// "tilvane-<uid>"; if that name is taken by anything but a private folder of
// ours (another user's folder, a link, a folder open to others), a fresh
// unpredictable folder is made once per base and used for the rest of the run
// instead.
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

std::optional<ReadableFile> ReadableFile::Open(const Text& path, int* error) {
  auto fail = [&](int reason) -> std::optional<ReadableFile> {
    if (error) *error = reason;
    return std::nullopt;
  };
  // Non-blocking, so that a named pipe at the path fails below instead of
  // waiting for a writer; it changes nothing for a regular file.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return fail(errno);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
    int reason = S_ISDIR(info.st_mode) ? EISDIR : kNotARegularFile;
    ::close(fd);
    return fail(reason);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return ReadableFile(fd, static_cast<std::uint64_t>(info.st_size));
}

ReadableFile::ReadableFile(ReadableFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), size_(other.size_) {}

ReadableFile& ReadableFile::operator=(ReadableFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
    size_ = other.size_;
  }
  return *this;
}

ReadableFile::~ReadableFile() { Close(); }

void ReadableFile::Close() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

std::int64_t ReadableFile::Read(std::span<std::uint8_t> out, int* error) {
  for (;;) {
    ssize_t n = ::read(static_cast<int>(handle_), out.data(), out.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && error) *error = errno;
    return n;
  }
}

bool ReadableFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  // A file that shrank under us counts as a failed read.
  return handle_ >= 0 && ReadAllAt(static_cast<int>(handle_), offset, out) == 0;
}

PathKind KindOfPath(const Text& path, int* error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (error) *error = errno;
    return PathKind::kNothing;
  }
  if (S_ISREG(info.st_mode)) return PathKind::kFile;
  if (S_ISDIR(info.st_mode)) return PathKind::kFolder;
  return PathKind::kOther;
}

bool AnythingAt(const Text& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

int WriteWholeFile(const Text& path, ByteSpan bytes) {
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!fd.valid()) return errno;
  if (!WriteAll(fd.get(), bytes)) return errno;
  // Only a regular file has a length to cut; a device or pipe keeps its own.
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return errno;
  if (S_ISREG(info.st_mode) && ::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0) return errno;
  return fd.Close() ? 0 : errno;
}

namespace {

// Waits for an exclusive lock on the whole file, held by this opening of it
// until it is closed.
bool LockExclusively(int fd) {
#if defined(F_OFD_SETLKW)
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  while (::fcntl(fd, F_OFD_SETLKW, &lock) != 0)
    if (errno != EINTR) return false;
#else
  while (::flock(fd, LOCK_EX) != 0)
    if (errno != EINTR) return false;
#endif
  return true;
}

}  // namespace

int WriteAndReadBack(const Text& path, ByteSpan bytes, Bytes& readBack) {
  // Not waiting to open keeps a pipe at the path from stopping the editor;
  // only a regular file is written.
  FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
  if (!fd.valid()) return errno;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return errno;
  if (!S_ISREG(info.st_mode)) return EINVAL;
  if (!LockExclusively(fd.get())) return errno;
  if (!WriteAll(fd.get(), bytes)) return errno;
  if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0) return errno;
  readBack.resize(bytes.size());
  if (int error = ReadAllAt(fd.get(), 0, readBack); error != 0) return error;
  return fd.Close() ? 0 : errno;
}

int DeleteRegularFile(const Text& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int ReplaceFileAtomically(const Text& requestedPath, ByteSpan bytes) {
  if (requestedPath.empty()) return ENOENT;

  // Saving through a link updates the file it points at, as writing in place would.
  Text path = requestedPath;
  if (char* resolved = ::realpath(requestedPath.c_str(), nullptr)) {
    path = resolved;
    std::free(resolved);
  }

  struct stat existing {};
  bool targetExists = ::stat(path.c_str(), &existing) == 0;
  if (targetExists && S_ISDIR(existing.st_mode)) return EISDIR;
  // The rename below needs only the folder's write right; a file its owner
  // protected must refuse the save as a write in place would. Opening it for
  // writing (without truncating) asks exactly that, permissions, read-only
  // mounts and immutable files included.
  if (targetExists) {
    FileDescriptor probe(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!probe.valid()) return errno;
  }

  Text folder = DirectoryOf(path);
  Text name = path.substr(path.rfind('/') == Text::npos ? 0 : path.rfind('/') + 1);
  Text temporary = folder + "/." + name + ".saving-";
  // A new file gets the mode any file created there gets (open applies the
  // umask and the folder's default ACL); a replacement starts private and
  // takes the old file's owner, group and mode below.
  FileDescriptor fd(CreateUniqueFile(temporary, targetExists ? 0600 : 0666));
  if (!fd.valid()) return errno;

  auto fail = [&](int error) {
    ::unlink(temporary.c_str());
    return error;
  };

  if (targetExists) {
    mode_t mode = existing.st_mode & 07777;
    // Only root may give a file away, and a user only to a group of their own;
    // what the system refuses stays ours.
    bool groupKept = ::fchown(fd.get(), existing.st_uid, existing.st_gid) == 0 ||
                     ::fchown(fd.get(), static_cast<uid_t>(-1), existing.st_gid) == 0;
    // Under another group the old group's rights would go to strangers: the
    // new group gets no more than everybody else had.
    if (!groupKept) mode = (mode & ~static_cast<mode_t>(070)) | ((mode & 07) << 3 & 070);
    // After the change of owner, which clears the set-id bits.
    if (::fchmod(fd.get(), mode) != 0) return fail(errno);
  }
  if (!WriteAll(fd.get(), bytes)) return fail(errno);
  if (::fsync(fd.get()) != 0) return fail(errno);
  if (!fd.Close()) return fail(errno);
  if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(errno);

  // Make the rename itself durable; a failure here no longer endangers data.
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
  return 0;
}

Text HomeFolder() {
  Text home = HomeFromEnvironment();
  if (home.empty()) {
    // No usable HOME: the account's own entry.
    if (const struct passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir == '/')
      home = entry->pw_dir;
  }
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home.empty() ? Text("/") : home;
}

Text SpecialFolder(int kind) {
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

}  // namespace tilvane::platform
