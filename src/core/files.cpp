#include "core/files.h"

#include <cerrno>
#include <new>

#include "core/error_text.h"
#include "core/platform/files.h"

namespace tilvane {

namespace {

Text Reason(int error) { return ErrorText(error); }

}  // namespace

Bytes ReadFileBytes(const Text& path, std::uint64_t maxBytes) {
  Bytes bytes;
  ReadFileBytesInto(path, maxBytes, bytes);
  return bytes;
}

void ReadFileBytesInto(const Text& path, std::uint64_t maxBytes, Bytes& into) try {
  std::optional<platform::ReadableFile> file;
  if (!path.empty()) file = platform::ReadableFile::Open(path);
  if (!file || file->Size() > maxBytes) {
    into.clear();
    return;
  }
  // Straight into place up to the size the file had when opened (the old
  // bytes are read over, not cleared first) ...
  into.resize(static_cast<std::size_t>(file->Size()));
  std::size_t got = 0;
  while (got < into.size()) {
    const std::int64_t n = file->Read(std::span(into).subspan(got));
    if (n <= 0) {
      into.resize(got);  // a read that stops early keeps what was read
      return;
    }
    got += static_cast<std::size_t>(n);
  }
  // ... and then whatever it has grown by since.
  std::uint8_t chunk[65536];
  for (;;) {
    const std::int64_t n = file->Read(chunk);
    if (n <= 0) return;
    if (static_cast<std::uint64_t>(n) > maxBytes - into.size()) {  // it grew past the limit
      into.clear();
      return;
    }
    into.insert(into.end(), chunk, chunk + n);
  }
} catch (const std::bad_alloc&) {
  into.clear();
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
  if (path.empty()) return {false, Reason(ENOENT)};
  int error = platform::ReplaceFileAtomically(path, bytes);
  if (error != 0) return {false, Reason(error)};
  return {true, {}};
}

Text GetSpecialFolder(int kind) { return platform::SpecialFolder(kind); }

}  // namespace tilvane
