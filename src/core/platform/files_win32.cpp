// Files on Windows: UTF-8 paths become UTF-16 for the wide calls, so that any
// name works whatever the system's ANSI code page.
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>
#include <utility>

#include "core/platform/files.h"
#include "core/platform/text_codes.h"

namespace tilvane::platform {

namespace {

// The errno value that tells the user the same as a system error code.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CURRENT_DIRECTORY: return EACCES;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    default: return EIO;
  }
}

int LastError() { return ErrnoOf(::GetLastError()); }

// Closes a handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  // Closes now and tells whether the close itself succeeded.
  bool Close() {
    HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    return ::CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

bool WriteAll(HANDLE file, ByteSpan bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

// Fills `out` from `offset` on; the offset travels with each call, as
// pread's does. 0, the reason, or EIO when the file ends first.
int ReadAllAt(HANDLE file, std::uint64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset + done);
    at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
    DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(file, out.data() + done, wanted, &got, &at)) return LastError();
    if (got == 0) return EIO;
    done += got;
  }
  return 0;
}

// Writes `bytes` over the file at `path` and cuts it there, never through a
// reparse point, the file shared with no one until it is closed; with
// `readBack`, reads the file back into it through the same handle.
int WriteWhole(const Text& path, ByteSpan bytes, Bytes* readBack) {
  std::optional<std::wstring> wide = Utf8ToWide(path);
  if (!wide) return ENOENT;
  DWORD attributes = ::GetFileAttributesW(wide->c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return ELOOP;
  const DWORD access = readBack ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
  Handle file(::CreateFileW(wide->c_str(), access, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.valid()) return LastError();
  if (!WriteAll(file.get(), bytes)) return LastError();
  if (!::SetEndOfFile(file.get())) return LastError();
  if (readBack) {
    readBack->resize(bytes.size());
    if (int error = ReadAllAt(file.get(), 0, *readBack); error != 0) return error;
  }
  return file.Close() ? 0 : LastError();
}

Text EnsureTrailingBackslash(Text path) {
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  return path;
}

// A temporary name beside `target` that nobody else picks at the same time.
std::wstring TemporaryNameBeside(const std::wstring& target, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  std::size_t slash = target.find_last_of(L"\\/");
  std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
  std::wstring name = slash == std::wstring::npos ? target : target.substr(slash + 1);
  return folder + L"." + name + L".saving-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
         std::to_wstring(counter++) + L"-" + std::to_wstring(attempt);
}

std::optional<std::wstring> FullPath(const std::wstring& path) {
  DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return std::nullopt;
  std::wstring full(length, L'\0');
  length = ::GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
  if (length == 0 || length >= full.size()) return std::nullopt;
  full.resize(length);
  return full;
}

Text FolderFromCall(DWORD (*call)(LPWSTR, UINT)) {
  wchar_t buffer[MAX_PATH + 1];
  DWORD length = call(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return EnsureTrailingBackslash(WideToUtf8(std::wstring_view(buffer, length)));
}

DWORD WINAPI TemporaryPath(LPWSTR buffer, UINT size) { return ::GetTempPathW(size, buffer); }
DWORD WINAPI WindowsPath(LPWSTR buffer, UINT size) { return ::GetWindowsDirectoryW(buffer, size); }
DWORD WINAPI SystemPath(LPWSTR buffer, UINT size) { return ::GetSystemDirectoryW(buffer, size); }

}  // namespace

std::optional<ReadableFile> ReadableFile::Open(const Text& path, int* error) {
  auto fail = [&](int reason) -> std::optional<ReadableFile> {
    if (error) *error = reason;
    return std::nullopt;
  };
  std::optional<std::wstring> wide = Utf8ToWide(path);
  if (!wide) return fail(ENOENT);
  DWORD attributes = ::GetFileAttributesW(wide->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return fail(LastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return fail(EISDIR);
  // Others may read along, nobody may write meanwhile.
  HANDLE handle = ::CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return fail(LastError());
  LARGE_INTEGER size{};
  if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileSizeEx(handle, &size) || size.QuadPart < 0) {
    ::CloseHandle(handle);
    return fail(kNotARegularFile);
  }
  return ReadableFile(reinterpret_cast<std::intptr_t>(handle), static_cast<std::uint64_t>(size.QuadPart));
}

ReadableFile::ReadableFile(ReadableFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), size_(other.size_) {}

ReadableFile& ReadableFile::operator=(ReadableFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
    size_ = other.size_;
  }
  return *this;
}

ReadableFile::~ReadableFile() { Close(); }

void ReadableFile::Close() {
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}

std::int64_t ReadableFile::Read(std::span<std::uint8_t> out, int* error) {
  DWORD got = 0;
  DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(out.size(), 1u << 30));
  if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), out.data(), wanted, &got, nullptr)) {
    if (error) *error = LastError();
    return -1;
  }
  return got;
}

bool ReadableFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  // A file that shrank under us counts as a failed read.
  return handle_ != -1 && ReadAllAt(reinterpret_cast<HANDLE>(handle_), offset, out) == 0;
}

PathKind KindOfPath(const Text& path, int* error) {
  std::optional<std::wstring> wide = Utf8ToWide(path);
  DWORD attributes = wide ? ::GetFileAttributesW(wide->c_str()) : INVALID_FILE_ATTRIBUTES;
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (error) *error = wide ? LastError() : ENOENT;
    return PathKind::kNothing;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kFolder;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return PathKind::kOther;
  return PathKind::kFile;
}

bool AnythingAt(const Text& path) {
  std::optional<std::wstring> wide = Utf8ToWide(path);
  return wide && ::GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES;
}

int WriteWholeFile(const Text& path, ByteSpan bytes) { return WriteWhole(path, bytes, nullptr); }

int WriteAndReadBack(const Text& path, ByteSpan bytes, Bytes& readBack) { return WriteWhole(path, bytes, &readBack); }

int DeleteRegularFile(const Text& path) {
  std::optional<std::wstring> wide = Utf8ToWide(path);
  if (!wide) return ENOENT;
  DWORD attributes = ::GetFileAttributesW(wide->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
  return ::DeleteFileW(wide->c_str()) ? 0 : LastError();
}

int ReplaceFileAtomically(const Text& path, ByteSpan bytes) {
  std::optional<std::wstring> given = Utf8ToWide(path);
  if (!given || given->empty()) return ENOENT;
  // The full path, so that the temporary file lands in the target's folder
  // and the replacement names both files alike.
  std::optional<std::wstring> target = FullPath(*given);
  if (!target) return LastError();

  DWORD attributes = ::GetFileAttributesW(target->c_str());
  const bool targetExists = attributes != INVALID_FILE_ATTRIBUTES;
  if (targetExists) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
    // A read-only file refuses a write in place, and so does its save.
    if (attributes & FILE_ATTRIBUTE_READONLY) return EACCES;
    // So does a file its permissions or another program's lock protect.
    Handle probe(::CreateFileW(target->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe.valid()) return LastError();
  }

  std::wstring temporary;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = TemporaryNameBeside(*target, attempt);
    created = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) return LastError();
  }
  if (created == INVALID_HANDLE_VALUE) return EEXIST;
  Handle file(created);
  auto fail = [&](int error) {
    if (file.valid()) file.Close();
    ::DeleteFileW(temporary.c_str());
    return error;
  };
  if (!WriteAll(file.get(), bytes)) return fail(LastError());
  if (!::FlushFileBuffers(file.get())) return fail(LastError());
  if (!file.Close()) return fail(LastError());

  if (targetExists) {
    // The replaced file's attributes and security (owner and permissions) go
    // over to the new one.
    if (!::ReplaceFileW(target->c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr)) {
      return fail(LastError());
    }
  } else if (!::MoveFileExW(temporary.c_str(), target->c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return fail(LastError());
  }
  return 0;
}

Text SpecialFolder(int kind) {
  switch (kind) {
    case 9: return FolderFromCall(WindowsPath);
    case 10: return FolderFromCall(SystemPath);
    // The system's temporary folder is in the user's own profile already.
    case 11: return FolderFromCall(TemporaryPath);
    default: break;
  }
  static constexpr int kShellFolders[] = {CSIDL_PERSONAL,  CSIDL_FAVORITES, CSIDL_DESKTOPDIRECTORY, CSIDL_FONTS,
                                          CSIDL_STARTMENU, CSIDL_PROGRAMS,  CSIDL_STARTUP,          CSIDL_APPDATA};
  if (kind < 1 || kind > 8) return {};
  wchar_t buffer[MAX_PATH];
  if (::SHGetFolderPathW(nullptr, kShellFolders[kind - 1], nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) return {};
  return EnsureTrailingBackslash(WideToUtf8(buffer));
}

Text HomeFolder() {
  wchar_t buffer[MAX_PATH];
  if (::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, buffer) == S_OK) {
    return WideToUtf8(buffer);
  }
  Text system = SpecialFolder(10);
  return system.size() >= 3 ? system.substr(0, 3) : Text("C:\\");
}

}  // namespace tilvane::platform
