// The program's own window as an input source: key events by scan code and by key, system keys,
// repeats, mouse buttons, and that everything it reports is kept from the window's controls
// (shortcuts included) until it stops; the pass-through control that ends a recording.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>
#include <vector>

#include "ui/window_input_source.h"

namespace qv::ui {
namespace {

class WindowInputSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    edit = new QLineEdit(window.get());
    button = new QPushButton(QStringLiteral("stop"), window.get());
    layout->addWidget(edit);
    layout->addWidget(button);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    edit->setFocus();
    source = std::make_unique<WindowInputSource>(window.get());
  }
  void TearDown() override {
    source.reset();
    window.reset();
  }
  bool Start() {
    return source->Start([this](const qv::InputEvent& e) { got.push_back(e); });
  }
  // Sends a key event to the line edit the way the platform delivers it.
  void SendKey(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, quint32 scanCode,
               const QString& text = {}, bool autoRepeat = false) {
    QKeyEvent event(type, key, modifiers, scanCode, 0, 0, text, autoRepeat);
    QApplication::sendEvent(edit, &event);
  }

  std::unique_ptr<QWidget> window;
  QLineEdit* edit = nullptr;
  QPushButton* button = nullptr;
  std::unique_ptr<WindowInputSource> source;
  std::vector<qv::InputEvent> got;
};

struct KeyCase {
  QEvent::Type type;
  int key;
  Qt::KeyboardModifiers modifiers;
  quint32 nativeScanCode;
  bool autoRepeat;
  // Expected; message 0: nothing reported.
  uint16_t message;
  uint8_t scanCode;
  bool extended;
};

TEST_F(WindowInputSourceTest, KeysAreReportedAsSet1CodesAndSwallowed) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(QWidget::keyboardGrabber(), window.get());
  EXPECT_EQ(QWidget::mouseGrabber(), window.get());
  const KeyCase cases[] = {
      // X keycode 38 is evdev 30, A.
      {QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, false, qv::kMsgKeyDown, 0x1E, false},
      {QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, true, qv::kMsgKeyDown, 0x1E, false},
      {QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, 38, true, 0, 0, false},
      {QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, 38, false, qv::kMsgKeyUp, 0x1E, false},
      // The scan code tells the right Ctrl from the left one, which the key alone does not.
      {QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, 105, false, qv::kMsgKeyDown, 0x1D,
       true},
      // No scan code: taken from the key.
      {QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, 0, false, qv::kMsgKeyDown, 0x10, false},
      {QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, 0, false, qv::kMsgKeyDown, 0x48, true},
      {QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier, 0, false, qv::kMsgKeyUp, 0x53, true},
      {QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, 0, false, qv::kMsgKeyDown, 0x08, false},
      {QEvent::KeyPress, Qt::Key_7, Qt::KeypadModifier, 0, false, qv::kMsgKeyDown, 0x47, false},
      {QEvent::KeyPress, Qt::Key_F11, Qt::NoModifier, 0, false, qv::kMsgKeyDown, 0x57, false},
      {QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, 0, false, qv::kMsgKeyDown, 0x01, false},
      // With Alt held the keys are system keys.
      {QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier, 0, false, qv::kMsgSysKeyDown, 0x3E, false},
      {QEvent::KeyRelease, Qt::Key_F4, Qt::AltModifier, 70, false, qv::kMsgSysKeyUp, 0x3E, false},
      // A key with neither: nothing to report, still swallowed.
      {QEvent::KeyPress, Qt::Key_Launch0, Qt::NoModifier, 0, false, 0, 0, false},
  };
  for (const KeyCase& c : cases) {
    got.clear();
    SendKey(c.type, c.key, c.modifiers, c.nativeScanCode, QStringLiteral("a"), c.autoRepeat);
    SCOPED_TRACE(testing::Message() << "key " << Qt::hex << c.key << " scan " << c.nativeScanCode);
    if (c.message == 0) {
      EXPECT_TRUE(got.empty());
      continue;
    }
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, qv::InputEvent::Kind::kKey);
    EXPECT_EQ(got[0].key.message, c.message);
    EXPECT_EQ(got[0].key.scanCode, c.scanCode);
    EXPECT_EQ(got[0].key.extended, c.extended);
  }
  EXPECT_TRUE(edit->text().isEmpty());

  source->Stop();
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  got.clear();
  SendKey(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, QStringLiteral("a"));
  EXPECT_TRUE(got.empty());
  EXPECT_EQ(edit->text(), QStringLiteral("a"));
}

TEST_F(WindowInputSourceTest, ShortcutsDoNotFireWhileStarted) {
  QShortcut shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), window.get());
  shortcut.setContext(Qt::ApplicationShortcut);
  QSignalSpy fired(&shortcut, &QShortcut::activated);
  QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(fired.count(), 1);  // the shortcut works in this test

  ASSERT_TRUE(Start());
  QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(fired.count(), 1);
  // Ctrl down, S down, S up, Ctrl up.
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].key.scanCode, 0x1D);
  EXPECT_EQ(got[1].key.scanCode, 0x1F);
  EXPECT_EQ(got[1].key.message, qv::kMsgKeyDown);
  EXPECT_EQ(got[2].key.message, qv::kMsgKeyUp);
}

TEST_F(WindowInputSourceTest, MouseButtonsAreReportedWithTheScreenPositionAndSwallowed) {
  QSignalSpy clicked(button, &QPushButton::clicked);
  ASSERT_TRUE(Start());
  const QPoint local(5, 6);
  const QPoint global = button->mapToGlobal(local);
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, local);
  QTest::mousePress(button, Qt::BackButton, Qt::NoModifier, local);
  QTest::mouseRelease(button, Qt::ForwardButton, Qt::NoModifier, local);
  QTest::mouseDClick(button, Qt::RightButton, Qt::NoModifier, local);
  EXPECT_EQ(clicked.count(), 0);

  struct Expected {
    uint16_t message;
    uint16_t extra;
  };
  // A double click is reported as the press it is.
  const Expected expected[] = {{qv::kMsgLeftDown, 0},
                               {qv::kMsgLeftUp, 0},
                               {qv::kMsgExtraDown, qv::kExtraBack},
                               {qv::kMsgExtraUp, qv::kExtraForward},
                               {qv::kMsgRightDown, 0}};
  ASSERT_EQ(got.size(), std::size(expected));
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].kind, qv::InputEvent::Kind::kMouse) << i;
    EXPECT_EQ(got[i].mouse.message, expected[i].message) << i;
    EXPECT_EQ(got[i].mouse.extraButton, expected[i].extra) << i;
    EXPECT_EQ(got[i].mouse.x, global.x()) << i;
    EXPECT_EQ(got[i].mouse.y, global.y()) << i;
  }

  source->Stop();
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, local);
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(got.size(), std::size(expected));
}

TEST_F(WindowInputSourceTest, WithoutDeliveryItSwallowsOnly) {
  source->SetDeliver(false);
  QSignalSpy clicked(button, &QPushButton::clicked);
  ASSERT_TRUE(Start());
  SendKey(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, QStringLiteral("a"));
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(got.empty());
  EXPECT_TRUE(edit->text().isEmpty());
  EXPECT_EQ(clicked.count(), 0);
}

TEST_F(WindowInputSourceTest, ThePassThroughControlCanStillBeClicked) {
  source->SetGrabWidget(button);
  source->SetPassThrough(button);
  QSignalSpy clicked(button, &QPushButton::clicked);
  ASSERT_TRUE(Start());
  EXPECT_EQ(QWidget::mouseGrabber(), button);
  QTest::mouseClick(edit, Qt::LeftButton);  // elsewhere: reported and swallowed
  ASSERT_EQ(got.size(), 2u);
  // The click that ends the recording: it acts and is not reported.
  source->Start([&](const qv::InputEvent& e) {
    got.push_back(e);
    source->Stop();
  });
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(got.size(), 2u);
  EXPECT_TRUE(source->Started());
}

}  // namespace
}  // namespace qv::ui
