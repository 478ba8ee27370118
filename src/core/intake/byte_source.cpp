#include "core/intake/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "core/span_reader.h"

namespace tilvane {

std::optional<Bytes> ByteSource::Read(std::uint64_t offset, std::uint64_t size) {
  if (!RangeFits(offset, size, Size())) return std::nullopt;
  Bytes bytes(static_cast<std::size_t>(size));
  if (!ReadAt(offset, bytes)) return std::nullopt;
  return bytes;
}

bool MemoryByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (!RangeFits(offset, out.size(), bytes_.size())) return false;
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
  return true;
}

std::optional<FileByteSource> FileByteSource::Open(const Text& path) {
  if (path.empty()) return std::nullopt;
  // O_NONBLOCK so that a named pipe given as a path fails below instead of
  // waiting for a writer; it changes nothing for a regular file.
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (descriptor < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
    ::close(descriptor);
    return std::nullopt;
  }
  return FileByteSource(descriptor, static_cast<std::uint64_t>(info.st_size));
}

FileByteSource::FileByteSource(FileByteSource&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), size_(other.size_), bytesRead_(other.bytesRead_) {}

FileByteSource& FileByteSource::operator=(FileByteSource&& other) noexcept {
  if (this != &other) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = std::exchange(other.descriptor_, -1);
    size_ = other.size_;
    bytesRead_ = other.bytesRead_;
  }
  return *this;
}

FileByteSource::~FileByteSource() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

bool FileByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (descriptor_ < 0 || !RangeFits(offset, out.size(), size_)) return false;
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t got = ::pread(descriptor_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // a file that shrank under us counts as a failed read
    done += static_cast<std::size_t>(got);
  }
  bytesRead_ += done;
  return true;
}

}  // namespace tilvane
