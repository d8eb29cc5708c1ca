// A scratch folder for one test, removed with its content at the end of the test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace qv::test {

class TempFolderTest : public ::testing::Test {
 protected:
  TempFolderTest() : root_(MakeRoot()) {}
  ~TempFolderTest() override {
    std::error_code error;
    std::filesystem::remove_all(root_, error);
  }

  // The scratch folder, ending with "/".
  const std::string& Root() const { return root_; }

  static void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }
  static std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

  // Every regular file below `folder` (recursively) with its content, by path.
  static std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
      if (entry.is_regular_file()) files[entry.path().string()] = ReadText(entry.path().string());
    }
    return files;
  }

 private:
  static std::string MakeRoot() {
    char pattern[] = "/tmp/qv_macros_test_XXXXXX";
    const char* made = ::mkdtemp(pattern);
    return std::string(made != nullptr ? made : "/tmp") + "/";
  }

  std::string root_;
};

}  // namespace qv::test
