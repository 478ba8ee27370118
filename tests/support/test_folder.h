// A fresh folder for the running GoogleTest test, named after the test and
// the process so that parallel runs never share one.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace tilvane::testing {

inline std::filesystem::path FreshTestFolder(const std::string& prefix) {
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()) + "-" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  return root;
}

}  // namespace tilvane::testing
