// File primitives on byte paths. None of them throws or prints: each failure is
// a documented result value.
#pragma once

#include <cstdint>
#include <string>

#include "core/error_or.h"
#include "core/text.h"

namespace tilvane {

// Files larger than this are not read whole unless the caller says so.
inline constexpr std::uint64_t kDefaultMaxFileBytes = 1ull << 30;

// ReadWholeFile's reason for a file larger than its limit.
inline constexpr const char* kFileTooLargeReason = "too large";

// The whole regular file at `path`, at most `maxBytes` (checked before
// anything is allocated, and again while reading, for a file that grows).
// Fails with "empty file name", "is a folder, not a file", "not a regular
// file" (a pipe, a device), kFileTooLargeReason, "out of memory", or "cannot be
// read" with `*systemError` set to the system's error number.
ErrorOr<Bytes> ReadWholeFile(const Text& path, std::uint64_t maxBytes, int* systemError = nullptr);

// The whole file as ReadWholeFile reads it; empty where that fails, and for an
// empty file.
Bytes ReadFileBytes(const Text& path, std::uint64_t maxBytes = kDefaultMaxFileBytes);
// The same into `into`, whose storage is reused: reading a file of the size
// it held before allocates nothing. `into` ends empty where ReadFileBytes
// gives empty bytes.
void ReadFileBytesInto(const Text& path, std::uint64_t maxBytes, Bytes& into);

// Creates `path` or writes over it and cuts it to `bytes`; false for an empty
// path or any failure (a partly written file may remain). Never follows a symbolic link at
// `path`: a link there is a failure.
bool WriteFileBytes(const Text& path, ByteSpan bytes);

// Writes `bytes` as WriteFileBytes does and reads the file back into
// `readBack` (its storage reused), the file held for this round trip alone
// so that another editor's cannot come between the two; what comes back is
// then what was written. False on any failure, `readBack` then of no use.
bool WriteFileBytesAndReadBack(const Text& path, ByteSpan bytes, Bytes& readBack);

// Whether anything (a file, a folder, a link) exists at `path`.
bool PathExists(const Text& path);
// Whether `path` is a regular file this user can open for reading (links followed).
bool IsReadableFile(const Text& path);
// Whether `path` is a folder (links followed).
bool IsFolder(const Text& path);
// The folder part of a full path: the text before its last separator ("/", and
// "\" on Windows), the root itself for a file in the root; empty text for a
// path without a separator.
Text FolderOfPath(const Text& path);
// The user's home folder, without a trailing separator.
Text HomeFolder();

// Deletes the file; false when it could not be deleted (missing included).
bool RemoveFile(const Text& path);

// Result of a write that replaces its target only once every byte is on disk.
struct SaveResult {
  bool ok = false;
  Text reason;    // why it failed, in the user's language; empty on success
  int error = 0;  // the system's error number behind `reason`, for programs that word it themselves
};

// Writes `bytes` to a new file beside `path`, flushes it to disk and renames it
// over `path`, so that a failure at any point leaves an existing file whole.
// An existing file the user may not write is refused with the reason, as a
// write in place would be; a replaced file keeps its mode and, where the
// system allows, its owner and group.
SaveResult SaveFileAtomically(const Text& path, ByteSpan bytes);

// Kind 11: the user's own temporary folder (mode 0700, owned by the user, not a
// link) inside TMPDIR or /tmp, ending with "/"; created when missing, and made
// afresh under another name when the usual one is taken by anything else (a
// folder open to others included, which is never closed and reused). Kinds 1 to
// 8 map to the user's XDG folders where one fits. Any other kind or a failed
// lookup: empty text.
Text GetSpecialFolder(int kind);

}  // namespace tilvane
