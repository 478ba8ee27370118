#include <gtest/gtest.h>

#include "intake_test_support.h"
#include "qiltool/qiltool_run.h"

namespace tilvane::testing {
namespace {

TEST(QiltoolUsage, HelpListsEveryCommandAndExitCodes) {
  ScratchFolder scratch;
  ToolResult help = RunQiltool({"--help"}, scratch.File(""));
  EXPECT_EQ(help.status, 0);
  for (const char* command : {"info", "new", "add", "remove", "move", "merge", "export", "export-all", "target", "check"}) {
    EXPECT_NE(help.out.find(std::string("  ") + command + " "), std::string::npos) << command;
  }
  EXPECT_NE(help.out.find("3  write failure"), std::string::npos);
}

}  // namespace
}  // namespace tilvane::testing
