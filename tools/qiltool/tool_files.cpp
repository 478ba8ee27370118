#include "tool_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <new>
#include <string>

#include "core/error_text.h"
#include "core/files.h"

namespace tilvane::qiltool {

void Report(const Text& file, const Text& reason) {
  std::cerr << "qiltool: " << file << ": " << reason << '\n';
}

std::optional<Bytes> ReadInput(const Text& path, std::uint64_t maxBytes) {
  if (path.empty()) {
    Report(path, "empty file name");
    return std::nullopt;
  }
  // Without O_NONBLOCK, opening a named pipe would wait for a writer forever.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    Report(path, std::strerror(errno));
    return std::nullopt;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    Report(path, S_ISDIR(info.st_mode) ? "is a folder, not a file" : "not a regular file");
    ::close(fd);
    return std::nullopt;
  }
  const Text tooLarge = "too large (over " + std::to_string(maxBytes >> 20) + " MiB)";
  // Checked before anything is allocated, and again while reading, for a
  // file that grows meanwhile.
  if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > maxBytes) {
    Report(path, tooLarge);
    ::close(fd);
    return std::nullopt;
  }
  Bytes bytes;
  try {
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t chunk[65536];
    for (;;) {
      ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        Report(path, std::strerror(errno));
        ::close(fd);
        return std::nullopt;
      }
      if (n == 0) break;
      if (static_cast<std::uint64_t>(n) > maxBytes - bytes.size()) {
        Report(path, tooLarge);
        ::close(fd);
        return std::nullopt;
      }
      bytes.insert(bytes.end(), chunk, chunk + n);
    }
  } catch (const std::bad_alloc&) {
    Report(path, "out of memory");
    ::close(fd);
    return std::nullopt;
  }
  ::close(fd);
  return bytes;
}

std::optional<ImageList> LoadGroup(const Text& path) {
  std::optional<Bytes> bytes = ReadInput(path);
  if (!bytes) return std::nullopt;
  DecodeError error;
  std::optional<ImageList> list = DecodeImageGroup(*bytes, error);
  if (!list) Report(path, error.reason);
  return list;
}

bool WriteOutput(const Text& path, ByteSpan bytes) {
  SaveResult saved = SaveFileAtomically(path, bytes);
  if (!saved.ok) Report(path, "cannot write: " + LibraryErrorText(saved.reason));
  return saved.ok;
}

bool SaveGroup(const Text& path, const ImageList& list) {
  std::optional<Bytes> encoded = EncodeImageGroup(list);
  if (!encoded) {
    Report(path, "the group cannot be encoded (too large for the format)");
    return false;
  }
  return WriteOutput(path, *encoded);
}

}  // namespace tilvane::qiltool
