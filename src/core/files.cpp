#include "core/files.h"

#include <cerrno>
#include <new>

#include "core/error_text.h"
#include "core/platform/files.h"

namespace tilvane {

namespace {

Text Reason(int error) { return ErrorText(error); }

}  // namespace

Bytes ReadFileBytes(const Text& path, std::uint64_t maxBytes) try {
  if (path.empty()) return {};
  std::optional<platform::ReadableFile> file = platform::ReadableFile::Open(path);
  if (!file || file->Size() > maxBytes) return {};
  Bytes bytes;
  bytes.reserve(static_cast<std::size_t>(file->Size()));
  std::uint8_t chunk[65536];
  for (;;) {
    std::int64_t n = file->Read(chunk);
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
  return platform::WriteWholeFile(path, bytes) == 0;
}

bool PathExists(const Text& path) { return !path.empty() && platform::AnythingAt(path); }

bool RemoveFile(const Text& path) {
  if (path.empty()) return false;
  return platform::DeleteRegularFile(path) == 0;
}

SaveResult SaveFileAtomically(const Text& path, ByteSpan bytes) {
  if (path.empty()) return {false, Reason(ENOENT), ENOENT};
  int error = platform::ReplaceFileAtomically(path, bytes);
  if (error != 0) return {false, Reason(error), error};
  return {true, {}};
}

Text GetSpecialFolder(int kind) { return platform::SpecialFolder(kind); }

}  // namespace tilvane
