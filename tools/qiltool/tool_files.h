// Reading qiltool's inputs and writing its outputs, with the reasons a user
// is shown: every message goes to standard error as "qiltool: FILE: REASON".
#pragma once

#include <optional>

#include "core/imagegroup/codec.h"
#include "core/text.h"

namespace tilvane::qiltool {

// "qiltool: FILE: REASON" on standard error; used for failures and for notes
// about conversions alike.
void Report(const Text& file, const Text& reason);

// The whole regular file at `path`, or nothing after reporting why it could
// not be read (missing, a folder, no permission, larger than `maxBytes`).
std::optional<Bytes> ReadInput(const Text& path, std::uint64_t maxBytes = kMaxImageGroupFileBytes);

// The group in the file at `path`, or nothing after reporting why it could
// not be read or decoded (the decoder's reason, e.g. "mask bitmap cut short").
std::optional<ImageList> LoadGroup(const Text& path);

// Replaces `path` with `bytes` once they are wholly on disk; reports and
// returns false on failure, leaving any old file whole.
bool WriteOutput(const Text& path, ByteSpan bytes);

// Encodes `list` and writes it as WriteOutput does; false after reporting.
bool SaveGroup(const Text& path, const ImageList& list);

}  // namespace tilvane::qiltool
