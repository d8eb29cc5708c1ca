// The interface framework: layouts and the control factory, look-up by name, named
// notifications, control timers, modal windows, centring and DPI, menus, tray and controls.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QValidator>
#include <functional>
#include <memory>
#include <vector>

#include "app/device_option.h"
#include "app/main_wnd.h"
#include "devices/ui/device_page_widget.h"
#include "keys/ui/key_set_control.h"
#include "platform/registered_messages.h"
#include "ui/control_factory.h"
#include "ui/control_ops.h"
#include "ui/notify_adapter.h"
#include "ui/placeholder_controls.h"
#include "ui/popup_menu.h"
#include "ui/tray_icon.h"
#include "ui/ui_resources.h"
#include "ui/window_base.h"

namespace qv::ui {
namespace {

const QString kTestInstall = QStringLiteral(QV_APP_TEST_DATA);

void UseTestSkin() {
  UiResources::SetInstallFolder(kTestInstall);
  ASSERT_TRUE(UiResources::LoadResourceMap());
}

// A window on the test layout that records every notification.
class RecordingWindow : public CWindowBase {
 public:
  std::vector<UiNotify> seen;
  std::function<void(const UiNotify&)> onNotify;

 protected:
  void Notify(const UiNotify& notify) override {
    seen.push_back(notify);
    if (onNotify) onNotify(notify);
  }
};

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    UseTestSkin();
    ASSERT_TRUE(window.Create(QStringLiteral("XML_CONTROLS"), QStringLiteral("test")));
  }
  void TearDown() override { UiResources::Release(); }

  int Count(const QString& type, const QString& sender) const {
    int n = 0;
    for (const UiNotify& notify : window.seen) {
      if (notify.type == type && notify.sender && notify.sender->objectName() == sender) ++n;
    }
    return n;
  }

  RecordingWindow window;
};

TEST(ControlFactoryTest, RegistersTheSystemClassesInTheirFixedOrder) {
  const QStringList expected = {
      "CCircleProgressUI", "CChartViewUI", "CWndUI", "CSelectPanelUI", "CDeviceKeyButtonUI",
      "CCloudShareListItemUI", "CUpdateInfoListItemUI", "CDeviceOptionUI", "CMpDevicePowerUI",
      "CComboEditContainerElementUI", "CHandImgButtonUI", "CHandImgSelectButtonUI",
      "CRedioMacroButtonUI", "CAudioRecordUI", "CLightControlUI", "CMacroControlUI",
      "CKeySetControlUI", "CDeviceProfileUI", "CShootControlUI", "CMagicControlUI",
      "CVoice6533ControlUI", "CKestravaUSBDevice", "CKestravaMousePadDevice",
      "CKestravaHS6533Device",
      // Layout names of the same controls.
      "SelectPanel", "DeviceKeyButton", "DeviceOption", "MpDevicePower", "KestravaUSBDevice",
      "KestravaKeyboardDevice", "KestravaMouseDevice",
      // Controls of this program's own.
      "CColorPaletteUI"};
  EXPECT_EQ(ControlFactory::Instance().Names(), expected);
}

TEST_F(WindowFixture, LayoutNamingAClassGetsAnInstanceOfThatClass) {
  const QStringList names = ControlFactory::Instance().Names().mid(0, 24);
  for (const QString& name : names) {
    QWidget* control = window.FindControl(QStringLiteral("custom_") + name);
    ASSERT_NE(control, nullptr) << name.toStdString();
    // The device object lives in the core; layouts naming it get its page widget.
    const QString expected = name == QLatin1String("CKestravaUSBDevice")
                                 ? QStringLiteral("qv::ui::DevicePageWidget")
                                 : name;
    EXPECT_EQ(QString::fromLatin1(control->metaObject()->className()), expected);
  }
  // Children declared inside a registered class stay inside it.
  QWidget* save = window.FindControl(QStringLiteral("key_butt_keysave"));
  ASSERT_NE(save, nullptr);
  EXPECT_NE(qobject_cast<CKeySetControlUI*>(save->parentWidget()), nullptr);
}

TEST(LayoutTest, SubLayoutsByBackslashPathAndFailures) {
  UseTestSkin();
  QWidget parent;
  QWidget* option = LoadLayout(QStringLiteral("XML\\CustomControlXML\\DeviceOption.xml"), &parent);
  ASSERT_NE(option, nullptr);
  EXPECT_NE(qobject_cast<CDeviceOptionUI*>(option), nullptr);
  EXPECT_EQ(option->parentWidget(), &parent);
  EXPECT_NE(FindControlAs<QLabel>(option, QStringLiteral("device_name")), nullptr);

  EXPECT_EQ(LoadLayout(QStringLiteral("XML\\missing.xml"), &parent), nullptr);
  EXPECT_EQ(LoadLayout(QStringLiteral("XML/broken.xml"), &parent), nullptr);
  UiResources::Release();
}

TEST(LayoutTest, WindowCallbackCreatesClassesTheFactoryDoesNotKnow) {
  UseTestSkin();
  // CCircleProgressUI is registered, so the factory wins over the callback.
  QStringList asked;
  QWidget parent;
  QWidget* root = LoadLayout(QStringLiteral("XML_CONTROLS"), &parent,
                             [&asked](const QString& className, QWidget*) -> QWidget* {
                               asked << className;
                               return nullptr;
                             });
  ASSERT_NE(root, nullptr);
  EXPECT_FALSE(asked.contains(QStringLiteral("CCircleProgressUI")));
  EXPECT_TRUE(asked.contains(QStringLiteral("QPushButton")));
  UiResources::Release();
}

struct ResolveCase {
  const char* name;
  const char* relative;
};

class ResolveTest : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveTest, MapsNamesToSkinFiles) {
  UseTestSkin();
  EXPECT_EQ(UiResources::ResolvePath(QString::fromUtf8(GetParam().name)),
            kTestInstall + QStringLiteral("/skin/") + QString::fromUtf8(GetParam().relative));
  UiResources::Release();
}

INSTANTIATE_TEST_SUITE_P(Names, ResolveTest,
                         ::testing::Values(ResolveCase{"XML_CONTROLS", "XML/controls.xml"},
                                           ResolveCase{"XML_SMALL",
                                                       "XML/small.xml"},  // backslash in the map
                                           ResolveCase{"XML\\CustomControlXML\\DeviceOption.xml",
                                                       "XML/CustomControlXML/DeviceOption.xml"},
                                           ResolveCase{"menu.xml", "menu.xml"}));

TEST(UiResourcesTest, InstallFolderDefaultsToTheProgramsFolder) {
  UiResources::Release();
  EXPECT_EQ(UiResources::InstallFolder(), QCoreApplication::applicationDirPath());
  EXPECT_EQ(UiResources::SkinFolder(), QCoreApplication::applicationDirPath() + "/skin/");
}

TEST_F(WindowFixture, FindsControlsByNameAndRows) {
  EXPECT_EQ(RowName(QStringLiteral("key_"), 12), QStringLiteral("key_12"));
  for (int i = 0; i < 3; ++i) {
    QWidget* row = FindRowControl(&window, QStringLiteral("DPI_slider_"), i);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->objectName(), RowName(QStringLiteral("DPI_slider_"), i));
    EXPECT_NE(qobject_cast<QSlider*>(row), nullptr);
  }
  EXPECT_EQ(FindRowControl(&window, QStringLiteral("DPI_slider_"), 3), nullptr);
  EXPECT_EQ(window.FindControl(QStringLiteral("root")), window.Root());
  EXPECT_EQ(window.FindControl(QString()), nullptr);
}

struct NotifyCase {
  const char* label;
  const char* control;
  std::function<void(QWidget*)> act;
  const char* type;
  qint64 wParam;
  const char* absentType;  // must not be raised by the action (nullptr: no check)
};

void PrintTo(const NotifyCase& c, std::ostream* os) {
  *os << c.label;
}

class NotifyTest : public WindowFixture, public ::testing::WithParamInterface<NotifyCase> {};

TEST_P(NotifyTest, RaisesTheNamedNotification) {
  const NotifyCase& c = GetParam();
  QWidget* control = window.FindControl(QString::fromUtf8(c.control));
  ASSERT_NE(control, nullptr);
  window.seen.clear();
  c.act(control);
  bool found = false;
  for (const UiNotify& notify : window.seen) {
    if (notify.type == QLatin1String(c.type) && notify.sender == control) {
      found = true;
      EXPECT_EQ(notify.wParam, c.wParam);
    }
  }
  EXPECT_TRUE(found) << c.type;
  if (c.absentType) {
    EXPECT_EQ(Count(QString::fromUtf8(c.absentType), control->objectName()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Signals, NotifyTest,
    ::testing::Values(
        NotifyCase{"button", "device_add_btn",
                   [](QWidget* w) { qobject_cast<QPushButton*>(w)->click(); }, "click", 0,
                   "selectchanged"},
        NotifyCase{"option", "polling_rate_option_1",
                   [](QWidget* w) { qobject_cast<QRadioButton*>(w)->click(); }, "selectchanged", 0,
                   nullptr},
        NotifyCase{"combo", "device_profile_combo",
                   [](QWidget* w) { qobject_cast<QComboBox*>(w)->setCurrentIndex(2); },
                   "itemselect", 2, nullptr},
        NotifyCase{"list select", "macro_name_list",
                   [](QWidget* w) { qobject_cast<QListWidget*>(w)->setCurrentRow(1); },
                   "itemselect", 1, nullptr},
        NotifyCase{"slider set", "DPI_slider_1",
                   [](QWidget* w) { qobject_cast<QSlider*>(w)->setValue(40); }, "valuechanged", 40,
                   "movevaluechanged"},
        NotifyCase{"slider drag", "DPI_slider_2",
                   [](QWidget* w) {
                     auto* slider = qobject_cast<QSlider*>(w);
                     slider->setSliderDown(true);
                     slider->setSliderPosition(70);
                   },
                   "movevaluechanged", 70, "valuechanged"},
        NotifyCase{"slider release", "DPI_slider_0",
                   [](QWidget* w) {
                     auto* slider = qobject_cast<QSlider*>(w);
                     slider->setSliderDown(true);
                     slider->setSliderPosition(30);
                     slider->setSliderDown(false);
                   },
                   "valuechanged", 30, nullptr},
        NotifyCase{"edit text", "deng_edit_R",
                   [](QWidget* w) { qobject_cast<QLineEdit*>(w)->setText("12"); }, "textchanged", 0,
                   nullptr},
        NotifyCase{"edit return", "deng_edit_R",
                   [](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }, "return", 0, nullptr},
        NotifyCase{"focus in", "deng_edit_R",
                   [](QWidget* w) {
                     QFocusEvent in(QEvent::FocusIn);
                     QApplication::sendEvent(w, &in);
                   },
                   "setfocus", 0, "killfocus"},
        NotifyCase{"focus out", "deng_edit_R",
                   [](QWidget* w) {
                     QFocusEvent out(QEvent::FocusOut);
                     QApplication::sendEvent(w, &out);
                   },
                   "killfocus", 0, "setfocus"},
        NotifyCase{"mouse enter", "device_add_btn",
                   [](QWidget* w) {
                     QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
                     QApplication::sendEvent(w, &enter);
                   },
                   "msenter", 0, nullptr},
        NotifyCase{"custom control", "custom_CRedioMacroButtonUI",
                   [](QWidget* w) { SendNotify(w, QStringLiteral("click_wpadd"), 5); },
                   "click_wpadd", 5, nullptr}),
    [](const ::testing::TestParamInfo<NotifyCase>& row) {
      std::string name = row.param.label;
      for (char& ch : name) {
        if (ch == ' ') ch = '_';
      }
      return name;
    });

TEST_F(WindowFixture, WindowInitOnceOnFirstShowAndWindowSizeFromTheRoot) {
  window.show();
  window.hide();
  window.show();
  EXPECT_EQ(Count(QStringLiteral("windowinit"), QStringLiteral("root")), 1);
  window.seen.clear();
  window.resize(500, 400);
  EXPECT_GE(Count(QStringLiteral("windowsize"), QStringLiteral("root")), 1);
}

TEST_F(WindowFixture, ControlsAddedLaterJoinTheNotificationsAndMayRemoveThemselves) {
  QWidget* box = window.FindControl(QStringLiteral("device_list_box"));
  auto* added = new QPushButton(QStringLiteral("entry"));
  added->setObjectName(QStringLiteral("device_option_0"));
  ASSERT_TRUE(AddControl(box, added));
  EXPECT_EQ(ControlCount(box), 1);
  window.onNotify = [box](const UiNotify& notify) {
    if (notify.type == QLatin1String("click")) RemoveControl(box, notify.sender);
  };
  QPointer<QPushButton> watch(added);
  added->click();
  EXPECT_EQ(Count(QStringLiteral("click"), QStringLiteral("device_option_0")), 1);
  EXPECT_EQ(ControlCount(box), 0);
  EXPECT_EQ(window.FindControl(QStringLiteral("device_option_0")), nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(watch.isNull(), 5000);
}

TEST_F(WindowFixture, SetTimerDeliversTimerWithItsIdUntilKilled) {
  QWidget* control = window.FindControl(QStringLiteral("setting_progress"));
  EXPECT_FALSE(SetTimer(control, 7, 0));
  ASSERT_TRUE(SetTimer(control, 7, 10));
  auto timers = [this] {
    int n = 0;
    for (const UiNotify& notify : window.seen) {
      if (notify.type == QLatin1String("timer")) {
        EXPECT_EQ(notify.wParam, 7);
        EXPECT_EQ(notify.sender->objectName(), QStringLiteral("setting_progress"));
        ++n;
      }
    }
    return n;
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return timers() >= 2; }, 10000));
  EXPECT_TRUE(KillTimer(control, 7));
  EXPECT_FALSE(KillTimer(control, 7));
  const int after = timers();
  QTest::qWait(200);
  EXPECT_EQ(timers(), after);
}

TEST(ModalWindowTest, ShowModalReturnsTheClosingCode) {
  UseTestSkin();
  struct Case {
    std::function<void(CWindowBase&)> close;
    int code;
  };
  const std::vector<Case> cases = {
      {[](CWindowBase& w) { w.Close(42); }, 42},
      {[](CWindowBase& w) { w.Close(); }, CWindowBase::kIdOk},
      {[](CWindowBase& w) { w.close(); }, 0},  // the window manager's close
  };
  for (const Case& c : cases) {
    CWindowBase window;
    ASSERT_TRUE(window.Create(QStringLiteral("XML_SMALL"), QStringLiteral("modal")));
    QTimer::singleShot(20, &window, [&] {
      EXPECT_TRUE(window.IsModal());
      c.close(window);
    });
    EXPECT_EQ(window.ShowModal(), c.code);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.IsModal());
  }
  UiResources::Release();
}

TEST(ModalWindowTest, DeletingAModalWindowEndsItsLoop) {
  UseTestSkin();
  auto* window = new CWindowBase;
  ASSERT_TRUE(window->Create(QStringLiteral("XML_SMALL"), QStringLiteral("modal")));
  QTimer::singleShot(20, [window] { delete window; });
  EXPECT_EQ(window->ShowModal(), 0);
  UiResources::Release();
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UiResources::SetInstallFolder(QStringLiteral(QV_SOURCE_DIR));
    ASSERT_TRUE(UiResources::LoadResourceMap());
  }
  void TearDown() override { UiResources::Release(); }
};

TEST_F(MainWindowTest, OpensCentredAt800By572) {
  CMainWnd window;
  ASSERT_TRUE(window.CreateMain());
  window.CenterWindow();
  window.show();
  EXPECT_EQ(window.windowTitle(), QStringLiteral("QV5307"));
  EXPECT_EQ(window.size(), QSize(800, 572));
  const QRect area = window.screen()->availableGeometry();
  const QRect frame = window.frameGeometry();
  const int left = frame.left() - area.left();
  const int right = area.right() - frame.right();
  const int top = frame.top() - area.top();
  const int bottom = area.bottom() - frame.bottom();
  EXPECT_LE(std::abs(left - right), 1);
  EXPECT_LE(std::abs(top - bottom), 1);
  // The offscreen screen has no tray: closing then ends the program instead of hiding it.
  EXPECT_FALSE(window.HasTray());
}

TEST_F(MainWindowTest, DpiScalesTheWindowWithinLimits) {
  CMainWnd window;
  ASSERT_TRUE(window.CreateMain());
  const struct {
    int percent;
    int applied;
    QSize size;
  } cases[] = {{150, 150, {1200, 858}}, {300, 200, {1600, 1144}}, {50, 100, {800, 572}}};
  for (const auto& c : cases) {
    window.SetDpi(c.percent);
    EXPECT_EQ(window.Dpi(), c.applied);
    EXPECT_EQ(window.size(), c.size);
  }
}

TEST_F(MainWindowTest, InstanceMessageBringsTheHiddenWindowForward) {
  CMainWnd window;
  ASSERT_TRUE(window.CreateMain());
  window.show();  // initialises the window, which then stays hidden until brought forward
  window.hide();
  std::vector<qint64> lParams;
  QObject::connect(&window, &CMainWnd::InstanceMessage,
                   [&lParams](qint64, qint64 lParam) { lParams.push_back(lParam); });
  window.OnRegisteredMessage(qv::UWM_APP_STARTED_MSG, 1, 1);
  EXPECT_FALSE(window.isVisible());
  window.OnRegisteredMessage(qv::UWM_INSTANCE_MSG, 0, 1);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(lParams, std::vector<qint64>{1});
}

TEST(ControlOpsTest, OperationsApplyToTheirControlKindsOnly) {
  QWidget window;
  QLabel label(&window);
  QPushButton button(&window);
  QLineEdit edit(&window);
  QSlider slider(&window);
  QComboBox combo(&window);
  combo.addItems({"a", "b"});
  for (QWidget* w : std::initializer_list<QWidget*>{&label, &button, &edit}) {
    EXPECT_TRUE(SetText(w, QStringLiteral("text")));
    EXPECT_EQ(Text(w), QStringLiteral("text"));
  }
  EXPECT_FALSE(SetText(&slider, QStringLiteral("x")));
  EXPECT_TRUE(SetText(&window, QStringLiteral("title")));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("title"));
  EXPECT_FALSE(SetValue(&label, 3));
  EXPECT_FALSE(SetRange(&slider, 5, 1));
  EXPECT_TRUE(SetRange(&slider, 0, 10));
  EXPECT_TRUE(SetValue(&slider, 50));
  EXPECT_EQ(Value(&slider), 10);
  EXPECT_FALSE(SelectItem(&combo, 2));
  EXPECT_TRUE(SelectItem(&combo, 1));
  EXPECT_EQ(CurSel(&combo), 1);
  EXPECT_FALSE(SetSelected(&label, true));

  ASSERT_TRUE(SetNumberOnly(&edit, true));
  QString input = QStringLiteral("12a");
  int pos = 0;
  EXPECT_EQ(edit.validator()->validate(input, pos), QValidator::Invalid);
  input = QStringLiteral("123");
  EXPECT_EQ(edit.validator()->validate(input, pos), QValidator::Acceptable);
  ASSERT_TRUE(SetMaxChar(&edit, 2));
  edit.setText(QStringLiteral("12345"));
  EXPECT_EQ(edit.text(), QStringLiteral("12"));
}

TEST(ControlOpsTest, OptionsOfOneGroupAreExclusive) {
  QWidget window;
  auto* a = new QPushButton(&window);
  auto* b = new QPushButton(&window);
  ASSERT_TRUE(SetGroup(a, QStringLiteral("rate")));
  ASSERT_TRUE(SetGroup(b, QStringLiteral("rate")));
  SetSelected(a, true);
  SetSelected(b, true);
  EXPECT_FALSE(IsSelected(a));
  EXPECT_TRUE(IsSelected(b));
  ASSERT_TRUE(SetGroup(a, QString()));
  SetSelected(a, true);
  EXPECT_TRUE(IsSelected(b));
}

TEST(MenuTest, LoadsItemsSeparatorsAndSubMenusByName) {
  UseTestSkin();
  std::unique_ptr<QMenu> menu = LoadMenu(QStringLiteral("XML\\Menus\\macro_action_menu.xml"));
  ASSERT_NE(menu, nullptr);
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 4);
  EXPECT_EQ(actions[0]->objectName(), QStringLiteral("insert_delay"));
  EXPECT_TRUE(actions[1]->isSeparator());
  ASSERT_NE(actions[2]->menu(), nullptr);
  const QList<QAction*> sub = actions[2]->menu()->actions();
  ASSERT_EQ(sub.size(), 2);
  EXPECT_EQ(sub[0]->objectName(), QStringLiteral("insert_key_down"));
  EXPECT_TRUE(sub[1]->isCheckable());
  EXPECT_EQ(actions[3]->objectName(), QStringLiteral("delete_action"));
  EXPECT_EQ(LoadMenu(QStringLiteral("no_menu.xml")), nullptr);
  UiResources::Release();
}

TEST(MenuTest, AlignmentPlacesTheMenuAroundTheAnchor) {
  const QPoint anchor(500, 400);
  const QSize size(100, 60);
  EXPECT_EQ(MenuTopLeft(anchor, size, kMenuAlignLeft | kMenuAlignTop), QPoint(500, 400));
  EXPECT_EQ(MenuTopLeft(anchor, size, kMenuAlignRight | kMenuAlignTop), QPoint(400, 400));
  EXPECT_EQ(MenuTopLeft(anchor, size, kMenuAlignLeft | kMenuAlignBottom), QPoint(500, 340));
  EXPECT_EQ(MenuTopLeft(anchor, size, kMenuAlignRight | kMenuAlignBottom), QPoint(400, 340));
}

TEST(TrayIconTest, DegradesWhereThereIsNoTray) {
  CTrayIcon tray;
  const bool available = QSystemTrayIcon::isSystemTrayAvailable();
  EXPECT_EQ(tray.Create(QIcon(), QStringLiteral("QV5307")), available);
  if (!available) {
    EXPECT_FALSE(tray.IsShown());
  }
  tray.Remove();
  EXPECT_FALSE(tray.IsShown());
}

}  // namespace
}  // namespace qv::ui
