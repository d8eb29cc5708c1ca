// The keyboard page's profile panel end to end: the main window on the simulated keyboard, the
// panel's buttons and drop-down list, the flows with their message boxes and file dialogs, and
// what reaches the keyboard.
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "devices/ui/device_key_button.h"
#include "keys/ui/key_set_control.h"
#include "main_wnd_fixture.h"
#include "profiles/ui/device_profile.h"
#include "sim/sim_keyboard.h"
#include "transport/command_packet.h"
#include "transport/hid_backend.h"
#include "ui/msg_wnd.h"

namespace qv::ui {
namespace {

constexpr int kWaitMs = 5000;

class ProfilePanelTest : public MainWndFixture {
 protected:
  void SetUp() override {
    MainWndFixture::SetUp();
    SetDefaultHidBackend(&backend_);
    SetMessageHandlerForTest([this](const MessageRequest& request) {
      messages_ << (request.isTextId ? request.text : QStringLiteral("plain:") + request.text);
      return answer_;
    });
  }
  void TearDown() override {
    window_.reset();
    SetMessageHandlerForTest(nullptr);
    SetDefaultHidBackend(nullptr);
    MainWndFixture::TearDown();
  }

  // The main window with the keyboard plugged in, read and shown.
  CDeviceProfileUI* StartWithKeyboard(CMainWnd::Options options = {}) {
    options.backend = &backend_;
    options.screenSize = [] { return QSize(1280, 800); };
    options.askFirmwareUpdate = [] { return true; };
    options.startProgram = [](const QString&, const QStringList&) {};
    CMainWnd& w = Open(std::move(options));
    backend_.Plug(std::make_shared<sim::SimKeyboard>(firmware_, sim::kKeyboardProductId));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.CurrentDevice() == Keyboard(); }, kWaitMs));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Keyboard()->GetConnectedKeyPositions() != 0; }, kWaitMs));
    QTest::qWait(100);  // the settings read that follows the connection read
    panel_ = FindControlAs<CDeviceProfileUI>(window_->BlockOf(Keyboard())->page.data(),
                                             QStringLiteral("DeviceProfileItem"));
    combo_ = FindControlAs<QComboBox>(panel_, QStringLiteral("device_profile_combo"));
    return panel_;
  }
  void Click(const char* name) {
    auto* button = FindControlAs<QPushButton>(panel_, QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
  }
  // The requests the keyboard got since the last call, colour stream left out, as command ids
  // with repeats folded ("write settings" once for all its chunks).
  std::vector<uint8_t> Requests() {
    std::vector<uint8_t> ids;
    for (const auto& p : firmware_->Packets()) {
      const uint8_t id = p.packet.Command();
      if (p.direction != sim::PacketDirection::kRequest || id == kCmdStreamColors) continue;
      if (ids.empty() || ids.back() != id || id == kCmdBeginUpdate || id == kCmdEndUpdate) {
        ids.push_back(id);
      }
    }
    firmware_->ClearPackets();
    return ids;
  }
  static void Click2(QWidget* root, const char* name) {
    auto* button = FindControlAs<QPushButton>(root, QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    ASSERT_TRUE(button->isEnabled()) << name;
    button->click();
  }
  QString ListFile() const {
    QFile file(home_.filePath(QStringLiteral("data/QV5307/keyboard/ProfileList.ini")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  sim::SimBackend backend_;
  std::shared_ptr<sim::KeyboardFirmware> firmware_ = std::make_shared<sim::KeyboardFirmware>();
  CDeviceProfileUI* panel_ = nullptr;
  QComboBox* combo_ = nullptr;
  QStringList messages_;
  int answer_ = 1;
};

TEST_F(ProfilePanelTest, AFreshFolderGetsItsFirstProfileAndTheKeyboardLoadsIt) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  EXPECT_EQ(panel_->ItemTexts(), QStringList{QStringLiteral("profile1")});
  EXPECT_TRUE(ListFile().contains(QLatin1String("\"profileselect\" : 0")));
  const std::string id = panel_->CurrentProfileId();
  EXPECT_TRUE(IsValidTimestampId(id));
  EXPECT_EQ(Keyboard()->GetProfileName(), id);
  EXPECT_TRUE(QString::fromStdString(Keyboard()->GetProfilePath())
                  .endsWith(QString::fromStdString(id) + QStringLiteral(".Json")));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(Keyboard()->GetProfilePath())));
  // The keyboard's kind: no pointer tab.
  EXPECT_TRUE(FindControl(panel_, QStringLiteral("cursor_Op_tab"))->isHidden());
}

TEST_F(ProfilePanelTest, SelectingSendsTheProfileToTheKeyboardOnceAfterQuickSelections) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  Click("profile_fun_spread_btn");
  EXPECT_TRUE(panel_->IsMenuShown());
  Click("device_add_btn");
  Click("device_add_btn");
  EXPECT_EQ(panel_->ItemTexts(),
            (QStringList{QStringLiteral("profile1"), QStringLiteral("profile2"),
                         QStringLiteral("profile3")}));
  EXPECT_EQ(combo_->currentIndex(), 0);  // a new profile is only remembered
  EXPECT_TRUE(ListFile().contains(QLatin1String("\"profileselect\" : 2")));
  Requests();

  // Three picks within the pause: one switch, to the last one.
  combo_->setCurrentIndex(1);
  combo_->setCurrentIndex(2);
  combo_->setCurrentIndex(1);
  ASSERT_TRUE(window_->Profiles()->SelectPending());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->Profiles()->SelectPending(); }, kWaitMs));
  EXPECT_EQ(panel_->CurrentProfileId(), panel_->Model().Entries()[1].id);
  EXPECT_EQ(Keyboard()->GetProfileName(), panel_->Model().Entries()[1].id);
  EXPECT_EQ(Text(FindControl(panel_, QStringLiteral("device_profile_name_edit"))),
            QStringLiteral("profile2"));
  // Settings and lighting, the macro check (no macros: nothing written), the custom colours of
  // the current group, then the key map after its own look at the key count.
  EXPECT_EQ(Requests(),
            (std::vector<uint8_t>{kCmdBeginUpdate, kCmdWriteSettings, kCmdEndUpdate,
                                  kCmdReadDeviceInfo, kCmdWriteColorBank, kCmdReadDeviceInfo,
                                  kCmdBeginUpdate, kCmdWriteKeyMap, kCmdEndUpdate}));
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(ProfilePanelTest, RenameDeleteAndTheirMessages) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  Click("device_add_btn");
  Click("device_copy_btn");
  EXPECT_EQ(panel_->ItemTexts(),
            (QStringList{QStringLiteral("profile1"), QStringLiteral("profile2"),
                         QStringLiteral("profile1 copy")}));
  auto* name = FindControlAs<QLineEdit>(panel_, QStringLiteral("device_profile_name_edit"));
  name->setText(QStringLiteral("PROFILE2"));
  Click("device_profile_edit_save_btn");
  EXPECT_EQ(messages_, QStringList{QStringLiteral("message_text_5")});
  name->setText(QStringLiteral("  "));
  Click("device_profile_edit_save_btn");
  EXPECT_EQ(messages_.last(), QStringLiteral("message_text_25"));
  name->setText(QStringLiteral("Game"));
  Click("device_profile_edit_save_btn");
  EXPECT_EQ(panel_->ItemTexts().first(), QStringLiteral("Game"));
  EXPECT_TRUE(ListFile().contains(QLatin1String("\"Game\"")));

  // Deleting the selected profile loads the one left selected on the keyboard.
  panel_->SelectProfile(2, false);
  const std::string before = panel_->Model().Entries()[1].id;
  Requests();
  Click("device_sub_btn");
  EXPECT_EQ(panel_->ItemTexts().size(), 2);
  EXPECT_EQ(combo_->currentIndex(), 1);
  EXPECT_EQ(Keyboard()->GetProfileName(), before);
  const std::vector<uint8_t> sent = Requests();
  EXPECT_NE(std::find(sent.begin(), sent.end(), kCmdWriteKeyMap), sent.end());

  // Reset asks first; a refusal changes nothing.
  answer_ = 0;
  Click("device_reset_btn");
  EXPECT_EQ(messages_.last(), QStringLiteral("message_text_22"));
  EXPECT_TRUE(Requests().empty());
  answer_ = 1;
  Click("device_reset_btn");
  EXPECT_FALSE(Requests().empty());
}

TEST_F(ProfilePanelTest, AFailedWriteIsToldAndTheListStaysAsItWas) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  panel_->Store().SetBeforeRenameHookForTest([](const std::string&) { return false; });
  const QString list = ListFile();
  Click("device_add_btn");
  EXPECT_EQ(messages_, QStringList{QStringLiteral("profile_write_failed_text")});
  EXPECT_EQ(panel_->ItemTexts(), QStringList{QStringLiteral("profile1")});
  EXPECT_EQ(ListFile(), list);
  panel_->Store().SetBeforeRenameHookForTest(nullptr);
}

TEST_F(ProfilePanelTest, ImportAndExportGoThroughTheFileDialogs) {
  const QString exported = home_.filePath(QStringLiteral("out/game.json"));
  ASSERT_TRUE(QDir().mkpath(home_.filePath(QStringLiteral("out"))));
  QString offered;
  CMainWnd::Options options;
  options.saveFile = [&](QWidget*, const QString& filter) {
    offered = filter;
    return exported;
  };
  options.openFile = [&](QWidget*, const QString&) { return exported; };
  ASSERT_NE(StartWithKeyboard(std::move(options)), nullptr);
  Click("device_export_btn");
  EXPECT_EQ(offered, QStringLiteral("Profile Files (*.json)"));
  ASSERT_TRUE(QFile::exists(exported));
  Click("device_import_btn");
  Click("device_import_btn");
  EXPECT_EQ(panel_->ItemTexts(), (QStringList{QStringLiteral("profile1"), QStringLiteral("game"),
                                              QStringLiteral("game(1)")}));
  // A file that is no profile is refused without a word.
  QFile bad(exported);
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("[1, 2]");
  bad.close();
  Click("device_import_btn");
  EXPECT_EQ(panel_->ItemTexts().size(), 3);
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(ProfilePanelTest, AFailedAutomaticSaveIsToldOnceWithItsFolder) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  // The profile file's place taken by a folder: no save can succeed.
  const QString path = QString::fromStdString(Keyboard()->GetProfilePath());
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(QDir().mkpath(path));
  Keyboard()->SaveProfile();
  Keyboard()->SaveProfile();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !messages_.isEmpty(); }, kWaitMs));
  QTest::qWait(50);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].startsWith(QLatin1String("plain:")));
  EXPECT_TRUE(messages_[0].contains(QFileInfo(path).absolutePath())) << messages_[0].toStdString();
  EXPECT_TRUE(Keyboard()->Link.Open);  // the keyboard goes on
}

TEST_F(ProfilePanelTest, KeyButtonsShowTheirFactoryAndAssignedFunctions) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  CKestravaKeyboardDevice* keyboard = Keyboard();
  auto* esc = FindControlAs<CDeviceKeyButtonUI>(window_->BlockOf(keyboard)->page.data(),
                                                QStringLiteral("key_0"));
  ASSERT_NE(esc, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !esc->property("tooltiptitle").isNull(); }, kWaitMs));
  EXPECT_EQ(esc->property("tooltiptitle").toString(), QStringLiteral("Esc"));
  EXPECT_TRUE(esc->KeySetHidden());
  // Esc given the media key "Mute": the mark shows and the tooltip names it.
  KeyAssignmentMap assignments = keyboard->GetKeyAssignments();
  std::vector<uint8_t>& entry = assignments[0];
  ASSERT_GE(entry.size(), 5u);
  entry[2] = 0x30;
  entry[3] = 0xE2;
  entry[4] = 0x00;
  keyboard->SetKeyAssignments(assignments);
  keyboard->Refresh();
  EXPECT_FALSE(esc->KeySetHidden());
  EXPECT_EQ(esc->property("tooltiptext").toString(), QStringLiteral("Assigned: Mute"));
}

// ---- the key assignment panel on the same page ----------------------------------------------

TEST_F(ProfilePanelTest, AKeyGivenAMediaFunctionReachesTheKeyboardOnDownload) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  QWidget* page = window_->BlockOf(Keyboard())->page.data();
  auto* keys = FindControlAs<CKeySetControlUI>(page, QStringLiteral("KeySetControlItem"));
  ASSERT_NE(keys, nullptr);
  EXPECT_EQ(keys->CategoryItem(4), -1);  // no DPI on the keyboard
  // Esc's place in the keyboard's key map, found by its factory function.
  const std::optional<uint8_t> p = firmware_->Tables().PositionOfLogicalKey(0);
  ASSERT_TRUE(p.has_value());
  auto* esc = FindControlAs<QAbstractButton>(page, QStringLiteral("key_0"));
  ASSERT_NE(esc, nullptr);
  esc->click();
  ASSERT_TRUE(keys->HasKey());
  EXPECT_EQ(keys->Key().kind, 0x20);
  EXPECT_TRUE(IsVisible(FindControl(keys, QStringLiteral("keyset_layout"))));

  auto* categories = FindControlAs<QComboBox>(keys, QStringLiteral("keyset_function_combo"));
  categories->setCurrentIndex(keys->CategoryItem(7));  // media
  FindControlAs<QComboBox>(keys, QStringLiteral("keyset_media_combo"))->setCurrentIndex(7);
  EXPECT_EQ(keys->Key().kind, 0x30);
  EXPECT_EQ(keys->Key().first, 0xE2);  // mute
  EXPECT_TRUE(keys->Pending());
  EXPECT_FALSE(esc->property("tooltiptext").toString().isEmpty());

  // The keyboard refuses the key map once: the change stays pending and the user is told.
  firmware_->FailPacket(kCmdWriteKeyMap, 1);
  Click2(keys, "key_butt_prosave");
  EXPECT_EQ(messages_, QStringList{QStringLiteral("keyset_download_failed_text")});
  EXPECT_TRUE(keys->Pending());
  Click2(keys, "key_butt_prosave");
  EXPECT_FALSE(keys->Pending());
  const std::vector<uint8_t> map = firmware_->Tables().keyMap;
  EXPECT_EQ(map[3 * *p], 0x30);
  EXPECT_EQ(map[3 * *p + 1], 0xE2);
  EXPECT_EQ(map[3 * *p + 2], 0x00);

  // Back to the factory function: shown, stored and sent at once.
  Click2(keys, "key_butt_keydefalut");
  EXPECT_EQ(firmware_->Tables().keyMap[3 * *p], 0x20);
  EXPECT_TRUE(esc->property("tooltiptext").toString().endsWith(QLatin1String("Esc")));
}

// A key, a shortcut and a mouse button, each set through the panel's controls as a user sets it,
// reach the keyboard's key map as exactly the three bytes of their codes.
TEST_F(ProfilePanelTest, KeysShortcutsAndMouseButtonsReachTheKeyMapByteForByte) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  QWidget* page = window_->BlockOf(Keyboard())->page.data();
  auto* keys = FindControlAs<CKeySetControlUI>(page, QStringLiteral("KeySetControlItem"));
  ASSERT_NE(keys, nullptr);
  const std::optional<uint8_t> p = firmware_->Tables().PositionOfLogicalKey(0);
  ASSERT_TRUE(p.has_value());
  auto* categories = FindControlAs<QComboBox>(keys, QStringLiteral("keyset_function_combo"));
  QWidget* name = FindControl(keys, QStringLiteral("keyset_keyboard_text_edit"));
  ASSERT_NE(name, nullptr);
  struct Case {
    const char* what;
    std::function<void()> set;
    std::array<uint8_t, 3> bytes;
  };
  const Case cases[] = {
      {"key F",
       [&] {
         categories->setCurrentIndex(keys->CategoryItem(6));
         QTest::keyClick(name, Qt::Key_F);
       },
       {0x20, 0x00, 0x09}},
      {"Ctrl+C",
       [&] {
         categories->setCurrentIndex(keys->CategoryItem(6));
         FindControlAs<QAbstractButton>(keys, QStringLiteral("key_ComBox_check_1"))->click();
         QTest::keyClick(name, Qt::Key_C);
       },
       {0x20, 0x01, 0x06}},
      {"right button",
       [&] {
         categories->setCurrentIndex(keys->CategoryItem(1));
         FindControlAs<QComboBox>(keys, QStringLiteral("keyset_mousekey_combo"))
             ->setCurrentIndex(2);
       },
       {0x10, 0x02, 0x00}},
  };
  for (const Case& c : cases) {
    FindControlAs<QAbstractButton>(page, QStringLiteral("key_0"))->click();
    c.set();
    Click2(keys, "key_butt_prosave");
    EXPECT_FALSE(keys->Pending()) << c.what;
    const std::vector<uint8_t>& map = firmware_->Tables().keyMap;
    EXPECT_EQ((std::array<uint8_t, 3>{map[3 * *p], map[3 * *p + 1], map[3 * *p + 2]}), c.bytes)
        << c.what;
  }
}

}  // namespace
}  // namespace qv::ui
