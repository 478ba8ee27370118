// Random access to the bytes of a file (or of a buffer standing in for one), so
// that readers of large executables fetch only the headers and resources they
// need instead of the whole file.
#pragma once

#include <cstdint>
#include <span>
#include <utility>

#include "core/error_or.h"
#include "core/platform/files.h"
#include "core/text.h"

namespace tilvane {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Fills `out` from `offset`; false when the range is not wholly inside the
  // source or the read fails.
  virtual bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;

  // `size` bytes from `offset`, checked against Size() before anything is
  // allocated; fails when the range does not fit or the read fails.
  ErrorOr<Bytes> Read(std::uint64_t offset, std::uint64_t size);
};

// A source over bytes already in memory; the bytes must outlive it.
class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(ByteSpan bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  ByteSpan bytes_;
};

// A source over a regular file opened read-only.
class FileByteSource final : public ByteSource {
 public:
  // Fails for an empty path, a missing or unreadable file, or anything that
  // is not a regular file (a folder, a device, a pipe).
  static ErrorOr<FileByteSource> Open(const Text& path);

  std::uint64_t Size() const override { return file_.Size(); }
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;
  // Total bytes fetched so far; benchmarks and tests use it to show that only
  // the needed parts of a file were read.
  std::uint64_t BytesRead() const { return bytesRead_; }

 private:
  explicit FileByteSource(platform::ReadableFile file) : file_(std::move(file)) {}

  platform::ReadableFile file_;
  std::uint64_t bytesRead_ = 0;
};

}  // namespace tilvane
