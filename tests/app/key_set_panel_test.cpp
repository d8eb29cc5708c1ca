// The key assignment panel on its own: how a code is shown in its category's controls and built
// back from them, the key capture of the key name field, and the keyboard's hidden categories.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "keys/ui/key_set_control.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/ui_resources.h"

namespace qv {
void SetInstallFolder(const std::string& path);  // profiles/data_folders.h
}  // namespace qv

namespace qv::ui {
namespace {

KeyAssignment Record(KeyFunction current, KeyFunction factory = {0x20, 0x00, 0x29}) {
  KeyAssignment a;
  a.kind = current.kind;
  a.first = current.first;
  a.second = current.second;
  a.defaultKind = factory.kind;
  a.defaultFirst = factory.first;
  a.defaultSecond = factory.second;
  return a;
}

class KeySetPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetInstallFolder(std::string(QV_SOURCE_DIR) + "/data/");
    UiResources::SetInstallFolder(QStringLiteral(QV_SOURCE_DIR));
    ASSERT_TRUE(UiResources::LoadResourceMap());
    ASSERT_TRUE(CResourceManager::LoadLanguage(QStringLiteral("lan_en.xml")));
    panel = std::make_unique<CKeySetControlUI>();
    panel->SetDeviceKind(1);
    panel->FillMacroList(
        {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
  }
  void TearDown() override {
    panel.reset();
    CResourceManager::Release();
    UiResources::Release();
    SetInstallFolder("");
  }
  QComboBox* Combo(const char* name) {
    return FindControlAs<QComboBox>(panel.get(), QString::fromLatin1(name));
  }
  void PickCategory(int category) {
    Combo("keyset_function_combo")->setCurrentIndex(panel->CategoryItem(category));
    panel->OnCategorySelected();
  }
  KeyFunction Built() {
    const KeyAssignment a = panel->BuildCode();
    return {a.kind, a.first, a.second};
  }
  QString KeyName() {
    return Text(FindControl(panel.get(), QStringLiteral("keyset_keyboard_text_edit")));
  }

  std::unique_ptr<CKeySetControlUI> panel;
};

TEST_F(KeySetPanelTest, KeyboardHidesDpiAndGunKeysAndAForeignCodeHidesTheEditor) {
  EXPECT_EQ(panel->CategoryItem(4), -1);
  EXPECT_EQ(panel->CategoryItem(10), -1);
  EXPECT_GE(panel->CategoryItem(7), 0);
  panel->SetKey(Record({0x16, 1, 2}));  // a mouse factory function: no category
  EXPECT_FALSE(IsVisible(FindControl(panel.get(), QStringLiteral("keyset_layout"))));
  panel->SetKey(Record({0x30, 0xE2, 0x00}));
  EXPECT_TRUE(IsVisible(FindControl(panel.get(), QStringLiteral("keyset_layout"))));
  EXPECT_EQ(Combo("keyset_function_combo")->currentIndex(), panel->CategoryItem(7));
  EXPECT_EQ(Combo("keyset_media_combo")->currentIndex(), 7);
}

TEST_F(KeySetPanelTest, CaptureTakesModifiersAndKeysAsTheirOptionsAndUsages) {
  panel->SetKey(Record({0x20, 0x00, 0x29}));
  PickCategory(6);
  EXPECT_EQ(KeyName(), QString());
  EXPECT_EQ(Built(), (KeyFunction{0x20, 0x00, 0x00}));  // the category starts empty

  QSignalSpy captured(panel.get(), &CKeySetControlUI::Captured);
  auto* edit = FindControlAs<QLineEdit>(panel.get(), QStringLiteral("keyset_keyboard_text_edit"));
  QTest::keyClick(edit, Qt::Key_Shift);  // either Shift key gives the Shift option
  EXPECT_EQ(captured.count(), 1);
  EXPECT_EQ(Built(), (KeyFunction{0x20, 0x02, 0x00}));
  EXPECT_EQ(KeyName(), QString());

  panel->OnModifierSelected(3);  // Alt
  QTest::keyClick(edit, Qt::Key_A);
  EXPECT_EQ(captured.count(), 2);
  EXPECT_EQ(Built(), (KeyFunction{0x20, 0x04, 0x04}));
  EXPECT_EQ(KeyName(), QStringLiteral("A"));
  QTest::keyClick(edit, Qt::Key_F13);  // no such key in the tables: ignored
  EXPECT_EQ(captured.count(), 2);
}

// Where the platform reports scan codes (X11, Wayland: the evdev code + 8), keys are found the
// way recording finds them: right-hand modifiers give the same options as the left ones.
TEST_F(KeySetPanelTest, CaptureFindsKeysByTheirScanCodes) {
  panel->SetKey(Record({0x20, 0x00, 0x29}));
  PickCategory(6);
  auto* edit = FindControlAs<QLineEdit>(panel.get(), QStringLiteral("keyset_keyboard_text_edit"));
  const auto press = [edit](int key, quint32 nativeScanCode) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, nativeScanCode, 0, 0);
    QCoreApplication::sendEvent(edit, &event);
  };
  press(Qt::Key_Shift, 54 + 8);  // right Shift
  EXPECT_EQ(Built(), (KeyFunction{0x20, 0x02, 0x00}));
  EXPECT_EQ(KeyName(), QString());
  press(Qt::Key_Alt, 100 + 8);  // right Alt
  press(Qt::Key_A, 30 + 8);
  EXPECT_EQ(Built(), (KeyFunction{0x20, 0x04, 0x04}));
  EXPECT_EQ(KeyName(), QStringLiteral("A"));
  press(Qt::Key_Control, 97 + 8);  // right Ctrl
  press(Qt::Key_Enter, 96 + 8);    // keypad Enter
  EXPECT_EQ(Built(), (KeyFunction{0x20, 0x01, 0x58}));
}

TEST_F(KeySetPanelTest, FieldsBuildTheirCodesAndShowThemBack) {
  panel->SetKey(Record({0x14, 3, 5}));
  PickCategory(5);
  EXPECT_EQ(Built(), (KeyFunction{0x14, 10, 5}));  // the interval is at least 10
  EXPECT_EQ(Text(FindControl(panel.get(), QStringLiteral("keyset_mousefire_interval_edit"))),
            QStringLiteral("10"));

  panel->SetKey(Record({0x70, 5, 0}));  // macro 5 of four: none selected
  EXPECT_EQ(Combo("keyset_macro_combo")->currentIndex(), -1);
  Combo("keyset_macro_combo")->setCurrentIndex(2);
  Combo("keyset_macro_over_combo")->setCurrentIndex(4);
  panel->OnEndModeSelected();
  EXPECT_TRUE(IsVisible(FindControl(panel.get(), QStringLiteral("keyset_macro_cycle_layout"))));
  SetText(FindControl(panel.get(), QStringLiteral("keyset_macro_cycle_edit")), QStringLiteral("7"));
  EXPECT_EQ(Built(), (KeyFunction{0x71, 2, 7}));

  panel->SetKey(Record({0x20, 0x00, 0x29}));  // its own factory function
  EXPECT_EQ(Combo("keyset_function_combo")->currentIndex(), panel->CategoryItem(0));
}

}  // namespace
}  // namespace qv::ui
