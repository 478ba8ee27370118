#include "tool_files.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "core/files.h"
#include "core/platform/files.h"

namespace tilvane::qiltool {

void Report(const Text& file, const Text& reason) {
  std::cerr << "qiltool: " << file << ": " << reason << '\n';
}

std::optional<Bytes> ReadInput(const Text& path) {
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
  Bytes bytes;
  bytes.reserve(static_cast<std::size_t>(file->Size()));
  std::uint8_t chunk[65536];
  for (;;) {
    std::int64_t n = file->Read(chunk, &error);
    if (n < 0) {
      Report(path, std::strerror(error));
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
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
  if (!saved.ok) Report(path, "cannot write: " + saved.reason);
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
