// The keyboard's macro panel end to end: the main window on the simulated keyboard with the
// scripted input source, recording through the hook, the step editing buttons and the action
// menu, the macro files on disk, delete with its questions and rebinding, import of hostile
// files, and the macro image that reaches the keyboard.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "keys/ui/key_set_control.h"
#include "macros/macro_image.h"
#include "macros/ui/macro_control.h"
#include "main_wnd_fixture.h"
#include "platform/linux/evdev_input.h"
#include "sim/sim_keyboard.h"
#include "transport/hid_backend.h"
#include "ui/msg_wnd.h"

namespace qv::ui {
namespace {

constexpr int kWaitMs = 5000;
constexpr uint8_t kScanA = 0x1E;
constexpr uint8_t kScanB = 0x30;
constexpr uint8_t kUsageA = 0x04;
constexpr uint8_t kUsageB = 0x05;

class MacroPanelTest : public MainWndFixture {
 protected:
  void SetUp() override {
    MainWndFixture::SetUp();
    SetDefaultHidBackend(&backend_);
    SetMessageHandlerForTest([this](const MessageRequest& request) {
      messages_ << request.text;
      return answer_;
    });
  }
  void TearDown() override {
    window_.reset();
    SetMessageHandlerForTest(nullptr);
    SetDefaultHidBackend(nullptr);
    MainWndFixture::TearDown();
  }

  // The main window with the keyboard read and its macro page shown.
  CMacroControlUI* StartWithKeyboard(bool scripted = true) {
    CMainWnd::Options options;
    options.backend = &backend_;
    options.screenSize = [] { return QSize(1280, 800); };
    options.askFirmwareUpdate = [] { return true; };
    options.startProgram = [](const QString&, const QStringList&) {};
    options.scriptedInput = scripted;
    options.openFile = [this](QWidget*, const QString&) { return openPath_; };
    options.saveFile = [this](QWidget*, const QString&) { return savePath_; };
    CMainWnd& w = Open(std::move(options));
    backend_.Plug(std::make_shared<sim::SimKeyboard>(firmware_, sim::kKeyboardProductId));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.CurrentDevice() == Keyboard(); }, kWaitMs));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Keyboard()->GetConnectedKeyPositions() != 0; }, kWaitMs));
    QTest::qWait(100);
    page_ = w.BlockOf(Keyboard())->page.data();
    Keyboard()->ShowFunctionPage(3);
    panel_ = FindControlAs<CMacroControlUI>(page_, QStringLiteral("MacroControlItem"));
    if (panel_) panel_->SetClock([this] { return now_; });
    return panel_;
  }
  void Click(const char* name) {
    auto* button = FindControlAs<QAbstractButton>(panel_, QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    ASSERT_TRUE(button->isEnabled() && button->isVisibleTo(panel_)) << name;
    button->click();
  }
  ScriptedInputSource& Input() { return window_->ScriptedInput(); }
  void Type(uint8_t scan, uint64_t holdMs, uint64_t afterMs) {
    Input().Key(scan, false, true);
    now_ += holdMs;
    Input().Key(scan, false, false);
    now_ += afterMs;
  }
  // A macro "macro_1" with these steps, selected.
  void MakeMacro(const std::vector<MacroEvent>& events) {
    Click("macro_btn_name_add");
    ASSERT_EQ(panel_->SelectedMacro(), static_cast<int>(panel_->Store().Entries().size()) - 1);
    const std::string path = panel_->Store().EventFilePath(panel_->SelectedMacro());
    JsonFileStore store;
    ASSERT_EQ(store.WriteJsonFile(path, MacroFileDocument("macro_1", "x", events)), 0);
    Click("macro_btn_cancel");  // reload from the file
    ASSERT_EQ(panel_->Actions().Size(), events.size());
  }
  std::vector<MacroEvent> FileEvents() const {
    JsonFileStore store;
    return ReadMacroEvents(
               store.ReadJsonFile(panel_->Store().EventFilePath(panel_->SelectedMacro())))
        .events;
  }
  static MacroEvent Key(uint8_t usage, bool down, uint16_t delay) {
    return {delay, kMacroKey, down, usage};
  }
  void SelectStep(int row) {
    auto* list = FindControlAs<QListWidget>(panel_, QStringLiteral("macro_action_list"));
    list->setCurrentRow(row);
  }

  sim::SimBackend backend_;
  std::shared_ptr<sim::KeyboardFirmware> firmware_ = std::make_shared<sim::KeyboardFirmware>();
  QWidget* page_ = nullptr;
  CMacroControlUI* panel_ = nullptr;
  QStringList messages_;
  int answer_ = 1;
  uint64_t now_ = 1000;
  QString openPath_;
  QString savePath_;
};

TEST_F(MacroPanelTest, RecordingLocksThePageAndStoresTheMeasuredGaps) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  Click("macro_btn_name_add");
  ASSERT_EQ(panel_->Store().Entries().size(), 1u);
  EXPECT_EQ(panel_->Store().Entries()[0].name, "macro_1");

  Click("macro_btn_starredio");
  ASSERT_TRUE(panel_->Recording());
  EXPECT_FALSE(IsVisible(FindControl(panel_, QStringLiteral("macro_btn_starredio"))));
  EXPECT_TRUE(IsVisible(FindControl(panel_, QStringLiteral("macro_btn_stopredio"))));
  EXPECT_TRUE(FindControl(panel_, QStringLiteral("macro_name_tab"))
                  ->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_FALSE(FindControl(panel_, QStringLiteral("macro_tab_macrodelay_edit"))->isEnabled());
  EXPECT_FALSE(FindControl(page_, QStringLiteral("KeySetControlItem"))->isEnabled());
  EXPECT_FALSE(window_->FindControl(QStringLiteral("device_select_layout"))->isEnabled());

  Type(kScanA, 120, 300);
  Input().Key(kScanB, false, true);
  Input().Key(kScanB, false, true);  // auto-repeat
  now_ += 70000;
  Input().Key(kScanB, false, false);
  // The click that ends the recording lands on the stop button and is not recorded.
  const ScreenRect stop = panel_->StopButtonRect();
  ASSERT_GT(stop.width, 0);
  Input().Mouse(kMsgLeftDown, stop.x + 2, stop.y + 2);
  Input().Mouse(kMsgLeftUp, stop.x + 2, stop.y + 2);
  Click("macro_btn_stopredio");
  EXPECT_FALSE(panel_->Recording());
  EXPECT_TRUE(FindControl(page_, QStringLiteral("KeySetControlItem"))->isEnabled());
  EXPECT_TRUE(window_->FindControl(QStringLiteral("device_select_layout"))->isEnabled());

  const std::vector<MacroEvent> expected = {Key(kUsageA, true, 120), Key(kUsageA, false, 300),
                                            Key(kUsageB, true, 65535), Key(kUsageB, false, 0)};
  EXPECT_EQ(panel_->Actions().Events(), expected);
  EXPECT_EQ(FileEvents(), expected);  // saved on stop
  // Rows show the keys' names and the delays.
  QWidget* row = panel_->RowWidget(2);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->objectName(), QStringLiteral("macro_action"));
  EXPECT_EQ(Text(row->findChild<QLineEdit*>(QStringLiteral("macro_delay"))),
            QStringLiteral("65535"));
  EXPECT_FALSE(row->property("userdata").toString().isEmpty());
  EXPECT_TRUE(messages_.isEmpty());
}

// Without readable input devices the window itself is recorded from: its keys become steps, its
// clicks do not reach its controls, and the stop button still ends the recording.
TEST_F(MacroPanelTest, TheWindowIsRecordedFromWhenTheInputDevicesCannotBeRead) {
  if (EvdevInputSource::Probe() == EvdevInputSource::Availability::kAvailable) {
    GTEST_SKIP() << "the input devices are readable here: recording reads them";
  }
  ASSERT_NE(StartWithKeyboard(false), nullptr);
  Click("macro_btn_name_add");
  Click("macro_btn_starredio");
  ASSERT_TRUE(panel_->Recording());
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window_.get();
  for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
    QKeyEvent event(type, Qt::Key_A, Qt::NoModifier, 30 + 8, 0, 0, QStringLiteral("a"));
    QApplication::sendEvent(target, &event);
  }
  auto* add = FindControlAs<QAbstractButton>(panel_, QStringLiteral("macro_btn_name_add"));
  QTest::mouseClick(add, Qt::LeftButton);  // swallowed, and recorded as a left click
  EXPECT_EQ(panel_->Store().Entries().size(), 1u);
  QTest::mouseClick(FindControlAs<QAbstractButton>(panel_, QStringLiteral("macro_btn_stopredio")),
                    Qt::LeftButton);
  EXPECT_FALSE(panel_->Recording());
  const std::vector<MacroEvent> file = FileEvents();
  ASSERT_EQ(file.size(), 4u);
  EXPECT_EQ(file[0], Key(kUsageA, true, file[0].delay));
  EXPECT_EQ(file[1].type, kMacroKey);
  EXPECT_EQ(file[2], (MacroEvent{file[2].delay, kMacroMouseButton, true, 1}));
  EXPECT_EQ(file[3], (MacroEvent{0, kMacroMouseButton, false, 1}));
}

TEST_F(MacroPanelTest, AMacroOnAKeyReachesTheKeyboardAsItsImage) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  const std::vector<MacroEvent> events = {Key(kUsageA, true, 10), Key(kUsageA, false, 0)};
  MakeMacro(events);
  auto* keys = FindControlAs<CKeySetControlUI>(page_, QStringLiteral("KeySetControlItem"));
  ASSERT_NE(keys, nullptr);
  Keyboard()->ShowFunctionPage(2);
  const std::optional<uint8_t> p = firmware_->Tables().PositionOfLogicalKey(0);
  ASSERT_TRUE(p.has_value());
  FindControlAs<QAbstractButton>(page_, QStringLiteral("key_0"))->click();
  FindControlAs<QComboBox>(keys, QStringLiteral("keyset_function_combo"))
      ->setCurrentIndex(keys->CategoryItem(9));
  auto* macros = FindControlAs<QComboBox>(keys, QStringLiteral("keyset_macro_combo"));
  ASSERT_EQ(macros->count(), 1);  // the key panel follows the macro list
  macros->setCurrentIndex(0);
  FindControlAs<QComboBox>(keys, QStringLiteral("keyset_macro_over_combo"))->setCurrentIndex(0);
  ASSERT_EQ(keys->Key().kind, 0x70);
  FindControlAs<QAbstractButton>(keys, QStringLiteral("key_butt_prosave"))->click();
  EXPECT_FALSE(keys->Pending());
  EXPECT_EQ(firmware_->Tables().keyMap[3 * *p], 0x70);
  EXPECT_EQ(firmware_->Tables().keyMap[3 * *p + 1], 0);
  const std::vector<uint8_t> image = BuildMacroImage({events});
  ASSERT_LE(image.size(), firmware_->Tables().macros.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), firmware_->Tables().macros.begin()));

  // Deleting it asks twice, gives the key back its own function and writes the keyboard again.
  Keyboard()->ShowFunctionPage(3);
  Click("macro_btn_name_sub");
  EXPECT_EQ(messages_,
            (QStringList{QStringLiteral("message_text_4"), QStringLiteral("message_text_2")}));
  EXPECT_TRUE(panel_->Store().Entries().empty());
  EXPECT_EQ(macros->count(), 0);
  EXPECT_EQ(firmware_->Tables().keyMap[3 * *p], 0x20);
  EXPECT_FALSE(FindControl(panel_, QStringLiteral("macro_action_layout"))->isEnabled());
}

TEST_F(MacroPanelTest, DeleteStopsAtEitherQuestion) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  MakeMacro({Key(kUsageA, true, 0)});
  answer_ = 0;
  Click("macro_btn_name_sub");
  EXPECT_EQ(panel_->Store().Entries().size(), 1u);
  EXPECT_EQ(messages_, QStringList{QStringLiteral("message_text_4")});
}

TEST_F(MacroPanelTest, StepButtonsAndTheActionMenuEditAndSaveAtOnce) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  MakeMacro({Key(kUsageA, true, 1), Key(kUsageA, false, 2), Key(kUsageB, true, 3),
             Key(kUsageB, false, 4), Key(kUsageA, true, 5)});

  // A click after row 2 of 5: press at 3, release at 4, both with the fixed delay.
  SelectStep(2);
  ASSERT_TRUE(window_->Macros()->OnMenuItem(QStringLiteral("left_click")));
  std::vector<MacroEvent> file = FileEvents();
  ASSERT_EQ(file.size(), 7u);
  EXPECT_EQ(file[3], (MacroEvent{50, kMacroMouseButton, true, 1}));
  EXPECT_EQ(file[4], (MacroEvent{50, kMacroMouseButton, false, 1}));
  EXPECT_EQ(panel_->Actions().Selected(), 4);

  // Moves: up from the top changes nothing and still saves; to the bottom.
  SelectStep(0);
  Click("macro_btn_up");
  EXPECT_EQ(FileEvents(), file);
  Click("macro_btn_downbottom");
  EXPECT_EQ(FileEvents().back(), Key(kUsageA, true, 1));
  EXPECT_EQ(panel_->Actions().Selected(), 6);

  // A pointer move of 300 is stored as its low byte.
  SetText(FindControl(panel_, QStringLiteral("mouse_x_left_edit")), QStringLiteral("300"));
  Click("macro_inset_moveleftkey_btn");
  EXPECT_EQ(FileEvents().size(), 8u);
  EXPECT_EQ(panel_->Actions().Events()[7], (MacroEvent{50, kMacroMoveX, true, 44}));

  // An edited delay field is saved, in canonical form, when it loses the focus.
  auto* delay = panel_->RowWidget(0)->findChild<QLineEdit*>(QStringLiteral("macro_delay"));
  ASSERT_NE(delay, nullptr);
  delay->setText(QStringLiteral("007"));
  window_->Macros()->OnRoute(QStringLiteral("macro_delay"), 0);
  EXPECT_EQ(FileEvents()[0].delay, 7);
  EXPECT_EQ(delay->text(), QStringLiteral("7"));

  // Clear all saves at once: reloading shows the empty list.
  Click("macro_btn_deleteall");
  Click("macro_btn_cancel");
  EXPECT_EQ(panel_->Actions().Size(), 0u);
  EXPECT_TRUE(FileEvents().empty());

  // The action menu of a step holds the items the panel acts on; recording after a step starts
  // from it.
  MakeMacro({Key(kUsageA, true, 0)});
  SelectStep(0);
  window_->Macros()->OpenActionMenu(0);
  QMenu* menu = window_->Macros()->ActionMenu();
  ASSERT_NE(menu, nullptr);
  QStringList items;
  for (QAction* action : menu->findChildren<QAction*>()) items << action->objectName();
  for (const char* name : {"left_click", "back_up", "redio_later_constant_time",
                           "redio_previous_ignore_time", "macro_action_edit"}) {
    EXPECT_TRUE(items.contains(QLatin1String(name))) << name;
  }
  menu->close();
  ASSERT_TRUE(window_->Macros()->OnMenuItem(QStringLiteral("redio_previous_ignore_time")));
  EXPECT_TRUE(panel_->Recording());
  Type(kScanB, 10, 10);
  Click("macro_btn_stopredio");
  EXPECT_EQ(FileEvents(), (std::vector<MacroEvent>{Key(kUsageB, true, 0), Key(kUsageB, false, 0),
                                                   Key(kUsageA, true, 0)}));
}

TEST_F(MacroPanelTest, TheStepPastTheLimitIsTrimmedAndTheFileKept) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  std::vector<MacroEvent> full;
  for (size_t i = 0; i < kMaxMacroEvents; ++i) full.push_back(Key(kUsageA, i % 2 == 0, 5));
  MakeMacro(full);
  auto* fixed = FindControlAs<QCheckBox>(panel_, QStringLiteral("macro_check_time"));
  fixed->setChecked(true);
  SetText(FindControl(panel_, QStringLiteral("macro_fixed_time_edit")), QStringLiteral("5"));
  Click("macro_btn_starredio");
  EXPECT_EQ(Text(FindControl(panel_, QStringLiteral("macro_fixed_time_edit"))),
            QStringLiteral("10"));
  Type(kScanB, 10, 10);
  EXPECT_EQ(panel_->Actions().Size(), kMaxMacroEvents + 2);  // two bare rows
  Click("macro_btn_stopredio");
  EXPECT_EQ(messages_, QStringList{QStringLiteral("message_text_17")});
  EXPECT_EQ(panel_->Actions().Size(), kMaxMacroEvents);
  EXPECT_EQ(FileEvents(), full);
}

TEST_F(MacroPanelTest, HostileImportsAreRefusedOrTrimmedAndToldAndExportCopies) {
  ASSERT_NE(StartWithKeyboard(), nullptr);
  QDir dir(home_.path());
  struct Case {
    const char* file;
    QByteArray text;
    const char* message;  // "" for none
    size_t events;
  };
  QByteArray many = "{\"Events\":[";
  for (int i = 0; i < 300; ++i) {
    many +=
        QByteArray(i ? "," : "") + "{\"Type\":10,\"Button\":4,\"Action\":\"down\",\"Delay\":\"1\"}";
  }
  many += "]}";
  const Case cases[] = {
      {"clean.mac", R"({"Events":[{"Type":1,"Button":2,"Action":"up","Delay":"70000"}]})", "", 1},
      {"many.mac", many, "macro_trimmed_text", kMaxMacroEvents},
      {"odd.mac", R"({"Events":[{"Type":77},{"Type":1,"Button":3,"Action":"down"},
                    {"Type":"10"},{"Type":10,"Button":4,"Action":"up","Delay":[]}]})",
       "macro_trimmed_text", 0},
      {"broken.mac", "{\"Events\":[", "macro_import_bad_text", 0},
      {"array.mac", R"({"Events":{}})", "macro_import_bad_text", 0},
  };
  for (const Case& c : cases) {
    messages_.clear();
    QFile file(dir.filePath(QString::fromLatin1(c.file)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.text);
    file.close();
    openPath_ = file.fileName();
    const size_t before = panel_->Store().Entries().size();
    Click("macro_btn_import");
    const bool refused = QString::fromLatin1(c.message) == QLatin1String("macro_import_bad_text");
    EXPECT_EQ(panel_->Store().Entries().size(), before + (refused ? 0 : 1)) << c.file;
    EXPECT_EQ(messages_, c.message[0] ? QStringList{QString::fromLatin1(c.message)} : QStringList())
        << c.file;
    if (!refused) {
      EXPECT_EQ(panel_->Actions().Size(), c.events) << c.file;
    }
  }
  // The clean import shows its delay at the largest value; export copies the stored file.
  auto* names = FindControlAs<QListWidget>(panel_, QStringLiteral("macro_name_list"));
  names->setCurrentRow(0);
  EXPECT_EQ(panel_->Actions().Events()[0].delay, 65535);
  savePath_ = dir.filePath(QStringLiteral("out.mac"));
  Click("macro_btn_export");
  JsonFileStore store;
  EXPECT_EQ(ReadMacroEvents(store.ReadJsonFile(savePath_.toStdString())).events,
            panel_->Actions().Events());
}

}  // namespace
}  // namespace qv::ui
