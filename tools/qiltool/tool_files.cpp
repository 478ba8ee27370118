#include "tool_files.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <new>
#include <string>

#include "core/files.h"
#include "core/platform/files.h"

namespace tilvane::qiltool {

void Report(const Text& file, const Text& reason) {
  std::cerr << "qiltool: " << file << ": " << reason << '\n';
}

std::optional<Bytes> ReadInput(const Text& path, std::uint64_t maxBytes) {
  if (path.empty()) {
    Report(path, "empty file name");
    return std::nullopt;
  }
  int error = 0;
  std::optional<platform::ReadableFile> file = platform::ReadableFile::Open(path, &error);
  if (!file) {
    Report(path, error == EISDIR                        ? Text("is a folder, not a file")
                 : error == platform::kNotARegularFile ? Text("not a regular file")
                                                       : Text(std::strerror(error)));
    return std::nullopt;
  }
  const Text tooLarge = "too large (over " + std::to_string(maxBytes >> 20) + " MiB)";
  // Checked before anything is allocated, and again while reading, for a
  // file that grows meanwhile.
  if (file->Size() > maxBytes) {
    Report(path, tooLarge);
    return std::nullopt;
  }
  Bytes bytes;
  try {
    bytes.reserve(static_cast<std::size_t>(file->Size()));
    std::uint8_t chunk[65536];
    for (;;) {
      std::int64_t n = file->Read(chunk, &error);
      if (n < 0) {
        Report(path, std::strerror(error));
        return std::nullopt;
      }
      if (n == 0) break;
      if (static_cast<std::uint64_t>(n) > maxBytes - bytes.size()) {
        Report(path, tooLarge);
        return std::nullopt;
      }
      bytes.insert(bytes.end(), chunk, chunk + n);
    }
  } catch (const std::bad_alloc&) {
    Report(path, "out of memory");
    return std::nullopt;
  }
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
  if (!saved.ok) Report(path, "cannot write: " + Text(std::strerror(saved.error)));
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
