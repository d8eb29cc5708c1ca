// Pictures of the windows for the documentation, in both languages: the main window without a
// device and with the keyboard, the keyboard page with the profile list open and with a key
// given another function, the macro page recording and with a long macro, the colour palette
// dialog, the message box,
// the about window and the settings window. Written only
// when QV_SCREENSHOTS is set to a folder, e.g.
//   QV_SCREENSHOTS=docs QT_QPA_PLATFORM=xcb build/tests/app/qv_test_app --gtest_filter=Screen*
// Otherwise the test checks that each window renders at its size. With QV_SCREENSHOTS_LARGE set
// too, the main window is placed as on a large screen (144 dpi).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPainter>
#include <QTest>

#include "app/aux_windows.h"
#include "keys/ui/key_set_control.h"
#include "lighting/ui/color_select_wnd.h"
#include "macros/ui/macro_control.h"
#include "main_wnd_fixture.h"
#include "profiles/ui/device_profile.h"
#include "sim/sim_keyboard.h"
#include "transport/hid_backend.h"
#include "ui/msg_wnd.h"

namespace qv::ui {
namespace {

constexpr int kWaitMs = 5000;

class ScreenshotTest : public MainWndFixture {
 protected:
  void SetUp() override {
    MainWndFixture::SetUp();
    SetDefaultHidBackend(&backend_);
    folder_ = qEnvironmentVariable("QV_SCREENSHOTS");
  }
  void TearDown() override {
    window_.reset();
    SetDefaultHidBackend(nullptr);
    MainWndFixture::TearDown();
  }
  void Save(const QImage& image, const QString& name) {
    EXPECT_FALSE(image.isNull()) << name.toStdString();
    if (folder_.isEmpty()) return;
    ASSERT_TRUE(QDir().mkpath(folder_));
    EXPECT_TRUE(image.save(QDir(folder_).filePath(name)));
  }
  // A window with its open pop-up drawn over it where it shows on screen.
  static QImage WithPopup(QWidget* window, QWidget* popup) {
    QImage image = window->grab().toImage();
    if (popup && popup->isVisible()) {
      QPainter p(&image);
      p.drawImage(popup->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0)),
                  popup->grab().toImage());
    }
    return image;
  }
  static QImage Grab(CWindowBase& window) {
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);
    return window.grab().toImage();
  }

  sim::SimBackend backend_;
  std::shared_ptr<sim::KeyboardFirmware> firmware_ = std::make_shared<sim::KeyboardFirmware>();
  QString folder_;
};

TEST_F(ScreenshotTest, WindowsInBothLanguages) {
  CMainWnd::Options options;
  options.backend = &backend_;
  // QV_SCREENSHOTS_LARGE draws them as on a large screen (144 dpi placement).
  const bool large = qEnvironmentVariableIsSet("QV_SCREENSHOTS_LARGE");
  options.screenSize = [large] { return large ? QSize(2560, 1440) : QSize(1280, 800); };
  options.askFirmwareUpdate = [] { return true; };
  options.startProgram = [](const QString&, const QStringList&) {};
  options.scriptedInput = true;
  CMainWnd& w = Open(std::move(options));
  ASSERT_TRUE(QTest::qWaitFor([&w] { return w.isVisible(); }, kWaitMs));  // the first scan
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QTest::qWait(50);
  Save(w.grab().toImage(), QStringLiteral("no-device-en.png"));
  backend_.Plug(std::make_shared<sim::SimKeyboard>(firmware_, sim::kKeyboardProductId));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.CurrentDevice() == Keyboard(); }, kWaitMs));
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return Keyboard()->GetConnectedKeyPositions() != 0; }, kWaitMs));
  auto* panel = FindControlAs<CDeviceProfileUI>(w.BlockOf(Keyboard())->page.data(),
                                                QStringLiteral("DeviceProfileItem"));
  ASSERT_NE(panel, nullptr);
  panel->NewProfile();
  panel->CopyProfile();
  auto* combo = FindControlAs<QComboBox>(panel, QStringLiteral("device_profile_combo"));
  ASSERT_NE(combo, nullptr);
  // Two macros: one to record into, and a long one of typed text with its delays.
  auto* macros = FindControlAs<CMacroControlUI>(w.BlockOf(Keyboard())->page.data(),
                                                QStringLiteral("MacroControlItem"));
  ASSERT_NE(macros, nullptr);
  macros->Create();
  macros->Create();
  {
    // "hello world"
    const uint8_t word[] = {0x0B, 0x08, 0x0F, 0x0F, 0x12, 0x2C, 0x1A, 0x12, 0x15, 0x0F, 0x07};
    std::vector<MacroEvent> events;
    for (uint8_t usage : word) {
      events.push_back({static_cast<uint16_t>(40 + usage), kMacroKey, true, usage});
      events.push_back({static_cast<uint16_t>(25 + usage % 7), kMacroKey, false, usage});
    }
    events.insert(events.begin(), MacroEvent{30, kMacroModifier, true, 0x02});
    events.push_back({30, kMacroModifier, false, 0x02});
    events.push_back({15, kMacroMoveX, true, 40});
    events.push_back({60, kMacroMouseButton, true, 1});
    events.push_back({0, kMacroMouseButton, false, 1});
    JsonFileStore store;
    ASSERT_EQ(store.WriteJsonFile(macros->Store().EventFilePath(1),
                                  MacroFileDocument("macro_2", "x", events)),
              0);
  }

  for (const auto& [index, suffix] : {std::pair{1, "en"}, std::pair{0, "cn"}}) {
    w.ApplyLanguage(index);
    const QString tag = QString::fromLatin1(suffix);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    QTest::qWait(50);
    Save(w.grab().toImage(), QStringLiteral("keyboard-%1.png").arg(tag));
    panel->ShowMenu(true);
    combo->showPopup();
    QTest::qWait(150);
    QWidget* popup = combo->view() ? combo->view()->window() : nullptr;
    Save(WithPopup(&w, popup), QStringLiteral("profiles-%1.png").arg(tag));
    combo->hidePopup();
    panel->ShowMenu(false);

    // The Keys tab with a key picked and given a media function.
    Keyboard()->ShowFunctionPage(2);
    panel->SelectOperationTab(2);
    if (auto* key = FindControlAs<QAbstractButton>(w.BlockOf(Keyboard())->page.data(),
                                                   QStringLiteral("key_64"))) {
      key->click();
    }
    if (auto* keys = FindControlAs<CKeySetControlUI>(w.BlockOf(Keyboard())->page.data(),
                                                     QStringLiteral("KeySetControlItem"))) {
      FindControlAs<QComboBox>(keys, QStringLiteral("keyset_function_combo"))
          ->setCurrentIndex(keys->CategoryItem(7));
      FindControlAs<QComboBox>(keys, QStringLiteral("keyset_media_combo"))->setCurrentIndex(1);
    }
    QTest::qWait(50);
    Save(w.grab().toImage(), QStringLiteral("keys-%1.png").arg(tag));

    // The Macros tab while recording into the first macro, then showing the long one.
    Keyboard()->ShowFunctionPage(3);
    panel->SelectOperationTab(3);
    auto* names = FindControlAs<QListWidget>(macros, QStringLiteral("macro_name_list"));
    names->setCurrentRow(0);
    macros->DeleteAll();
    w.Macros()->Start(1, RecordKind::kAppend);
    for (uint8_t scan : {uint8_t{0x1D}, uint8_t{0x2E}}) w.ScriptedInput().Key(scan, false, true);
    QTest::qWait(60);
    for (uint8_t scan : {uint8_t{0x2E}, uint8_t{0x1D}}) w.ScriptedInput().Key(scan, false, false);
    w.ScriptedInput().Mouse(kMsgRightDown, 5, 5);
    QTest::qWait(50);
    Save(w.grab().toImage(), QStringLiteral("macros-recording-%1.png").arg(tag));
    w.Macros()->Stop();
    names->setCurrentRow(1);
    QTest::qWait(50);
    Save(w.grab().toImage(), QStringLiteral("macros-long-%1.png").arg(tag));

    // The System tab (performance settings).
    Keyboard()->ShowFunctionPage(4);
    panel->SelectOperationTab(4);
    QTest::qWait(50);
    Save(w.grab().toImage(), QStringLiteral("system-%1.png").arg(tag));
    Keyboard()->ShowFunctionPage(1);
    panel->SelectOperationTab(1);

    CMsgWnd box(&w);
    ASSERT_TRUE(box.CreateBox());
    box.SetMsg(QStringLiteral("message_text_22"), true);
    box.SetButtons(1);
    box.SetDpiValue(96);
    Save(Grab(box), QStringLiteral("message-%1.png").arg(tag));
    box.Close(0);

    CAboutWnd about(&w, [] {});
    ASSERT_TRUE(about.CreateAbout());
    about.SetVersionText(QStringLiteral("V1.0.4"));
    w.Fonts().Apply(&about);
    const QImage aboutImage = Grab(about);
    EXPECT_EQ(aboutImage.size() / aboutImage.devicePixelRatio(),
              QSize(CAboutWnd::kWidth, CAboutWnd::kHeight));
    Save(aboutImage, QStringLiteral("about-%1.png").arg(tag));
    about.Close(0);

    CColorSelectWnd palette(&w);
    ASSERT_TRUE(palette.CreatePalette());
    palette.SetDpiValue(96);
    palette.SetColor(0xFFE8384F);
    palette.ShowSevenColor(true);
    w.Fonts().Apply(&palette);
    Save(Grab(palette), QStringLiteral("palette-%1.png").arg(tag));
    palette.Close(0);

    w.OpenSettings(false);
    auto* settings = qobject_cast<CSetWnd*>(w.SettingsWindow());
    ASSERT_NE(settings, nullptr);
    Save(Grab(*settings), QStringLiteral("settings-%1.png").arg(tag));
    settings->Close(0);
    EXPECT_TRUE(QTest::qWaitFor([&w] { return w.SettingsWindow() == nullptr; }, 2000));
  }
}

}  // namespace
}  // namespace qv::ui
