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
NodeAccess CheckAsUnprivileged(const std::string& path) {
  if (geteuid() != 0) return CheckNodeAccess(path);
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    _exit(static_cast<int>(CheckNodeAccess(path)));
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) > static_cast<int>(NodeAccess::kGone)) {
    ADD_FAILURE() << "could not run the check as an unprivileged user";
    return NodeAccess::kOpenable;
  }
  return static_cast<NodeAccess>(WEXITSTATUS(status));
}

TEST_F(NodeAccessTest, NodeWithoutReadWriteForThisUserIsDenied) {
  ASSERT_EQ(chmod(path_.c_str(), 0644), 0);  // others may read only, as a hidraw node without ACL
  EXPECT_EQ(CheckAsUnprivileged(path_), NodeAccess::kDenied);
}

TEST_F(NodeAccessTest, VanishedNodeIsGoneNotDenied) {
  EXPECT_EQ(CheckNodeAccess(path_ + ".unplugged"), NodeAccess::kGone);
}

}  // namespace
}  // namespace qv
