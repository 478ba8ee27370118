// The reasons a user reads, from real failed saves on POSIX systems.
#ifndef _WIN32
#include "core/error_text.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "core/files.h"
#include "support/ordinary_user.h"
#include "support/test_folder.h"

namespace tilvane {
namespace {

namespace fs = std::filesystem;

TEST(ErrorTextTest, TheReasonsOfAFailedSaveAreChineseWhateverTheLocale) {
  std::setlocale(LC_ALL, "C");
  struct Case {
    int error;
    const char* text;
  };
  for (Case c :
       {Case{EACCES, "没有权限"}, Case{EPERM, "没有权限"}, Case{EROFS, "只读文件系统"}, Case{ENOSPC, "磁盘空间不足"},
        Case{EDQUOT, "超出磁盘配额"}, Case{ENOENT, "文件夹不存在"}, Case{ENOTDIR, "文件夹不存在"},
        Case{ENAMETOOLONG, "文件名太长"}, Case{EISDIR, "这是一个文件夹"}, Case{EFBIG, "文件太大"}}) {
    EXPECT_EQ(ErrorText(c.error), Text(c.text)) << std::strerror(c.error);
  }
}

TEST(ErrorTextTest, OtherErrorsAreTheLibrarysDescription) {
  EXPECT_EQ(ErrorText(EIO), Text(std::strerror(EIO)));
  EXPECT_EQ(ErrorText(EXDEV), Text(std::strerror(EXDEV)));
  EXPECT_FALSE(ErrorText(EIO).empty());
}


// Real failed saves carry these texts as their reason.
class FailedSaveReasonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testing::FreshTestFolder("tilvane-error-text");
  }
  void TearDown() override {
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(root_);
  }
  Text PathOf(const std::string& name) const { return (root_ / name).string(); }
  fs::path root_;
};

TEST_F(FailedSaveReasonTest, MissingFolderFolderInTheWayAndLongName) {
  EXPECT_EQ(SaveFileAtomically(PathOf("gone/g.qil"), Bytes{1}).reason, Text("文件夹不存在"));
  fs::create_directories(root_ / "folder.qil");
  EXPECT_EQ(SaveFileAtomically(PathOf("folder.qil"), Bytes{1}).reason, Text("这是一个文件夹"));
  EXPECT_EQ(SaveFileAtomically(PathOf(std::string(300, 'n') + ".qil"), Bytes{1}).reason, Text("文件名太长"));
  // Programs that speak the C library's language (qiltool) get the error number behind each text.
  EXPECT_EQ(SaveFileAtomically(PathOf("gone/g.qil"), Bytes{1}).error, ENOENT);
  EXPECT_EQ(SaveFileAtomically(PathOf("folder.qil"), Bytes{1}).error, EISDIR);
  EXPECT_EQ(SaveFileAtomically(PathOf(std::string(300, 'n') + ".qil"), Bytes{1}).error, ENAMETOOLONG);
  EXPECT_EQ(SaveFileAtomically("", Bytes{1}).error, ENOENT);
  EXPECT_EQ(SaveFileAtomically(PathOf("fine.qil"), Bytes{1}).error, 0);
}

TEST_F(FailedSaveReasonTest, NoPermission) {
  fs::create_directories(root_ / "locked");
  fs::permissions(root_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  testing::GiveToOrdinaryUser(root_.string());
  testing::GiveToOrdinaryUser((root_ / "locked").string());
  SaveResult result;
  {
    testing::OrdinaryUser user;
    result = SaveFileAtomically(PathOf("locked/g.qil"), Bytes{1});
  }
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason, Text("没有权限"));
  EXPECT_EQ(result.error, EACCES);
}

TEST_F(FailedSaveReasonTest, FileTooLarge) {
  // A file-size limit stands for a file system that takes no file this big.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  SaveResult result = SaveFileAtomically(PathOf("big.qil"), Bytes(64 * 1024, 7));
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason, Text("文件太大"));
  EXPECT_EQ(result.error, EFBIG);
  EXPECT_FALSE(fs::exists(root_ / "big.qil"));
}

}  // namespace
}  // namespace tilvane

#endif  // _WIN32
