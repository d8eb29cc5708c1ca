// The keyboard's System page end to end: the main window on the simulated keyboard, the page's
// switches, options and slider, what reaches the keyboard's settings record and the profile file.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QTextEdit>

#include "main_wnd_fixture.h"
#include "profiles/json_file_store.h"
#include "sim/sim_keyboard.h"
#include "transport/command_packet.h"
#include "transport/hid_backend.h"
#include "ui/language.h"

namespace qv::ui {
namespace {

constexpr int kWaitMs = 5000;

class SystemPageTest : public MainWndFixture {
 protected:
  void SetUp() override {
    MainWndFixture::SetUp();
    ASSERT_TRUE(CResourceManager::LoadLanguage(QStringLiteral("lan_en.xml")));
    SetDefaultHidBackend(&backend_);
  }
  void TearDown() override {
    window_.reset();
    SetDefaultHidBackend(nullptr);
    MainWndFixture::TearDown();
  }

  void StartWithKeyboard() {
    CMainWnd::Options options;
    options.backend = &backend_;
    options.screenSize = [] { return QSize(1280, 800); };
    options.askFirmwareUpdate = [] { return true; };
    options.startProgram = [](const QString&, const QStringList&) {};
    CMainWnd& w = Open(std::move(options));
    backend_.Plug(std::make_shared<sim::SimKeyboard>(firmware_, sim::kKeyboardProductId));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.CurrentDevice() == Keyboard(); }, kWaitMs));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Keyboard()->GetConnectedKeyPositions() != 0; }, kWaitMs));
    QTest::qWait(100);  // the settings read that follows the connection read
    page_ = window_->BlockOf(Keyboard())->page.data();
  }
  template <typename T>
  T* PageControl(const QString& name) {
    T* control = FindControlAs<T>(page_, name);
    EXPECT_NE(control, nullptr) << name.toStdString();
    return control;
  }
  void Click(const QString& name) {
    if (auto* option = PageControl<QAbstractButton>(name)) option->click();
    QCoreApplication::processEvents();
  }
  size_t SettingsWrites() {
    size_t n = 0;
    for (const auto& p : firmware_->Packets()) {
      n += p.direction == sim::PacketDirection::kRequest && p.packet.Command() == kCmdWriteSettings
               ? 1
               : 0;
    }
    return n;
  }
  Json::Value SavedStages() {
    return JsonFileStore().ReadJsonFile(Keyboard()->GetProfilePath())["Device"][0]["SystemStages"];
  }

  sim::SimBackend backend_;
  std::shared_ptr<sim::KeyboardFirmware> firmware_ = std::make_shared<sim::KeyboardFirmware>();
  QWidget* page_ = nullptr;
};

TEST_F(SystemPageTest, SwitchesAndPollingRateReachTheKeyboardRepeatSettingsTheProfileOnly) {
  ASSERT_NO_FATAL_FAILURE(StartWithKeyboard());
  auto* label = PageControl<QLabel>(QStringLiteral("repeat_delay_time_label1"));
  auto* field = PageControl<QTextEdit>(QStringLiteral("repeat_input_richedit"));
  ASSERT_TRUE(label && field);
  // Shown from the profile, in the loaded language.
  const int delay = (Keyboard()->GetSystemStages().repeatDelay + 1) * 250;
  EXPECT_EQ(label->text(), CResourceManager::Text(QStringLiteral("Repeat_Delay_Time")) +
                               QString::number(delay) + QStringLiteral("ms"));
  EXPECT_EQ(field->placeholderText(), QStringLiteral("Type here to try the repeat settings"));

  Click(QStringLiteral("winlockflag_option"));
  Click(QStringLiteral("wflag_option"));
  Click(QStringLiteral("6flag_option"));
  Click(QStringLiteral("polling_rate_option_3"));
  Click(QStringLiteral("6flag_option"));  // and off again
  const std::vector<uint8_t> record = firmware_->Tables().ActiveRecord();
  ASSERT_EQ(record.size(), kSettingsRecordSize);
  EXPECT_EQ(std::vector<uint8_t>(record.begin() + 19, record.begin() + 23),
            (std::vector<uint8_t>{1, 0, 1, 3}));
  EXPECT_TRUE(PageControl<QAbstractButton>(QStringLiteral("polling_rate_option_3"))->isChecked());
  EXPECT_FALSE(PageControl<QAbstractButton>(QStringLiteral("polling_rate_option_0"))->isChecked());

  firmware_->ClearPackets();
  Click(QStringLiteral("repeat_delay_check_2"));
  PageControl<QSlider>(QStringLiteral("repeat_rate_slider"))->setValue(42);
  QCoreApplication::processEvents();
  EXPECT_EQ(SettingsWrites(), 0u);
  EXPECT_EQ(label->text(), QStringLiteral("Repeat delay: 750ms"));

  const Json::Value saved = SavedStages();
  EXPECT_EQ(saved["WinFlag"].asInt(), 1);
  EXPECT_EQ(saved["WFlag"].asInt(), 1);
  EXPECT_EQ(saved["Key6Flag"].asInt(), 0);
  EXPECT_EQ(saved["PollingRate"].asInt(), 3);
  EXPECT_EQ(saved["RepeatDelay"].asInt(), 2);
  EXPECT_EQ(saved["Repeat"].asInt(), 42);
}

}  // namespace
}  // namespace qv::ui
