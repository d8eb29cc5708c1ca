// The access check behind the "device present but not permitted" notice: a node this user may
// open, one whose permissions refuse it, and one that went away.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/hidraw_backend.h"

namespace qv {
namespace {

class NodeAccessTest : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/qv_node_XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    path_ = name;
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

TEST_F(NodeAccessTest, ReadWriteNodeIsOpenable) {
  ASSERT_EQ(chmod(path_.c_str(), 0600), 0);
  EXPECT_EQ(CheckNodeAccess(path_), NodeAccess::kOpenable);
}

// Root may open any node, so as root the check runs in a child that has become "nobody".
// kCannotDrop when this root may not change its user (some containers).
constexpr int kCannotDrop = 100;
int CheckAsUnprivileged(const std::string& path) {
  if (geteuid() != 0) return static_cast<int>(CheckNodeAccess(path));
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(kCannotDrop);
    _exit(static_cast<int>(CheckNodeAccess(path)));
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(NodeAccessTest, NodeWithoutReadWriteForThisUserIsDenied) {
  ASSERT_EQ(chmod(path_.c_str(), 0644), 0);  // others may read only, as a hidraw node without ACL
  const int result = CheckAsUnprivileged(path_);
  if (result == kCannotDrop) GTEST_SKIP() << "cannot become an unprivileged user here";
  EXPECT_EQ(result, static_cast<int>(NodeAccess::kDenied));
}

TEST_F(NodeAccessTest, VanishedNodeIsGoneNotDenied) {
  EXPECT_EQ(CheckNodeAccess(path_ + ".unplugged"), NodeAccess::kGone);
}

}  // namespace
}  // namespace qv
