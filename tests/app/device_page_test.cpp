// The device page: key buttons and their lights, the rubber-band selection, double clicks, the
// binding of keys and lights by name and user data, notifications that belong to a page, the
// key button texts, and the keyboard page layout.
#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "device_app_support.h"
#include "devices/ui/device_key_button.h"
#include "devices/ui/device_page_widget.h"
#include "devices/ui/select_panel.h"
#include "platform/trace.h"
#include "ui/control_ops.h"
#include "ui/ui_resources.h"

namespace qv::ui {
namespace {

using test::CountingDevice;
using test::NotifyRecorder;
using test::SendMouse;

const QString kKeyboardPage = QStringLiteral("XML\\DeviceXml\\keyboarddevice.xml");

void UseRepositorySkin() {
  UiResources::SetInstallFolder(QStringLiteral(QV_SOURCE_DIR));
  UiResources::LoadResourceMap();
}

CDeviceKeyButtonUI* AddKey(QWidget* panel, const QString& name, QRect place,
                           const QString& userData = {}) {
  auto* key = new CDeviceKeyButtonUI(panel);
  key->setObjectName(name);
  key->setGeometry(place);
  key->SetUserData(userData);
  return key;
}

// A page of one selection panel with four keys in a row (48 px apart, 40 px wide) and a
// "key_200" beyond the key count.
class PageFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(400, 200);
    page = new DevicePageWidget(&window);
    page->setGeometry(0, 0, 400, 200);
    panel = new CSelectPanelUI(page);
    panel->setObjectName(QStringLiteral("device_key_light"));
    panel->setGeometry(0, 0, 400, 200);
    keys.push_back(AddKey(panel, QStringLiteral("key_0"), {20, 20, 40, 40}));
    keys.push_back(
        AddKey(panel, QStringLiteral("key_5"), {68, 20, 40, 40}, QStringLiteral("light_7")));
    keys.push_back(AddKey(panel, QStringLiteral("light_3"), {116, 20, 40, 40}));
    keys.push_back(AddKey(panel, QStringLiteral("KEY_2"), {164, 20, 40, 40}));
    keys.push_back(AddKey(panel, QStringLiteral("key_200"), {212, 20, 40, 40}));
    recorder.Attach(&window);

    device.SetPageLayout("XML\\DeviceXml\\test.xml");
    device.SetKeyCount(170);
    device.SetLightCount(170);
    page->SetDevice(&device);
  }

  QWidget window;
  NotifyRecorder recorder{&window};
  DevicePageWidget* page = nullptr;
  CSelectPanelUI* panel = nullptr;
  std::vector<CDeviceKeyButtonUI*> keys;
  CountingDevice device;
};

TEST_F(PageFixture, BindsKeysAndLightsByNameAndUserData) {
  device.BindPage();
  EXPECT_EQ(page->KeyButtonAt(device.KeyButton(0)), keys[0]);
  // "key_5" with user data "light_7" is key 5 and light 7.
  EXPECT_EQ(page->KeyButtonAt(device.KeyButton(5)), keys[1]);
  EXPECT_EQ(page->KeyButtonAt(device.LightControl(7)), keys[1]);
  EXPECT_EQ(page->KeyButtonAt(device.LightControl(3)), keys[2]);
  // The prefix is compared without regard to case.
  EXPECT_EQ(page->KeyButtonAt(device.KeyButton(2)), keys[3]);
  // "key_200" is beyond the 170 key slots: no slot holds it.
  const int key200 = 4;
  for (uint32_t n = 0; n < 170; ++n) {
    EXPECT_NE(device.KeyButton(n), key200) << n;
    EXPECT_NE(device.LightControl(n), key200) << n;
  }
  // A bound light starts white, fully opaque and shown; an unbound one stays dark.
  EXPECT_TRUE(keys[1]->LightShown());
  EXPECT_EQ(keys[1]->LightColor(), 0xFFFFFFu);
  EXPECT_EQ(keys[1]->LightAlpha(), 255);
  EXPECT_FALSE(keys[0]->LightShown());
}

TEST_F(PageFixture, ColourFrameShowsTheLightsColourOnItsKey) {
  device.BindPage();
  device.framesReachPage = true;
  device.SetPreviewShown(true);
  device.SetLightColor(7, qv::PackLightColor({0x11, 0x22, 0x33}, 200));
  device.SendColorFrame();
  // red + blue * 256 + green * 65536, brightness as alpha.
  EXPECT_EQ(keys[1]->LightColor(), 0x11u + (0x33u << 8) + (0x22u << 16));
  EXPECT_EQ(keys[1]->LightAlpha(), 200);
  EXPECT_EQ(CDeviceKeyButtonUI::ColorOf(keys[1]->LightColor()), QColor(0x11, 0x22, 0x33));

  // A hidden key keeps its old colour, and shows the new one once it is shown again.
  const auto later = qv::SteadyClock::now() + qv::kPreviewPeriod;
  keys[1]->hide();
  device.SetLightColor(7, qv::PackLightColor({1, 2, 3}, 10));
  EXPECT_FALSE(device.RefreshLightPreview(later));
  EXPECT_EQ(keys[1]->LightAlpha(), 200);
  keys[1]->show();
  EXPECT_TRUE(device.RefreshLightPreview(later + qv::kPreviewPeriod));
  EXPECT_EQ(keys[1]->LightAlpha(), 10);
}

TEST_F(PageFixture, PreviewFollowsTheWindowAndPaintsNothingWhileHidden) {
  device.BindPage();
  device.SetLightColor(7, qv::PackLightColor({0x11, 0x22, 0x33}, 200));
  // The page is not on the screen: the device is told so and nothing reaches the keys.
  EXPECT_FALSE(device.IsPreviewShown());
  EXPECT_FALSE(device.RefreshLightPreview(qv::SteadyClock::now()));
  EXPECT_EQ(keys[1]->LightAlpha(), 255);

  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_TRUE(QTest::qWaitFor([&] { return device.IsPreviewShown(); }, 2000));
  EXPECT_TRUE(device.RefreshLightPreview(qv::SteadyClock::now()));
  EXPECT_EQ(keys[1]->LightAlpha(), 200);
  // The same colours again change nothing, and so repaint nothing.
  EXPECT_FALSE(device.RefreshLightPreview(qv::SteadyClock::now() + qv::kPreviewPeriod));

  window.showMinimized();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !device.IsPreviewShown(); }, 2000));
  window.showNormal();
  EXPECT_TRUE(QTest::qWaitFor([&] { return device.IsPreviewShown(); }, 2000));
  // Another page of the window shown instead of this one.
  page->hide();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !device.IsPreviewShown(); }, 2000));
  page->show();
  EXPECT_TRUE(QTest::qWaitFor([&] { return device.IsPreviewShown(); }, 2000));
  window.hide();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !device.IsPreviewShown(); }, 2000));
}

TEST_F(PageFixture, LightFromAnotherThreadIsShownOnlyOnTheInterfaceThread) {
  device.BindPage();
  const int control = device.LightControl(7);
  std::thread worker([this, control] { page->ShowLight(control, 0x0000FF, 99); });
  worker.join();
  EXPECT_EQ(keys[1]->LightAlpha(), 255);  // not yet: queued
  QCoreApplication::processEvents();
  EXPECT_EQ(keys[1]->LightColor(), 0x0000FFu);
  EXPECT_EQ(keys[1]->LightAlpha(), 99);
}

struct BandCase {
  const char* name;
  QPoint from;
  QPoint to;
  std::set<int> selected;  // indexes into keys
};

class RubberBandTest : public PageFixture, public ::testing::WithParamInterface<BandCase> {};

TEST_P(RubberBandTest, SelectsTheKeysTheBandTouchesAndRaisesSelectEnd) {
  keys[4]->SetSelected(true);  // cleared unless the band touches it
  const BandCase& c = GetParam();
  SendMouse(panel, QEvent::MouseButtonPress, c.from);
  EXPECT_TRUE(panel->Armed());
  SendMouse(panel, QEvent::MouseMove, c.to);
  EXPECT_TRUE(panel->Dragging());
  SendMouse(panel, QEvent::MouseButtonRelease, c.to, Qt::NoButton);
  EXPECT_FALSE(panel->Armed());
  for (int i = 0; i < static_cast<int>(keys.size()); ++i) {
    EXPECT_EQ(keys[i]->Selected(), c.selected.count(i) == 1) << i;
  }
  EXPECT_EQ(recorder.Count(QStringLiteral("click_select_end"), panel), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Bands, RubberBandTest,
    ::testing::Values(BandCase{"TwoKeysLeftToRight", {10, 10}, {80, 70}, {0, 1}},
                      BandCase{"DraggedBackwards", {130, 100}, {70, 50}, {1, 2}},
                      BandCase{"TouchesNothing", {10, 100}, {300, 150}, {}},
                      BandCase{"WholeRow", {0, 0}, {399, 199}, {0, 1, 2, 3, 4}}),
    [](const ::testing::TestParamInfo<BandCase>& row) { return std::string(row.param.name); });

TEST_F(PageFixture, ClickWithoutDragChangesNothing) {
  keys[0]->SetSelected(true);
  SendMouse(panel, QEvent::MouseButtonPress, {300, 150});
  SendMouse(panel, QEvent::MouseButtonRelease, {300, 150}, Qt::NoButton);
  EXPECT_TRUE(keys[0]->Selected());
  EXPECT_EQ(recorder.Count(QStringLiteral("click_select_end")), 0);

  // A disabled panel is not armed.
  panel->setEnabled(false);
  SendMouse(panel, QEvent::MouseButtonPress, {300, 150});
  EXPECT_FALSE(panel->Armed());
}

TEST_F(PageFixture, DoubleClickRaisesOneDbclickWhileEnabled) {
  SendMouse(keys[1], QEvent::MouseButtonDblClick, {5, 5});
  EXPECT_EQ(recorder.Count(QStringLiteral("dbclick"), keys[1]), 1);

  keys[1]->setEnabled(false);
  SendMouse(keys[1], QEvent::MouseButtonDblClick, {5, 5});
  EXPECT_EQ(recorder.Count(QStringLiteral("dbclick"), keys[1]), 1);
}

TEST_F(PageFixture, KeySetMarkFollowsTheAssignedFunction) {
  device.BindPage();
  const int control = device.KeyButton(5);
  struct Case {
    const char* factory;
    const char* assigned;
    bool hidden;
  };
  const Case cases[] = {
      {"A", "Play/Pause", false}, {"Esc", "ESC", true}, {"A", "a", true}, {"F1", "F12", false}};
  for (const Case& c : cases) {
    page->ShowKeyTexts(control, c.factory, c.assigned);
    EXPECT_EQ(keys[1]->KeySetHidden(), c.hidden) << c.factory << " " << c.assigned;
  }
  page->SetTextLookup([](const QString& id) {
    return id == QLatin1String("Key_Set") ? QStringLiteral("Set to: ") : id;
  });
  page->ShowKeyTexts(control, "Esc", "Mute");
  EXPECT_EQ(keys[1]->property("tooltiptitle").toString(), QStringLiteral("Esc"));
  EXPECT_EQ(keys[1]->property("tooltiptext").toString(), QStringLiteral("Set to: Mute"));
}

TEST(DevicePageNotifyTest, HandsOnOnlyItsOwnControls) {
  std::vector<std::string> traces;
  qv::SetTraceSink([&traces](std::string_view line) { traces.emplace_back(line); });
  QWidget window;
  NotifyRecorder recorder(&window);
  auto* first = new DevicePageWidget(&window);
  auto* second = new DevicePageWidget(&window);
  auto* mine = new QPushButton(first);
  auto* theirs = new QPushButton(second);
  mine->setObjectName(QStringLiteral("deng_same_mode"));
  theirs->setObjectName(QStringLiteral("deng_same_mode"));
  int handed = 0;
  QObject::connect(first, &DevicePageWidget::PageNotified, [&handed] { ++handed; });
  first->ListenTo(recorder.Adapter());
  recorder.Attach(&window);

  theirs->click();
  EXPECT_EQ(handed, 0);
  mine->click();
  EXPECT_EQ(handed, 1);
  EXPECT_FALSE(first->HandleNotify(UiNotify{QStringLiteral("click"), nullptr, 0, 0}));
  qv::SetTraceSink(nullptr);
  int successes = 0;
  for (const std::string& line : traces)
    successes += line.find("测试成功   、n") != std::string::npos;
  EXPECT_EQ(successes, 1);
}

// The main window's page area at 96 DPI, which every device page must fit.
const QSize kPageArea(640, 514);

// The keyboard page layout: one key button per key of a 61-key keyboard, named by logical key
// and lit by the light of the same number.
class KeyboardPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseRepositorySkin();
    page = DevicePageWidget::Load(kKeyboardPage, nullptr);
    ASSERT_NE(page, nullptr);
    page->resize(kPageArea);
  }
  void TearDown() override {
    delete page;
    UiResources::Release();
  }
  DevicePageWidget* page = nullptr;
};

TEST_F(KeyboardPageTest, HasTheSixtyOneKeysByLogicalNumber) {
  const std::set<int> expected = {
      0,  22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32,  33,  34,  42,  43,  44,  45,  46, 47, 48,
      49, 50, 51, 52, 53, 54, 55, 63, 64, 65, 66, 67,  68,  69,  70,  71,  72,  73,  74, 75, 84,
      85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 105, 106, 107, 108, 109, 110, 111, 112};
  ASSERT_EQ(expected.size(), 61u);
  std::set<int> found;
  for (const PageControl& control : page->KeyButtonControls()) {
    unsigned n = 0;
    ASSERT_TRUE(qv::ParseIndexedName(control.name, "key_", &n)) << control.name;
    EXPECT_EQ(control.userData, "light_" + std::to_string(n));
    found.insert(static_cast<int>(n));
  }
  EXPECT_EQ(found, expected);

  struct Legend {
    const char* name;
    const char* text;
    int units4;  // width in quarter units of 38 px
  };
  const Legend legends[] = {{"key_0", "Esc", 4},     {"key_34", "Backspace", 8},
                            {"key_42", "Tab", 6},    {"key_63", "Caps", 7},
                            {"key_75", "Enter", 9},  {"key_84", "Shift", 9},
                            {"key_95", "Shift", 11}, {"key_108", "", 25},
                            {"key_110", "Fn", 5},    {"key_64", "A", 4}};
  for (const Legend& l : legends) {
    auto* key = FindControlAs<CDeviceKeyButtonUI>(page, QString::fromLatin1(l.name));
    ASSERT_NE(key, nullptr) << l.name;
    EXPECT_EQ(key->text(), QString::fromUtf8(l.text)) << l.name;
    // Less the 4 px gap; half pixels may go either way.
    EXPECT_NEAR(key->width(), l.units4 * 38 / 4.0 - 4, 1.0) << l.name;
  }
}

// At the main window's page area every key lies on the plate, apart from its neighbours, and
// the panels below keep their height.
TEST_F(KeyboardPageTest, FitsThePageAreaWithoutOverlaps) {
  for (const char* layout :
       {"XML\\DeviceXml\\keyboarddevice.xml", "XML\\DeviceXml\\mousedevice.xml"}) {
    std::unique_ptr<DevicePageWidget> any(
        DevicePageWidget::Load(QString::fromLatin1(layout), nullptr));
    ASSERT_NE(any, nullptr) << layout;
    const QSize need = any->minimumSizeHint();
    EXPECT_LE(need.width(), kPageArea.width()) << layout;
    EXPECT_LE(need.height(), kPageArea.height()) << layout;
  }
  page->show();
  QCoreApplication::processEvents();
  QWidget* plate = FindControl(page, QStringLiteral("zelik_light"));
  QWidget* panel = FindControl(page, QStringLiteral("device_key_light"));
  QWidget* functions = FindControl(page, QStringLiteral("device_key_function_switch"));
  ASSERT_TRUE(plate && panel && functions);
  const QRect plateArea(plate->mapTo(page, QPoint(0, 0)), plate->size());
  EXPECT_TRUE(page->rect().contains(plateArea)) << plateArea.x() << "," << plateArea.y();
  std::vector<QRect> places;
  for (auto* key : panel->findChildren<CDeviceKeyButtonUI*>()) {
    const QRect place(key->mapTo(page, QPoint(0, 0)), key->size());
    EXPECT_TRUE(plateArea.contains(place)) << key->objectName().toStdString();
    EXPECT_GE(key->height(), 30) << key->objectName().toStdString();
    for (const QRect& other : places) {
      EXPECT_FALSE(place.intersects(other)) << key->objectName().toStdString();
    }
    places.push_back(place);
  }
  EXPECT_EQ(places.size(), 61u);
  const QRect below(functions->mapTo(page, QPoint(0, 0)), functions->size());
  EXPECT_GE(below.top(), plateArea.bottom());
  EXPECT_LE(below.bottom(), page->rect().bottom());
  EXPECT_GE(below.height(), 120);
}

TEST_F(KeyboardPageTest, DeviceBindsEveryKeyAndSwitchesFunctionPages) {
  CountingDevice device;
  device.SetPageLayout(kKeyboardPage.toStdString());
  device.SetKeyCount(170);
  device.SetLightCount(170);
  device.SetInterface(qv::SupportedInterfaces()[0]);
  page->SetDevice(&device);
  device.BindPage();
  int bound = 0;
  for (uint32_t n = 0; n < 170; ++n) {
    if (device.KeyButton(n) < 0) continue;
    ++bound;
    EXPECT_EQ(device.LightControl(n), device.KeyButton(n)) << n;
  }
  EXPECT_EQ(bound, 61);

  for (const char* name :
       {"device_function_switch", "device_key_function_switch", "zelik_light", "DeviceProfileItem",
        "LightControlItem", "MacroControlItem", "KeySetControlItem", "text_test",
        "keyboard_device_key_light", "device_key_light"}) {
    EXPECT_NE(FindControl(page, QString::fromLatin1(name)), nullptr) << name;
  }
  auto* functions = FindControlAs<QStackedWidget>(page, QStringLiteral("device_function_switch"));
  auto* keyFunctions =
      FindControlAs<QStackedWidget>(page, QStringLiteral("device_key_function_switch"));
  ASSERT_NE(functions, nullptr);
  ASSERT_NE(keyFunctions, nullptr);
  device.ShowFunctionPage(2);
  EXPECT_EQ(functions->currentIndex(), 0);
  EXPECT_EQ(keyFunctions->currentIndex(), 1);
  device.ShowFunctionPage(3);
  EXPECT_EQ(functions->currentIndex(), 1);
  page->SetDevice(nullptr);
}

// Renders the page with a colour wave over the keys. The picture goes to QV_PAGE_SNAPSHOT when
// that is set (docs/keyboard-page.png is made this way).
TEST_F(KeyboardPageTest, RendersLitKeysOffscreen) {
  CountingDevice device;
  device.SetPageLayout(kKeyboardPage.toStdString());
  device.SetKeyCount(170);
  device.SetLightCount(170);
  page->SetDevice(&device);
  device.BindPage();
  device.framesReachPage = true;
  for (uint32_t n = 0; n < 170; ++n) {
    CDeviceKeyButtonUI* key = page->KeyButtonAt(device.KeyButton(n));
    if (!key) continue;
    const QPoint at = key->mapTo(page, QPoint(key->width() / 2, key->height() / 2));
    const QColor hue = QColor::fromHsv((at.x() / 3 + at.y() / 6) % 360, 230, 255);
    device.SetLightColor(static_cast<int>(n), qv::PackLightColor({static_cast<uint8_t>(hue.red()),
                                                                  static_cast<uint8_t>(hue.green()),
                                                                  static_cast<uint8_t>(hue.blue())},
                                                                 230));
  }
  for (const char* name : {"key_44", "key_64", "key_65", "key_66"}) {
    FindControlAs<CDeviceKeyButtonUI>(page, QString::fromLatin1(name))->SetSelected(true);
  }
  FindControlAs<CDeviceKeyButtonUI>(page, QStringLiteral("key_110"))->SetKeySetHidden(false);
  page->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(page));
  ASSERT_TRUE(QTest::qWaitFor([&] { return device.IsPreviewShown(); }, 2000));
  device.SendColorFrame();
  QCoreApplication::processEvents();
  CDeviceKeyButtonUI* esc = page->KeyButtonAt(device.KeyButton(0));
  ASSERT_NE(esc, nullptr);
  EXPECT_EQ(esc->LightAlpha(), 230);
  const QImage image = page->grab().toImage();
  EXPECT_EQ(image.size(), kPageArea);
  const QByteArray out = qgetenv("QV_PAGE_SNAPSHOT");
  if (!out.isEmpty()) {
    EXPECT_TRUE(image.save(QString::fromLocal8Bit(out)));
  }
  page->SetDevice(nullptr);
}

}  // namespace
}  // namespace qv::ui
