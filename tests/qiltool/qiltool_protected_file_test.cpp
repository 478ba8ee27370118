// A group its owner protected (mode 0444) in a folder the user may write: the
// rename of an atomic save would be allowed, a write in place would not, and
// qiltool must refuse as the write would. Run as an ordinary user, also when
// the tests run as root.
#ifndef _WIN32  // POSIX permissions and mounts; the Windows tests have their own read-only case
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "qiltool/qiltool_fixture.h"
#include "support/ordinary_user.h"

namespace tilvane::testing {
namespace {

namespace fs = std::filesystem;

class QiltoolProtectedFile : public QiltoolTest {
 protected:
  void SetUp() override {
    // Everything the ordinary user touches lives in the scratch folder, given to them.
    group_ = FixtureGroup("只读.qil");
    fs::copy_file(IntakeFixture("multi.ico"), File("multi.ico"));
    ASSERT_EQ(::chmod(group_.c_str(), 0444), 0);
    for (const std::string& path : {File(""), group_, File("multi.ico")}) GiveToOrdinaryUser(path);
    before_ = ReadAll(group_);
    ASSERT_EQ(::stat(group_.c_str(), &info_), 0);
  }
  void ExpectUnchanged() {
    EXPECT_EQ(ReadAll(group_), before_);
    struct stat now {};
    ASSERT_EQ(::stat(group_.c_str(), &now), 0);
    EXPECT_EQ(now.st_mode, info_.st_mode);
    EXPECT_EQ(now.st_uid, info_.st_uid);
    EXPECT_EQ(now.st_gid, info_.st_gid);
    EXPECT_EQ(now.st_ino, info_.st_ino);  // the very same file, not a copy renamed over it
  }

  std::string group_;
  Bytes before_;
  struct stat info_ {};
};

TEST_F(QiltoolProtectedFile, AddFailsWithThreeAndLeavesTheGroupByteForByte) {
  ToolResult result;
  result = RunQiltool({"add", group_, File("multi.ico")}, File(""), RunAs::OrdinaryUser);
  EXPECT_EQ(result.status, 3) << result.err;
  EXPECT_EQ(result.err, "qiltool: " + group_ + ": cannot write: " + std::strerror(EACCES) + "\n");
  ExpectUnchanged();
  // Nothing left beside it but what the test put there.
  EXPECT_EQ(std::distance(fs::directory_iterator(File("")), fs::directory_iterator()), 2);
}

TEST_F(QiltoolProtectedFile, EveryCommandWritingTheGroupRefuses) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"new", group_}, {"remove", group_, "0"}, {"move", group_, "0", "1"}, {"merge", group_, group_, group_}}) {
    ToolResult result;
    result = RunQiltool(args, File(""), RunAs::OrdinaryUser);
    EXPECT_EQ(result.status, 3) << args[0] << ": " << result.err;
    EXPECT_NE(result.err.find("cannot write: " + std::string(std::strerror(EACCES))), std::string::npos) << result.err;
    ExpectUnchanged();
  }
}

TEST_F(QiltoolProtectedFile, AWritableGroupOfTheUsersOwnIsReplacedKeepingItsMode) {
  ASSERT_EQ(::chmod(group_.c_str(), 0640), 0);
  ToolResult result;
  result = RunQiltool({"add", group_, File("multi.ico")}, File(""), RunAs::OrdinaryUser);
  EXPECT_EQ(result.status, 0) << result.err;
  struct stat now {};
  ASSERT_EQ(::stat(group_.c_str(), &now), 0);
  EXPECT_EQ(now.st_mode & 07777, 0640u);
  EXPECT_EQ(now.st_uid, info_.st_uid);
  EXPECT_EQ(now.st_gid, info_.st_gid);
  EXPECT_NE(ReadAll(group_), before_);
}

}  // namespace
}  // namespace tilvane::testing

#endif  // _WIN32
