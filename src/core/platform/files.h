// The operating system's file services, as the rest of the core needs them.
// Paths are UTF-8 on every platform. Failures come back as errno values (on
// Windows the system's error codes mapped onto them), so that one place turns
// them into text for the user. One implementation per platform:
// files_posix.cpp and files_win32.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/text.h"

namespace tilvane::platform {

// Returned by ReadableFile::Open for something that is neither a regular file
// nor a folder (a pipe, a device); not an errno value.
inline constexpr int kNotARegularFile = -1;

// A regular file open for reading; closed when it goes.
class ReadableFile {
 public:
  // Opens `path` for reading without ever waiting (a named pipe fails instead
  // of waiting for a writer). Nothing for anything but a regular file, with
  // `error` set to the reason: EISDIR for a folder, kNotARegularFile for a
  // pipe or device, the system's reason otherwise.
  static std::optional<ReadableFile> Open(const Text& path, int* error = nullptr);

  ReadableFile(ReadableFile&& other) noexcept;
  ReadableFile& operator=(ReadableFile&& other) noexcept;
  ReadableFile(const ReadableFile&) = delete;
  ReadableFile& operator=(const ReadableFile&) = delete;
  ~ReadableFile();

  // The size when it was opened.
  std::uint64_t Size() const { return size_; }
  // The next bytes from the current position: how many were read, 0 at the
  // end, -1 on failure (with `error` set).
  std::int64_t Read(std::span<std::uint8_t> out, int* error = nullptr);
  // Fills `out` from `offset` without moving the current position; false when
  // the file ends first or the read fails.
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out);

 private:
  ReadableFile(std::intptr_t handle, std::uint64_t size) : handle_(handle), size_(size) {}
  void Close();

  std::intptr_t handle_;  // a descriptor, or a Windows HANDLE
  std::uint64_t size_ = 0;
};

enum class PathKind { kNothing, kFile, kFolder, kOther };

// What is at `path`, links followed; kNothing with `error` set when nothing
// can be reached there.
PathKind KindOfPath(const Text& path, int* error = nullptr);

// Whether anything (a file, a folder, a link, even a broken one) is at `path`.
bool AnythingAt(const Text& path);

// Creates the file or writes over it, then cuts it to `bytes`, never through
// a link at `path`. Writing over the old bytes rather than truncating first
// lets the system keep the pages it already holds for the file, which makes
// rewriting a large file of about the same size several times cheaper.
// 0 or the reason.
int WriteWholeFile(const Text& path, ByteSpan bytes);

// Writes `bytes` as WriteWholeFile does and reads the file back into
// `readBack` (its storage reused) through the same opening, which holds the
// file for itself throughout: on POSIX systems an exclusive lock that every
// caller of this function waits for, on Windows a handle shared with no one.
// So another editor's round trip on the same file can come neither between
// the write and the read nor into the middle of either. 0 or the reason; on
// failure `readBack` holds nothing of use, and when the file could not be
// held nothing was written.
int WriteAndReadBack(const Text& path, ByteSpan bytes, Bytes& readBack);
// Deletes a file (not a folder). 0 or the reason.
int DeleteRegularFile(const Text& path);

// Replaces `path` with `bytes` only once they are wholly on disk, leaving an
// existing file whole on any failure; refuses a file the user may not write
// (as a write in place would be refused) and keeps the replaced file's
// permissions and, where the system allows, its owner. 0 or the reason.
int ReplaceFileAtomically(const Text& path, ByteSpan bytes);

// The folder of the given kind ending with the platform's separator, or empty
// text: 11 is a temporary folder that only the user can reach; 1 to 10 are the
// user's and the system's folders where the platform has them.
Text SpecialFolder(int kind);

// The user's home folder without a trailing separator; never empty (the root
// folder when the system names none).
Text HomeFolder();

}  // namespace tilvane::platform
