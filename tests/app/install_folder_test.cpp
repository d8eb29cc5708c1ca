// The interface finds its skin and fonts in the same installation folder as the data files, so
// that an installed copy (program in bin/, data in share/qv5307/) works like the build tree.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "profiles/data_folders.h"
#include "ui/ui_resources.h"

namespace qv::ui {
namespace {

TEST(InstallFolderTest, InterfaceFollowsTheDataInstallFolder) {
  QTemporaryDir share;
  ASSERT_TRUE(share.isValid());
  UiResources::Release();
  qv::SetInstallFolder(share.path().toStdString());
  EXPECT_EQ(UiResources::InstallFolder(), share.path());
  EXPECT_EQ(UiResources::SkinFolder(), share.path() + "/skin/");
  EXPECT_EQ(UiResources::ResolvePath(QStringLiteral("XML\\main.xml")),
            share.path() + "/skin/XML/main.xml");
  qv::SetInstallFolder("");
  UiResources::Release();
}

TEST(InstallFolderTest, InterfaceOverrideWinsOverTheDefault) {
  UiResources::SetInstallFolder(QStringLiteral("/opt/elsewhere"));
  qv::SetInstallFolder("/tmp/ignored/");
  EXPECT_EQ(UiResources::SkinFolder(), QStringLiteral("/opt/elsewhere/skin/"));
  qv::SetInstallFolder("");
  UiResources::Release();
}

}  // namespace
}  // namespace qv::ui
