// The Windows side of the file primitives (files_test.cpp has the POSIX side):
// UTF-8 names of any script, read-only files refused by the atomic save, the
// system's temporary folder.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/error_text.h"
#include "core/files.h"
#include "core/platform/text_codes.h"
#include "intake_test_support.h"

namespace tilvane {
namespace {

namespace fs = std::filesystem;

DWORD AttributesOf(const Text& path) { return ::GetFileAttributesW(platform::Utf8ToWide(path).value_or(L"").c_str()); }

TEST(FilesWin32Test, ChineseNamesAreWrittenReadAndRemovedAsTyped) {
  testing::ScratchFolder folder;
  const Text path = folder.File("图片组 一.qil");
  ASSERT_TRUE(WriteFileBytes(path, Bytes{1, 2, 3}));
  EXPECT_TRUE(fs::exists(testing::FsPath(path)));
  EXPECT_EQ(ReadFileBytes(path), (Bytes{1, 2, 3}));
  EXPECT_TRUE(PathExists(path));
  // The same name through the wide call, as another program would see it.
  EXPECT_NE(AttributesOf(path), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(PathExists(path));
  EXPECT_FALSE(RemoveFile(path));
  EXPECT_TRUE(ReadFileBytes(folder.File("")).empty()) << "a folder";
  EXPECT_TRUE(ReadFileBytes("NUL").empty()) << "a device";
}

TEST(FilesWin32Test, ReadsLargeFilesWhole) {
  testing::ScratchFolder folder;
  Bytes big(300000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 13);
  ASSERT_TRUE(WriteFileBytes(folder.File("大.bin"), big));
  EXPECT_EQ(ReadFileBytes(folder.File("大.bin")), big);
}

// The round trip gives back exactly what it wrote, and cannot run while
// another program holds the file open for writing.
TEST(FilesWin32Test, WriteAndReadBackHoldsTheFileForItself) {
  testing::ScratchFolder folder;
  const Text path = folder.File("临时图片组.tmp");
  Bytes big(300000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  Bytes readBack(400000, 0xEE);
  ASSERT_TRUE(WriteFileBytesAndReadBack(path, big, readBack));
  EXPECT_EQ(readBack, big);
  ASSERT_TRUE(WriteFileBytesAndReadBack(path, Bytes{1, 2}, readBack));
  EXPECT_EQ(readBack, (Bytes{1, 2}));
  EXPECT_EQ(ReadFileBytes(path), (Bytes{1, 2}));
  HANDLE other = ::CreateFileW(platform::Utf8ToWide(path)->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteFileBytesAndReadBack(path, big, readBack));
  ::CloseHandle(other);
  EXPECT_EQ(ReadFileBytes(path), (Bytes{1, 2}));
  EXPECT_FALSE(WriteFileBytesAndReadBack(folder.File(""), big, readBack)) << "a folder";
}

TEST(FilesWin32Test, AtomicSaveRefusesAReadOnlyFileAndLeavesItWhole) {
  testing::ScratchFolder folder;
  const Text path = folder.File("只读.qil");
  ASSERT_TRUE(WriteFileBytes(path, Bytes{1, 2, 3}));
  ASSERT_TRUE(::SetFileAttributesW(platform::Utf8ToWide(path)->c_str(), FILE_ATTRIBUTE_READONLY));
  SaveResult result = SaveFileAtomically(path, Bytes{9, 9});
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason, ErrorText(EACCES));
  EXPECT_EQ(ReadFileBytes(path), (Bytes{1, 2, 3}));
  EXPECT_NE(AttributesOf(path) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(std::distance(fs::directory_iterator(testing::FsPath(folder.File(""))), fs::directory_iterator()), 1);
  ::SetFileAttributesW(platform::Utf8ToWide(path)->c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FilesWin32Test, AtomicSaveReplacesAndCreatesLeavingNothingBeside) {
  testing::ScratchFolder folder;
  const Text path = folder.File("组.qil");
  SaveResult made = SaveFileAtomically(path, Bytes{1});
  ASSERT_TRUE(made.ok) << made.reason;
  SaveResult replaced = SaveFileAtomically(path, Bytes{4, 5, 6});
  ASSERT_TRUE(replaced.ok) << replaced.reason;
  EXPECT_EQ(ReadFileBytes(path), (Bytes{4, 5, 6}));
  EXPECT_EQ(std::distance(fs::directory_iterator(testing::FsPath(folder.File(""))), fs::directory_iterator()), 1);
  SaveResult intoFolder = SaveFileAtomically(folder.File(""), Bytes{1});
  EXPECT_FALSE(intoFolder.ok);
  EXPECT_FALSE(intoFolder.reason.empty());
  SaveResult missing = SaveFileAtomically(folder.File("无/组.qil"), Bytes{1});
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.reason, ErrorText(ENOENT));
}

TEST(FilesWin32Test, TemporaryFolderIsTheSystemsEndingWithABackslash) {
  wchar_t expected[MAX_PATH + 1];
  DWORD length = ::GetTempPathW(MAX_PATH + 1, expected);
  ASSERT_GT(length, 0u);
  Text folder = GetSpecialFolder(11);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_EQ(folder, platform::WideToUtf8(std::wstring_view(expected, length)));
  EXPECT_TRUE(WriteFileBytes(folder + "临时图片组.tmp", Bytes{1}));
  EXPECT_TRUE(RemoveFile(folder + "临时图片组.tmp"));
  EXPECT_EQ(GetSpecialFolder(10).back(), '\\');
  EXPECT_EQ(GetSpecialFolder(0), "");
  EXPECT_EQ(GetSpecialFolder(12), "");
}

TEST(FilesWin32Test, CodePageConversionsMatchTheSystemsTables) {
  const Bytes gbk = {0xC1, 0xD9, 0xCA, 0xB1};  // 临时
  EXPECT_EQ(platform::GbkToUtf8(gbk), Text("临时"));
  EXPECT_FALSE(platform::GbkToUtf8(Bytes{0x81}));
  EXPECT_EQ(platform::Utf8ToWide("图"), std::wstring(L"\u56FE"));
  EXPECT_FALSE(platform::Utf8ToWide("\xFF"));
  EXPECT_EQ(platform::WideToUtf8(L"\u56FE"), "图");
}

}  // namespace
}  // namespace tilvane
#endif  // _WIN32
