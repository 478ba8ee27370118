// The POSIX side of the file primitives; files_win32_test.cpp has the Windows side.
#ifndef _WIN32
#include "core/files.h"
#include "core/error_text.h"
#include "support/file_size_limit.h"
#include "support/ordinary_user.h"
#include "support/test_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tilvane {
namespace {

namespace fs = std::filesystem;

// Each test runs with TMPDIR pointing at a fresh folder of its own.
class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testing::FreshTestFolder("tilvane-files-test");
    const char* old = std::getenv("TMPDIR");
    oldTmpdir_ = old ? old : "";
    hadTmpdir_ = old != nullptr;
    ::setenv("TMPDIR", root_.c_str(), 1);
  }
  void TearDown() override {
    if (hadTmpdir_)
      ::setenv("TMPDIR", oldTmpdir_.c_str(), 1);
    else
      ::unsetenv("TMPDIR");
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(root_);
  }
  Text PathOf(const char* name) const { return (root_ / name).string(); }

  // mine/doc.qil holding `bytes` with `mode`, the file and its folder given
  // to the ordinary user.
  void MakeUsersDocument(const Bytes& bytes, mode_t mode) {
    fs::create_directories(root_ / "mine");
    ASSERT_TRUE(WriteFileBytes(PathOf("mine/doc.qil"), bytes));
    ASSERT_EQ(::chmod(PathOf("mine/doc.qil").c_str(), mode), 0);
  }
  void GiveDocumentToOrdinaryUser() {
    testing::GiveToOrdinaryUser(PathOf("mine"));
    testing::GiveToOrdinaryUser(PathOf("mine/doc.qil"));
  }
  // Saves `bytes` at `name` as the ordinary user.
  SaveResult SaveAsOrdinaryUser(const char* name, const Bytes& bytes) {
    testing::OrdinaryUser user;
    return SaveFileAtomically(PathOf(name), bytes);
  }

  fs::path root_;
  std::string oldTmpdir_;
  bool hadTmpdir_ = false;
};

TEST_F(FilesTest, ReadGivesEmptyBytesForMissingEmptyAndUnnamedFiles) {
  EXPECT_TRUE(ReadFileBytes(PathOf("missing")).empty());
  EXPECT_TRUE(WriteFileBytes(PathOf("empty"), {}));
  EXPECT_TRUE(fs::exists(PathOf("empty")));
  EXPECT_TRUE(ReadFileBytes(PathOf("empty")).empty());
  EXPECT_TRUE(ReadFileBytes("").empty());
  EXPECT_TRUE(ReadFileBytes(root_.string()).empty());  // a folder
  // A named pipe with no writer would block a plain open for ever.
  ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
  EXPECT_TRUE(ReadFileBytes(PathOf("pipe")).empty());
}

TEST_F(FilesTest, ReadWholeFileSaysWhyItFailed) {
  int error = 0;
  EXPECT_STREQ(ReadWholeFile(PathOf("missing"), 100, &error).reason(), "cannot be read");
  EXPECT_EQ(error, ENOENT);
  error = 0;
  fs::create_directories(root_ / "folder");
  EXPECT_STREQ(ReadWholeFile(PathOf("folder"), 100, &error).reason(), "is a folder, not a file");
  ASSERT_EQ(::mkfifo(PathOf("fifo").c_str(), 0600), 0);
  EXPECT_STREQ(ReadWholeFile(PathOf("fifo"), 100, &error).reason(), "not a regular file");
  EXPECT_STREQ(ReadWholeFile("", 100, &error).reason(), "empty file name");
  EXPECT_EQ(error, 0) << "only a system failure sets the error number";
  ASSERT_TRUE(WriteFileBytes(PathOf("five"), Bytes{1, 2, 3, 4, 5}));
  EXPECT_STREQ(ReadWholeFile(PathOf("five"), 4).reason(), kFileTooLargeReason);
  EXPECT_EQ(ReadWholeFile(PathOf("five"), 5).ToOptional(), (Bytes{1, 2, 3, 4, 5}));
}

TEST_F(FilesTest, WriteTruncatesAndReadReturnsEveryByte) {
  Bytes big(200000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_TRUE(WriteFileBytes(PathOf("f"), big));
  EXPECT_EQ(ReadFileBytes(PathOf("f")), big);
  Bytes small{1, 2, 3};
  ASSERT_TRUE(WriteFileBytes(PathOf("f"), small));
  EXPECT_EQ(ReadFileBytes(PathOf("f")), small);
}

// Reading into a buffer that held something else, longer or shorter, leaves
// exactly the file's bytes; a file that cannot be read leaves nothing.
TEST_F(FilesTest, ReadIntoAnOldBufferGivesExactlyTheFile) {
  Bytes big(70000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 13 + 1);
  ASSERT_TRUE(WriteFileBytes(PathOf("big"), big));
  ASSERT_TRUE(WriteFileBytes(PathOf("small"), Bytes{9, 8, 7}));
  Bytes buffer(100000, 0xEE);
  ReadFileBytesInto(PathOf("big"), kDefaultMaxFileBytes, buffer);
  EXPECT_EQ(buffer, big);
  ReadFileBytesInto(PathOf("small"), kDefaultMaxFileBytes, buffer);
  EXPECT_EQ(buffer, (Bytes{9, 8, 7}));
  ReadFileBytesInto(PathOf("big"), kDefaultMaxFileBytes, buffer);
  EXPECT_EQ(buffer, big);
  ReadFileBytesInto(PathOf("big"), 1000, buffer);
  EXPECT_TRUE(buffer.empty());
  buffer = big;
  ReadFileBytesInto(PathOf("missing"), kDefaultMaxFileBytes, buffer);
  EXPECT_TRUE(buffer.empty());
}

TEST_F(FilesTest, ReadRefusesFilesLargerThanTheCallerCanUse) {
  const Bytes bytes(1000, 7);
  ASSERT_TRUE(WriteFileBytes(PathOf("f"), bytes));
  EXPECT_EQ(ReadFileBytes(PathOf("f"), 1000), bytes);
  EXPECT_TRUE(ReadFileBytes(PathOf("f"), 999).empty());
  // A sparse file of 2 GB, over the default limit: refused from its size, before any allocation.
  {
    std::ofstream sparse(PathOf("sparse"), std::ios::binary);
    sparse.seekp((2ll << 30) - 1);
    sparse.put('x');
  }
  ASSERT_EQ(fs::file_size(PathOf("sparse")), 2ull << 30);
  EXPECT_TRUE(ReadFileBytes(PathOf("sparse")).empty());
}

TEST_F(FilesTest, WriteWithEmptyPathOrIntoMissingFolderFails) {
  Bytes data{1};
  EXPECT_FALSE(WriteFileBytes("", data));
  EXPECT_FALSE(WriteFileBytes(PathOf("no/such/folder/f"), data));
}

TEST_F(FilesTest, WriteNeverFollowsALinkAtThePath) {
  Bytes precious{'k', 'e', 'e', 'p'};
  ASSERT_TRUE(WriteFileBytes(PathOf("precious"), precious));
  fs::create_symlink(PathOf("precious"), PathOf("link"));
  EXPECT_FALSE(WriteFileBytes(PathOf("link"), Bytes{0, 0}));
  EXPECT_EQ(ReadFileBytes(PathOf("precious")), precious);
}

// The round trip leaves exactly the bytes in the file and in the buffer,
// however long either was, and reuses the buffer's storage.
TEST_F(FilesTest, WriteAndReadBackGivesExactlyWhatWasWritten) {
  Bytes big(90000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 11 + 3);
  Bytes readBack(120000, 0xEE);
  const std::uint8_t* storage = readBack.data();
  ASSERT_TRUE(WriteFileBytesAndReadBack(PathOf("t"), big, readBack));
  EXPECT_EQ(readBack, big);
  EXPECT_EQ(ReadFileBytes(PathOf("t")), big);
  ASSERT_TRUE(WriteFileBytesAndReadBack(PathOf("t"), Bytes{4, 5}, readBack));
  EXPECT_EQ(readBack, (Bytes{4, 5}));
  EXPECT_EQ(ReadFileBytes(PathOf("t")), (Bytes{4, 5}));
  ASSERT_TRUE(WriteFileBytesAndReadBack(PathOf("t"), big, readBack));
  EXPECT_EQ(readBack, big);
  EXPECT_EQ(readBack.data(), storage);
  EXPECT_TRUE(WriteFileBytesAndReadBack(PathOf("t"), Bytes{}, readBack));
  EXPECT_TRUE(readBack.empty());
}

// No link is followed, a folder is not a file, and a pipe at the path fails
// at once instead of waiting for a reader.
TEST_F(FilesTest, WriteAndReadBackRefusesWhatIsNotAFile) {
  Bytes readBack;
  const Bytes precious{'k', 'e', 'e', 'p'};
  ASSERT_TRUE(WriteFileBytes(PathOf("precious"), precious));
  fs::create_symlink(PathOf("precious"), PathOf("link"));
  EXPECT_FALSE(WriteFileBytesAndReadBack(PathOf("link"), Bytes{0, 0}, readBack));
  EXPECT_EQ(ReadFileBytes(PathOf("precious")), precious);
  fs::create_directory(PathOf("folder"));
  EXPECT_FALSE(WriteFileBytesAndReadBack(PathOf("folder"), Bytes{1}, readBack));
  ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
  EXPECT_FALSE(WriteFileBytesAndReadBack(PathOf("pipe"), Bytes(200000, 1), readBack));
  EXPECT_FALSE(WriteFileBytesAndReadBack("", Bytes{1}, readBack));
  EXPECT_FALSE(WriteFileBytesAndReadBack(PathOf("no/such/folder/t"), Bytes{1}, readBack));
}

// While another opening holds the file's lock (as another editor's round
// trip does), the round trip neither writes nor reads; once the lock goes,
// it completes with its own bytes.
TEST_F(FilesTest, WriteAndReadBackWaitsForAnotherRoundTrip) {
  const Bytes other(5000, 'o');
  ASSERT_TRUE(WriteFileBytes(PathOf("shared"), other));
  const int held = ::open(PathOf("shared").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(held, 0);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  ASSERT_EQ(::fcntl(held, F_OFD_SETLK, &lock), 0);
  const Bytes mine(7000, 'm');
  Bytes readBack;
  bool ok = false;
  std::thread roundTrip([&] { ok = WriteFileBytesAndReadBack(PathOf("shared"), mine, readBack); });
  // However long the round trip has had, the file is still the other's.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(ReadFileBytes(PathOf("shared")), other);
  ::close(held);
  roundTrip.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(readBack, mine);
  EXPECT_EQ(ReadFileBytes(PathOf("shared")), mine);
}

TEST_F(FilesTest, RemoveReportsWhetherAFileWasDeleted) {
  ASSERT_TRUE(WriteFileBytes(PathOf("f"), Bytes{1}));
  EXPECT_TRUE(RemoveFile(PathOf("f")));
  EXPECT_FALSE(fs::exists(PathOf("f")));
  EXPECT_FALSE(RemoveFile(PathOf("f")));
  EXPECT_FALSE(RemoveFile(""));
}

TEST_F(FilesTest, AtomicSaveReplacesTheTargetAndKeepsItsMode) {
  ASSERT_TRUE(WriteFileBytes(PathOf("doc.qil"), Bytes{1, 2, 3}));
  ::chmod(PathOf("doc.qil").c_str(), 0640);
  auto result = SaveFileAtomically(PathOf("doc.qil"), Bytes{9, 9});
  ASSERT_TRUE(result.ok) << result.reason;
  EXPECT_EQ(ReadFileBytes(PathOf("doc.qil")), (Bytes{9, 9}));
  EXPECT_EQ(fs::status(PathOf("doc.qil")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // Nothing is left behind beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1);
}

// A new file gets what the umask leaves of 0666, and saving leaves the umask
// as it was, even while another thread reads it.
TEST_F(FilesTest, AtomicSaveOfANewFileTakesItsModeFromTheUmaskAndLeavesTheUmaskAlone) {
  mode_t old = ::umask(027);
  std::atomic<bool> saving{true};
  std::atomic<int> wrongUmask{0};
  std::thread watcher([&] {
    // POSIX reads the umask only by setting it; the watcher sets the same
    // 027, so any other value it sees was set by the save.
    while (saving) {
      mode_t seen = ::umask(027);
      if (seen != 027) ++wrongUmask;
    }
  });
  for (int i = 0; i < 50; ++i) {
    Text path = PathOf(("new" + std::to_string(i) + ".qil").c_str());
    auto result = SaveFileAtomically(path, Bytes{7});
    ASSERT_TRUE(result.ok) << result.reason;
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u) << path;
  }
  saving = false;
  watcher.join();
  EXPECT_EQ(wrongUmask.load(), 0) << "saving set another umask for a moment";
  ::umask(old);
  // Nothing is left behind beside the 50 files.
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 50);
}

// Mode, owner and group of a file, as stat gives them.
struct Ownership {
  mode_t mode = 0;
  uid_t owner = 0;
  gid_t group = 0;
  bool operator==(const Ownership&) const = default;
};
Ownership OwnershipOf(const Text& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return {static_cast<mode_t>(info.st_mode & 07777), info.st_uid, info.st_gid};
}

TEST_F(FilesTest, AtomicSaveOverAFileTheUserMayNotWriteFailsAndLeavesItWhole) {
  // The folder is the user's, so the rename alone would be allowed; the file
  // is protected (0444), so a write in place would not.
  const Bytes before{1, 2, 3};
  MakeUsersDocument(before, 0444);
  GiveDocumentToOrdinaryUser();
  Ownership ownership = OwnershipOf(PathOf("mine/doc.qil"));
  const SaveResult result = SaveAsOrdinaryUser("mine/doc.qil", Bytes{9, 9});
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason, ErrorText(EACCES));  // the reason as the user reads it
  EXPECT_EQ(ReadFileBytes(PathOf("mine/doc.qil")), before);
  EXPECT_EQ(OwnershipOf(PathOf("mine/doc.qil")), ownership);
  EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "mine"), fs::directory_iterator()), 1);
}

TEST_F(FilesTest, AtomicSaveThroughALinkToAProtectedFileFails) {
  const Bytes before{4, 5};
  MakeUsersDocument(before, 0444);
  fs::create_symlink(PathOf("mine/doc.qil"), PathOf("mine/link.qil"));
  GiveDocumentToOrdinaryUser();
  const SaveResult result = SaveAsOrdinaryUser("mine/link.qil", Bytes{9});
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(ReadFileBytes(PathOf("mine/doc.qil")), before);
  EXPECT_TRUE(fs::is_symlink(PathOf("mine/link.qil")));
}

TEST_F(FilesTest, AtomicSaveByTheOwnerKeepsModeOwnerAndGroup) {
  // Saved by the user who owns it (the ordinary user, also under root).
  MakeUsersDocument(Bytes{1}, 0604);
  GiveDocumentToOrdinaryUser();
  Ownership before = OwnershipOf(PathOf("mine/doc.qil"));
  const SaveResult result = SaveAsOrdinaryUser("mine/doc.qil", Bytes{7, 7});
  ASSERT_TRUE(result.ok) << result.reason;
  EXPECT_EQ(ReadFileBytes(PathOf("mine/doc.qil")), (Bytes{7, 7}));
  EXPECT_EQ(OwnershipOf(PathOf("mine/doc.qil")), before);
}

TEST_F(FilesTest, AtomicSaveByRootKeepsAnotherUsersOwnership) {
  if (!testing::RunningAsRoot()) GTEST_SKIP() << "only root may save a file another user owns";
  ASSERT_TRUE(WriteFileBytes(PathOf("theirs.qil"), Bytes{1}));
  ASSERT_EQ(::chmod(PathOf("theirs.qil").c_str(), 0640), 0);
  ASSERT_EQ(::chown(PathOf("theirs.qil").c_str(), testing::kOrdinaryUid, testing::kOrdinaryGid), 0);
  Ownership before = OwnershipOf(PathOf("theirs.qil"));
  auto result = SaveFileAtomically(PathOf("theirs.qil"), Bytes{2});
  ASSERT_TRUE(result.ok) << result.reason;
  EXPECT_EQ(ReadFileBytes(PathOf("theirs.qil")), (Bytes{2}));
  EXPECT_EQ(OwnershipOf(PathOf("theirs.qil")), before);
}

TEST_F(FilesTest, AtomicSaveIntoALockedFolderLeavesTheOldFileWhole) {
  fs::create_directories(root_ / "locked");
  ASSERT_TRUE(WriteFileBytes(PathOf("locked/doc.qil"), Bytes{1, 2, 3}));
  testing::GiveToOrdinaryUser(PathOf("locked"));
  testing::GiveToOrdinaryUser(PathOf("locked/doc.qil"));
  fs::permissions(root_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  SaveResult result;
  {
    testing::OrdinaryUser user;  // root would ignore the folder's permissions
    result = SaveFileAtomically(PathOf("locked/doc.qil"), Bytes{9});
  }
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.reason.empty());
  EXPECT_EQ(ReadFileBytes(PathOf("locked/doc.qil")), (Bytes{1, 2, 3}));
  EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "locked"), fs::directory_iterator()), 1);
  fs::permissions(root_ / "locked", fs::perms::owner_all);
}

TEST_F(FilesTest, AtomicSaveOntoAFullDiskLeavesTheOldFileWholeAndNothingBeside) {
  ASSERT_TRUE(WriteFileBytes(PathOf("doc.qil"), Bytes{1, 2, 3}));
  SaveResult result;
  {
    testing::FileSizeLimit disk(16 * 1024);
    result = SaveFileAtomically(PathOf("doc.qil"), Bytes(256 * 1024, 7));
  }
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.reason.empty());
  EXPECT_EQ(ReadFileBytes(PathOf("doc.qil")), (Bytes{1, 2, 3}));
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1);
}

TEST_F(FilesTest, AtomicSaveIntoAMissingFolderFailsWithAReason) {
  auto result = SaveFileAtomically(PathOf("gone/doc.qil"), Bytes{1});
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.reason.empty());
}

TEST_F(FilesTest, TemporaryFolderIsPrivateAndEndsWithSlash) {
  Text folder = GetSpecialFolder(11);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(folder.rfind(root_.string(), 0), 0u);
  struct stat info {};
  ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(info.st_uid, ::geteuid());
  EXPECT_EQ(GetSpecialFolder(11), folder);
}

TEST_F(FilesTest, TemporaryFolderEndsWithSlashWhenTmpdirHasOne) {
  ::setenv("TMPDIR", (root_.string() + "/").c_str(), 1);
  Text folder = GetSpecialFolder(11);
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(folder.find("//"), Text::npos);
}

TEST_F(FilesTest, PlantedLinkUnderTheUsualNameIsNotUsed) {
  // Somebody planted a link where our folder would be, pointing at a folder
  // of the user's: writes must not land there.
  fs::create_directories(root_ / "victim");
  fs::create_symlink(root_ / "victim", root_ / ("tilvane-" + std::to_string(::geteuid())));
  Text folder = GetSpecialFolder(11);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.find("victim"), Text::npos);
  struct stat info {};
  ASSERT_EQ(::lstat(folder.substr(0, folder.size() - 1).c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  ASSERT_TRUE(WriteFileBytes(folder + "临时图片组.tmp", Bytes{1}));
  EXPECT_TRUE(fs::is_empty(root_ / "victim"));
}

TEST_F(FilesTest, FolderOpenToOthersUnderTheUsualNameIsNotReused) {
  // Our usual folder found world-writable: somebody may have put anything in
  // it meanwhile, so it is left as it is and a fresh private folder is used.
  fs::path usual = root_ / ("tilvane-" + std::to_string(::geteuid()));
  fs::create_directories(usual);
  fs::permissions(usual, fs::perms::all);
  ASSERT_TRUE(WriteFileBytes((usual / "临时图片组.tmp").string(), Bytes{6, 6}));
  Text folder = GetSpecialFolder(11);
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder, usual.string() + "/");
  struct stat info {};
  ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(info.st_uid, ::geteuid());
  EXPECT_FALSE(PathExists(folder + "临时图片组.tmp"));
  // The open folder is not closed behind its users' backs.
  EXPECT_EQ(fs::status(usual).permissions() & fs::perms::all, fs::perms::all);
  EXPECT_EQ(GetSpecialFolder(11), folder);
}

TEST_F(FilesTest, FolderOpenToTheGroupUnderTheUsualNameIsNotReused) {
  fs::path usual = root_ / ("tilvane-" + std::to_string(::geteuid()));
  fs::create_directories(usual);
  fs::permissions(usual, fs::perms::owner_all | fs::perms::group_all);
  Text folder = GetSpecialFolder(11);
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder, usual.string() + "/");
  EXPECT_EQ(fs::status(usual).permissions() & fs::perms::all, fs::perms::owner_all | fs::perms::group_all);
}

TEST_F(FilesTest, AnotherUsersFolderUnderTheUsualNameIsNotUsed) {
  if (!testing::RunningAsRoot()) GTEST_SKIP() << "only root can give a folder to another user";
  fs::path usual = root_ / ("tilvane-" + std::to_string(::geteuid()));
  fs::create_directories(usual);
  fs::permissions(usual, fs::perms::owner_all);
  testing::GiveToOrdinaryUser(usual.string());
  Text folder = GetSpecialFolder(11);
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder, usual.string() + "/");
  struct stat info {};
  ASSERT_EQ(::lstat(usual.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, testing::kOrdinaryUid);
}

TEST_F(FilesTest, OrdinaryUserGetsAPrivateFolderOfTheirOwn) {
  // The user's own TMPDIR, as an ordinary user has one.
  fs::create_directories(root_ / "user-tmp");
  testing::GiveToOrdinaryUser(PathOf("user-tmp"));
  ::setenv("TMPDIR", PathOf("user-tmp").c_str(), 1);
  Text folder;
  uid_t user = 0;
  {
    testing::OrdinaryUser ordinary;
    user = ::geteuid();
    folder = GetSpecialFolder(11);
    EXPECT_TRUE(WriteFileBytes(folder + "临时图片组.tmp", Bytes{1}));
  }
  ASSERT_FALSE(folder.empty());
  struct stat info {};
  ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, user);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(FilesTest, OtherFolderKindsFollowXdgOrAreEmpty) {
  ::setenv("XDG_DATA_HOME", "/data/home", 1);
  EXPECT_EQ(GetSpecialFolder(8), "/data/home/");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(GetSpecialFolder(2), "");
  EXPECT_EQ(GetSpecialFolder(0), "");
  EXPECT_EQ(GetSpecialFolder(12), "");
}

}  // namespace
}  // namespace tilvane

#endif  // _WIN32
