#include "tool_files.h"

#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <utility>

#include "core/files.h"

namespace tilvane::qiltool {

void Report(const Text& file, const Text& reason) { std::cerr << "qiltool: " << file << ": " << reason << '\n'; }

std::optional<Bytes> ReadInput(const Text& path, std::uint64_t maxBytes) {
  int error = 0;
  ErrorOr<Bytes> bytes = ReadWholeFile(path, maxBytes, &error);
  if (bytes) return std::move(bytes).ToOptional();
  if (error != 0) {
    Report(path, std::strerror(error));  // the system's own words: "No such file or directory"
  } else if (std::string_view(bytes.reason()) == kFileTooLargeReason) {
    Report(path, Text(kFileTooLargeReason) + " (over " + std::to_string(maxBytes >> 20) + " MiB)");
  } else {
    Report(path, bytes.reason());
  }
  return std::nullopt;
}

std::optional<ImageList> LoadGroup(const Text& path) {
  std::optional<Bytes> bytes = ReadInput(path);
  if (!bytes) return std::nullopt;
  ErrorOr<ImageList> list = DecodeImageGroup(*bytes);
  if (!list) Report(path, list.reason());
  return std::move(list).ToOptional();
}

bool WriteOutput(const Text& path, ByteSpan bytes) {
  SaveResult saved = SaveFileAtomically(path, bytes);
  if (!saved.ok) Report(path, "cannot write: " + Text(std::strerror(saved.error)));
  return saved.ok;
}

bool SaveGroup(const Text& path, const ImageList& list) {
  // Nothing is written that qiltool or the editor would refuse to read; the
  // size is known before a byte is encoded.
  if (const auto size = EncodedGroupSize(list, list.capacity); size && *size > kMaxImageGroupFileBytes) {
    Report(path, "the group would take " + std::to_string(*size) +
                     " bytes, more than the 536,870,912 a group file may have to be read back");
    return false;
  }
  ErrorOr<Bytes> encoded = EncodeImageGroup(list);
  if (!encoded) {
    Report(path, "the group cannot be encoded (" + Text(encoded.reason()) + ")");
    return false;
  }
  return WriteOutput(path, *encoded);
}

}  // namespace tilvane::qiltool
