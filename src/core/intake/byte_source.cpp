#include "core/intake/byte_source.h"

#include <cstring>
#include <utility>

#include "core/span_reader.h"

namespace tilvane {

ErrorOr<Bytes> ByteSource::Read(std::uint64_t offset, std::uint64_t size) {
  if (!RangeFits(offset, size, Size())) return Failure{"data runs past the end of the file"};
  Bytes bytes(static_cast<std::size_t>(size));
  if (!ReadAt(offset, bytes)) return Failure{"cannot be read"};
  return bytes;
}

bool MemoryByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (!RangeFits(offset, out.size(), bytes_.size())) return false;
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
  return true;
}

ErrorOr<FileByteSource> FileByteSource::Open(const Text& path) {
  if (path.empty()) return Failure{"empty file name"};
  std::optional<platform::ReadableFile> file = platform::ReadableFile::Open(path);
  if (!file) return Failure{"cannot be read"};
  return FileByteSource(std::move(*file));
}

bool FileByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (!RangeFits(offset, out.size(), Size())) return false;
  if (!file_.ReadAt(offset, out)) return false;
  bytesRead_ += out.size();
  return true;
}

}  // namespace tilvane
