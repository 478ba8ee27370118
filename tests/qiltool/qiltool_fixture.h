// The common test fixture: a scratch folder, qiltool run inside it, and
// reading back the groups it wrote.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/imagegroup/codec.h"
#include "core/imagegroup_test_groups.h"
#include "core/intake_test_support.h"
#include "qiltool/qiltool_run.h"

namespace tilvane::testing {

class QiltoolTest : public ::testing::Test {
 protected:
  ToolResult Run(const std::vector<std::string>& args) { return RunQiltool(args, scratch_.File("")); }
  std::string File(const std::string& name) const { return scratch_.File(name); }
  std::string Write(const std::string& name, const Bytes& bytes) const { return scratch_.Write(name, bytes); }
  std::string WriteGroup(const std::string& name, const ImageList& list) const {
    ErrorOr<Bytes> bytes = EncodeImageGroup(list);
    EXPECT_TRUE(bytes.has_value());
    return Write(name, bytes.value_or(Bytes{}));
  }
  static std::optional<ImageList> Decode(const std::string& path) {
    return DecodeImageGroup(ReadAll(path)).ToOptional();
  }

  // A group built by the tool from the PE and ICO fixtures: five icons.
  std::string FixtureGroup(const std::string& name) {
    const std::string path = File(name);
    EXPECT_EQ(Run({"new", path}).status, 0);
    ToolResult added = Run({"add", path, IntakeFixture("icons32.exe"), IntakeFixture("icons64.dll"),
                            IntakeFixture("multi.ico"), IntakeFixture("png256.ico"), IntakeFixture("only16.ico")});
    EXPECT_EQ(added.status, 0) << added.err;
    return path;
  }

  ScratchFolder scratch_;
};

}  // namespace tilvane::testing
