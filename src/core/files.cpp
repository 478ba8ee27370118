#include "core/files.h"

#include <cerrno>
#include <new>
#include <optional>

#include "core/error_text.h"
#include "core/platform/files.h"

namespace tilvane {

namespace {

Text Reason(int error) { return ErrorText(error); }

}  // namespace

// The whole file into `into`, its storage reused.
ErrorOr<void> ReadWholeFileInto(const Text& path, std::uint64_t maxBytes, Bytes& into, int* systemError) try {
  if (path.empty()) return Failure{"empty file name"};
  int error = 0;
  std::optional<platform::ReadableFile> file = platform::ReadableFile::Open(path, &error);
  if (!file) {
    if (error == EISDIR) return Failure{"is a folder, not a file"};
    if (error == platform::kNotARegularFile) return Failure{"not a regular file"};
    if (systemError) *systemError = error;
    return Failure{"cannot be read"};
  }
  if (file->Size() > maxBytes) return Failure{kFileTooLargeReason};
  // Straight into place up to the size the file had when opened (the old
  // bytes are read over, not cleared first) ...
  into.resize(static_cast<std::size_t>(file->Size()));
  std::size_t got = 0;
  while (got < into.size()) {
    const std::int64_t n = file->Read(std::span(into).subspan(got), &error);
    if (n < 0) {
      if (systemError) *systemError = error;
      return Failure{"cannot be read"};
    }
    if (n == 0) {
      into.resize(got);  // a file that shrank since keeps what it still holds
      return {};
    }
    got += static_cast<std::size_t>(n);
  }
  // ... and then whatever it has grown by since.
  std::uint8_t chunk[65536];
  for (;;) {
    const std::int64_t n = file->Read(chunk, &error);
    if (n < 0) {
      if (systemError) *systemError = error;
      return Failure{"cannot be read"};
    }
    if (n == 0) return {};
    if (static_cast<std::uint64_t>(n) > maxBytes - into.size()) return Failure{kFileTooLargeReason};  // it grew
    into.insert(into.end(), chunk, chunk + n);
  }
} catch (const std::bad_alloc&) {
  return Failure{"out of memory"};
}

ErrorOr<Bytes> ReadWholeFile(const Text& path, std::uint64_t maxBytes, int* systemError) {
  Bytes bytes;
  TRY(ReadWholeFileInto(path, maxBytes, bytes, systemError));
  return bytes;
}

Bytes ReadFileBytes(const Text& path, std::uint64_t maxBytes) {
  return ReadWholeFile(path, maxBytes).ToOptional().value_or(Bytes());
}

void ReadFileBytesInto(const Text& path, std::uint64_t maxBytes, Bytes& into) {
  if (!ReadWholeFileInto(path, maxBytes, into, nullptr).ok()) into.clear();
}

bool WriteFileBytes(const Text& path, ByteSpan bytes) {
  if (path.empty()) return false;
  return platform::WriteWholeFile(path, bytes) == 0;
}

bool WriteFileBytesAndReadBack(const Text& path, ByteSpan bytes, Bytes& readBack) {
  if (path.empty()) return false;
  return platform::WriteAndReadBack(path, bytes, readBack) == 0;
}

bool PathExists(const Text& path) { return !path.empty() && platform::AnythingAt(path); }

bool IsReadableFile(const Text& path) { return !path.empty() && platform::ReadableFile::Open(path).has_value(); }

bool IsFolder(const Text& path) { return !path.empty() && platform::KindOfPath(path) == platform::PathKind::kFolder; }

Text FolderOfPath(const Text& path) {
#ifdef _WIN32
  constexpr const char* kSeparators = "/\\";
#else
  constexpr const char* kSeparators = "/";
#endif
  std::size_t last = path.find_last_of(kSeparators);
  if (last == Text::npos) return {};
  // "/a.qil" lies in "/", and "C:\a.qil" in "C:\".
  if (last == 0 || (last > 0 && path[last - 1] == ':')) return path.substr(0, last + 1);
  return path.substr(0, last);
}

Text HomeFolder() { return platform::HomeFolder(); }

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
