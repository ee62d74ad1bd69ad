// A directory of one's own for each test: named after the test and the
// process, so parallel ctest runs and repeated runs never share files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

namespace testsupport {

inline std::filesystem::path MakeScratchDir(const std::string& prefix) {
  const auto dir = std::filesystem::temp_directory_path() /
                   (prefix + "_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace testsupport
