// A scratch folder for one test, with XDG_DATA_HOME and TMPDIR pointed into it so that nothing
// touches the real home or /tmp/UpdateData. Removed with its content at the end of the test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace qv::test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class TempFolderTest : public ::testing::Test {
 protected:
  TempFolderTest()
      : root_(MakeRoot()), xdg_("XDG_DATA_HOME", root_ + "xdg"), tmp_("TMPDIR", root_ + "tmp") {
    std::filesystem::create_directories(root_ + "tmp");
  }
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

 private:
  static std::string MakeRoot() {
    char pattern[] = "/tmp/qv_profiles_test_XXXXXX";
    const char* made = ::mkdtemp(pattern);
    return std::string(made != nullptr ? made : "/tmp") + "/";
  }

  std::string root_;
  ScopedEnv xdg_;
  ScopedEnv tmp_;
};

// <repo>/data/DefaultData/, found through QV_TEST_DATA (<repo>/tests/data), else from this
// file's place in the repository.
inline std::string RepoDefaultDataFolder() {
  std::filesystem::path repo;
  if (const char* testData = std::getenv("QV_TEST_DATA")) {
    std::string text = testData;
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    repo = std::filesystem::path(text).parent_path().parent_path();
  } else {
    repo = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
  }
  return (repo / "data" / "DefaultData").string() + "/";
}

}  // namespace qv::test
