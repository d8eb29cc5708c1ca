// The device list: entries with their icons and timers, the power block's report, and the main
// window's list operations.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTest>
#include <QVBoxLayout>
#include <thread>

#include "app/device_list.h"
#include "app/device_option.h"
#include "app/device_power.h"
#include "device_app_support.h"
#include "transport/device_scanner.h"
#include "ui/control_factory.h"
#include "ui/control_ops.h"
#include "ui/ui_resources.h"

namespace qv::ui {
namespace {

using test::CountingDevice;
using test::RecordingSink;

const QString kEntryLayout = QStringLiteral("XML\\CustomControlXML\\DeviceOption.xml");
const QString kPowerLayout = QStringLiteral("XML\\CustomControlXML\\MpDevicePower.xml");

class SkinFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    UiResources::SetInstallFolder(QStringLiteral(QV_SOURCE_DIR));
    UiResources::LoadResourceMap();
  }
  void TearDown() override { UiResources::Release(); }
};

// A main layout with three device blocks: pages and power blocks at index i + 1 (index 0 is
// the empty page), entries hidden and unselected.
class DeviceListTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    auto* box = new QVBoxLayout(&root);
    list = new QWidget(&root);
    list->setObjectName(QStringLiteral("device_select_layout"));
    notice = new QLabel(&root);
    notice->setObjectName(QStringLiteral("No_device_Link"));
    pages = new QStackedWidget(&root);
    pages->setObjectName(QStringLiteral("device_switch"));
    powers = new QStackedWidget(&root);
    powers->setObjectName(QStringLiteral("device_power_switch"));
    for (QWidget* w : {static_cast<QWidget*>(list), static_cast<QWidget*>(notice),
                       static_cast<QWidget*>(pages), static_cast<QWidget*>(powers)}) {
      box->addWidget(w);
    }
    pages->addWidget(new QWidget);
    powers->addWidget(new QWidget);
    for (int i = 0; i < 3; ++i) {
      auto* page = new QWidget;
      auto* profile = new QWidget(page);
      profile->setObjectName(QStringLiteral("DeviceProfileItem"));
      pages->addWidget(page);
      powers->addWidget(new QWidget);
      auto* entry = qobject_cast<CDeviceOptionUI*>(LoadLayout(kEntryLayout, nullptr));
      ASSERT_NE(entry, nullptr);
      AddControl(list, entry);
      entry->SetGroup(QStringLiteral("tab_header_device"));
      entry->SetPageBinding(QStringLiteral("device_switch"), i + 1);
      entry->SetPowerContainer(QStringLiteral("device_power_switch"), i + 1);
      entry->SetDevice(&devices[i]);
      entry->hide();
    }
  }

  QWidget root;
  QWidget* list = nullptr;
  QLabel* notice = nullptr;
  QStackedWidget* pages = nullptr;
  QStackedWidget* powers = nullptr;
  CountingDevice devices[3];
  std::vector<bool> synchroPossible;
  DeviceList deviceList{
      &root, {nullptr, nullptr, [this](bool possible) { synchroPossible.push_back(possible); }}};
};

TEST_F(DeviceListTest, ShowingAndHidingKeepsTheNoticeAndContainersInStep) {
  EXPECT_EQ(deviceList.Count(), 3);
  EXPECT_EQ(deviceList.FirstVisible(), std::make_pair(-1, 0));
  deviceList.ShowEntry(1, true, true);
  EXPECT_TRUE(notice->isHidden());
  EXPECT_EQ(pages->currentIndex(), 2);
  EXPECT_EQ(powers->currentIndex(), 2);
  EXPECT_EQ(deviceList.FirstVisible(), std::make_pair(1, 1));
  EXPECT_EQ(deviceList.SelectedDevice(), &devices[1]);

  // The last visible entry goes: the notice shows and both containers return to 0.
  deviceList.HideEntry(1);
  EXPECT_FALSE(notice->isHidden());
  EXPECT_EQ(pages->currentIndex(), 0);
  EXPECT_EQ(powers->currentIndex(), 0);
  EXPECT_EQ(deviceList.SelectedDevice(), nullptr);
  // Out of range and -1 are ignored.
  deviceList.HideEntry(-1);
  deviceList.HideEntry(7);
}

TEST_F(DeviceListTest, HidingTheSelectedEntrySelectsAnotherAndShowsItsPage) {
  int closed = 0;
  int captureEnded = 0;
  DeviceList withHooks(&root, {[&closed] { ++closed; }, [&captureEnded] { ++captureEnded; }, {}});
  withHooks.ShowEntry(0, true, false);
  withHooks.ShowEntry(2, true, true);
  withHooks.Lock(true);
  EXPECT_FALSE(list->isEnabled());
  EXPECT_FALSE(FindControl(pages->widget(3), QStringLiteral("DeviceProfileItem"))->isEnabled());

  withHooks.HideEntry(2);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(captureEnded, 1);
  EXPECT_TRUE(list->isEnabled());
  EXPECT_FALSE(withHooks.KeyCapture());
  EXPECT_EQ(withHooks.SelectedIndex(), 0);
  EXPECT_EQ(pages->currentIndex(), 1);

  // Hiding an unselected entry selects nothing else.
  withHooks.ShowEntry(1, true, false);
  withHooks.HideEntry(1);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(withHooks.SelectedIndex(), 0);
}

TEST_F(DeviceListTest, PreviousAndNextStopAtTheEnds) {
  deviceList.ShowEntry(0, true, false);
  deviceList.ShowEntry(2, true, true);
  deviceList.SelectNext();
  EXPECT_EQ(deviceList.SelectedIndex(), 2);
  deviceList.SelectPrevious();  // skips the hidden entry 1
  EXPECT_EQ(deviceList.SelectedIndex(), 0);
  EXPECT_EQ(pages->currentIndex(), 1);
  deviceList.SelectPrevious();
  EXPECT_EQ(deviceList.SelectedIndex(), 0);
  deviceList.SelectNext();
  EXPECT_EQ(deviceList.SelectedIndex(), 2);
}

TEST_F(DeviceListTest, EntryWithoutPageBindingStopsTheShow) {
  deviceList.Entry(1)->SetPageBinding(QStringLiteral("device_switch"), -1);
  deviceList.ShowEntry(1, true, true);
  EXPECT_TRUE(deviceList.Entry(1)->IsEntryVisible());
  EXPECT_FALSE(deviceList.Entry(1)->IsSelected());
  EXPECT_FALSE(notice->isHidden());  // the rest of the operation did not run
}

TEST_F(DeviceListTest, SynchronisedChoiceNeedsTwoVisibleEntries) {
  deviceList.ShowEntry(0, true, true);
  deviceList.ShowEntry(1, true, false);
  EXPECT_EQ(synchroPossible.back(), true);
  deviceList.Entry(0)->SelectSynchro(true);
  deviceList.Entry(1)->SelectSynchro(true);
  deviceList.ShowEntry(0, true, true);
  EXPECT_TRUE(deviceList.Entry(0)->IsSynchroSelected());
  // The synchronised images replace the plain ones on the face.
  auto* face = FindControlAs<QAbstractButton>(deviceList.Entry(0), QStringLiteral("device_select"));
  EXPECT_EQ(face->property("normalimage").toString(), deviceList.Entry(0)->Images()[1]);

  deviceList.HideEntry(1);
  EXPECT_EQ(synchroPossible.back(), false);
  EXPECT_FALSE(deviceList.Entry(0)->IsSynchroSelected());
  EXPECT_FALSE(deviceList.Entry(1)->IsSynchroSelected());
  EXPECT_EQ(face->property("normalimage").toString(), deviceList.Entry(0)->Images()[3]);
}

TEST_F(DeviceListTest, SelectChangedShowsThePowerBlockOfTheSelectedEntry) {
  deviceList.Entry(2)->SetTypeCode(1, 0);
  deviceList.ShowEntry(2, true, true);
  powers->setCurrentIndex(0);
  deviceList.OnDeviceSelectChanged();
  EXPECT_EQ(deviceList.CurrentIndex(), 2);
  EXPECT_EQ(deviceList.CurrentTypeCode(), 1u);
  EXPECT_EQ(powers->currentIndex(), 3);
}

struct IconCase {
  uint32_t typeCode;
  uint32_t role;
  const char* word;
  const char* tip;
};

class EntryIconTest : public SkinFixture, public ::testing::WithParamInterface<IconCase> {};

TEST_P(EntryIconTest, TypeCodeChoosesTheFamilyImages) {
  const IconCase& c = GetParam();
  QWidget parent;
  auto* entry = qobject_cast<CDeviceOptionUI*>(LoadLayout(kEntryLayout, &parent));
  ASSERT_NE(entry, nullptr);
  entry->SetTypeCode(c.typeCode, c.role);
  const QString base = QStringLiteral("common/device_ico/") + QString::fromLatin1(c.word);
  EXPECT_EQ(entry->Images()[0], base + QStringLiteral("_device_synchro_selected.png"));
  EXPECT_EQ(entry->Images()[3], base + QStringLiteral("_device_normal.png"));
  auto* face = FindControlAs<QAbstractButton>(entry, QStringLiteral("device_select"));
  if (*c.tip == '\0') {
    // Nothing changed: the face keeps what it had.
    EXPECT_TRUE(face->property("normalimage").isNull());
    EXPECT_TRUE(face->toolTip().isEmpty());
    return;
  }
  EXPECT_EQ(face->property("normalimage").toString(), base + QStringLiteral("_device_normal.png"));
  EXPECT_EQ(face->property("selectedimage").toString(),
            base + QStringLiteral("_device_selected.png"));
  EXPECT_EQ(face->property("disabledimage").toString(),
            base + QStringLiteral("_device_normal.png"));
  EXPECT_EQ(face->toolTip(), QString::fromLatin1(c.tip));
}

INSTANTIATE_TEST_SUITE_P(
    Families, EntryIconTest,
    ::testing::Values(IconCase{1, 0, "kb", "kb_device_name_text"},
                      IconCase{2, 0, "ms", "ms_device_name_text"},
                      IconCase{3, 0, "hard_mp", "hard_mp_device_name_text"},
                      IconCase{3, 1, "soft_mp", "soft_mp_device_name_text"},
                      // A mousepad of another role keeps the icons set at construction.
                      IconCase{3, 2, "unknow", ""}, IconCase{4, 0, "hd", "hd_device_name_text"},
                      IconCase{7, 0, "hd", "hd_device_name_text"},
                      IconCase{5, 0, "hub", "hub_device_name_text"},
                      IconCase{9, 0, "unknow", "unknow_device_name_text"}));

// Entry timers against a device that counts what it is asked to do.
class EntryTimerTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    entry = qobject_cast<CDeviceOptionUI*>(LoadLayout(kEntryLayout, &parent));
    ASSERT_NE(entry, nullptr);
    device.SetMainWindow(&sink);
    device.SetInterface(qv::SupportedInterfaces()[qv::FindInterfaceRowOfKind(qv::kKindKeyboard)]);
    entry->SetDevice(&device);
    device.Link.Open = true;
  }
  std::vector<RecordingSink::Message> LinkMessages() {
    std::vector<RecordingSink::Message> out;
    for (const auto& m : sink.Sent()) {
      if (m.message == qv::UWM_DEVICE_LINK) out.push_back(m);
    }
    return out;
  }

  QWidget parent;
  CDeviceOptionUI* entry = nullptr;
  CountingDevice device;
  RecordingSink sink;
};

TEST_F(EntryTimerTest, ConnectOnTheCableReadsAndStartsPollAndPower) {
  EXPECT_EQ(device.GetListEntry(), entry);
  device.SetPowerFlag(1);
  entry->StartConnectTimer();
  EXPECT_EQ(entry->TimerInterval(CDeviceOptionUI::kTimerConnect), 500);
  entry->OnTimer(CDeviceOptionUI::kTimerConnect);
  EXPECT_FALSE(entry->IsTimerActive(CDeviceOptionUI::kTimerConnect));
  EXPECT_EQ(device.readAll, 1);
  EXPECT_EQ(device.linkQueries, 0);
  EXPECT_EQ(entry->TimerInterval(CDeviceOptionUI::kTimerPoll), 5);
  EXPECT_EQ(entry->TimerInterval(CDeviceOptionUI::kTimerPower), 50);
  EXPECT_FALSE(entry->IsTimerActive(CDeviceOptionUI::kTimerLinkWatch));
  EXPECT_TRUE(LinkMessages().empty());

  entry->OnTimer(CDeviceOptionUI::kTimerPoll);
  EXPECT_EQ(device.frames, 1);
  EXPECT_EQ(entry->TimerInterval(CDeviceOptionUI::kTimerPoll), 5);
  entry->OnTimer(CDeviceOptionUI::kTimerPower);
  EXPECT_EQ(device.readPower, 1);
  EXPECT_EQ(entry->TimerInterval(CDeviceOptionUI::kTimerPower), 5000);

  // Once the channel closes the poll stops re-arming.
  device.Link.Open = false;
  entry->OnTimer(CDeviceOptionUI::kTimerPoll);
  EXPECT_EQ(device.frames, 2);
  EXPECT_FALSE(entry->IsTimerActive(CDeviceOptionUI::kTimerPoll));
}

TEST_F(EntryTimerTest, ReceiverWithoutLinkRetriesAndWrapsTheFailureCount) {
  device.SetWireless(true);
  device.linked = false;
  const uintptr_t kind = static_cast<uintptr_t>(qv::kKindKeyboard);
  for (int i = 1; i <= 20; ++i) {
    entry->OnTimer(CDeviceOptionUI::kTimerConnect);
    EXPECT_EQ(entry->LinkFailures(), i % 20);
    EXPECT_EQ(entry->TimerInterval(CDeviceOptionUI::kTimerConnect), 3000);
    // The entry is hidden by the main window once told; afterwards nothing more is sent.
    if (i == 1) entry->hide();
  }
  EXPECT_EQ(device.readAll, 0);
  EXPECT_EQ(LinkMessages(), (std::vector<RecordingSink::Message>{{qv::UWM_DEVICE_LINK, kind, 0}}));

  device.linked = true;
  entry->OnTimer(CDeviceOptionUI::kTimerConnect);
  EXPECT_EQ(device.readAll, 1);
  EXPECT_EQ(LinkMessages().back(), (RecordingSink::Message{qv::UWM_DEVICE_LINK, kind, 1}));
  EXPECT_EQ(entry->TimerInterval(CDeviceOptionUI::kTimerLinkWatch), 2000);
  // Through the receiver no frame goes out: the poll only serves the preview, and rests while
  // nothing shows it until something wakes it.
  entry->OnTimer(CDeviceOptionUI::kTimerPoll);
  EXPECT_FALSE(entry->IsTimerActive(CDeviceOptionUI::kTimerPoll));
  device.SetPreviewShown(true);
  EXPECT_EQ(entry->TimerInterval(CDeviceOptionUI::kTimerPoll), 0);
  entry->OnTimer(CDeviceOptionUI::kTimerPoll);
  EXPECT_EQ(entry->TimerInterval(CDeviceOptionUI::kTimerPoll),
            static_cast<int>(qv::kPreviewPeriod.count()));
  // Back on the cable the device streams again, at the frame cadence.
  device.SetWireless(false);
  entry->OnTimer(CDeviceOptionUI::kTimerPoll);
  EXPECT_EQ(entry->TimerInterval(CDeviceOptionUI::kTimerPoll), 5);
}

TEST_F(EntryTimerTest, LinkWatchShowsAndHidesTheEntryOnTheReceiver) {
  device.SetWireless(true);
  device.SetPowerFlag(1);
  const uintptr_t kind = static_cast<uintptr_t>(qv::kKindKeyboard);
  entry->hide();
  entry->OnTimer(CDeviceOptionUI::kTimerLinkWatch);
  EXPECT_EQ(LinkMessages().back(), (RecordingSink::Message{qv::UWM_DEVICE_LINK, kind, 1}));
  EXPECT_EQ(device.readPower, 1);
  EXPECT_EQ(entry->TimerInterval(CDeviceOptionUI::kTimerLinkWatch), 3000);

  entry->show();
  device.linked = false;
  entry->OnTimer(CDeviceOptionUI::kTimerLinkWatch);
  EXPECT_EQ(LinkMessages().back(), (RecordingSink::Message{qv::UWM_DEVICE_LINK, kind, 0}));
  EXPECT_EQ(LinkMessages().size(), 2u);

  // On the cable the watch ends; a restart while the channel is closed starts nothing.
  device.SetWireless(false);
  entry->OnTimer(CDeviceOptionUI::kTimerLinkWatch);
  EXPECT_FALSE(entry->IsTimerActive(CDeviceOptionUI::kTimerLinkWatch));
  device.Link.Open = false;
  entry->RestartLinkWatch(2000);
  EXPECT_FALSE(entry->IsTimerActive(CDeviceOptionUI::kTimerLinkWatch));
}

TEST_F(EntryTimerTest, TimersFireOnTheInterfaceThreadEvenWhenStartedElsewhere) {
  std::thread notifier([this] { entry->StartDeviceTimer(qv::kEntryTimerResync, 50); });
  notifier.join();
  EXPECT_FALSE(entry->IsTimerActive(qv::kEntryTimerResync));  // queued, not started yet
  EXPECT_TRUE(QTest::qWaitFor([this] { return device.resync == 1; }, 10000));
  entry->StartConnectTimer();
  EXPECT_TRUE(QTest::qWaitFor([this] { return device.readAll == 1; }, 10000));
  entry->SetDevice(nullptr);  // stop driving the device before it goes
}

struct PowerCase {
  const char* name;
  uint32_t typeCode;
  std::vector<uint8_t> report;
  int progress;
  const char* text;
  const char* status;  // "device_power_status" background, "" unchanged
  const char* phone;   // "device_phone_type" background, "" unchanged
  bool wirelessShown;
};

class PowerReportTest : public SkinFixture, public ::testing::WithParamInterface<PowerCase> {};

TEST_P(PowerReportTest, ShowsLevelChargingPhoneAndLink) {
  const PowerCase& c = GetParam();
  QWidget parent;
  auto* power = qobject_cast<CMpDevicePowerUI*>(LoadLayout(kPowerLayout, &parent));
  ASSERT_NE(power, nullptr);
  power->SetTypeCode(c.typeCode, 0);
  power->ShowPowerReport(c.report.data(), c.report.size());
  auto* progress = FindControlAs<QProgressBar>(power, QStringLiteral("device_Power_progress"));
  EXPECT_EQ(progress->value(), c.progress);
  EXPECT_EQ(Text(FindControl(power, QStringLiteral("device_power_value"))),
            QString::fromLatin1(c.text));
  EXPECT_EQ(
      FindControl(power, QStringLiteral("device_power_status"))->property("bkimage").toString(),
      QString::fromLatin1(c.status));
  EXPECT_EQ(FindControl(power, QStringLiteral("device_phone_type"))->property("bkimage").toString(),
            QString::fromLatin1(c.phone));
  EXPECT_EQ(IsVisible(FindControl(power, QStringLiteral("device_wuxian_logo"))), c.wirelessShown);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, PowerReportTest,
    ::testing::Values(
        PowerCase{"Charging80", 1, {80, 1, 0, 1}, 20, "80%", "file='power/powering.png'", "", true},
        PowerCase{
            "FullOnCable", 1, {100, 0, 0, 0}, 0, "100%", "file='power/powered.png'", "", false},
        // A level above 100 is a bad report: shown as 100, never beyond the bar's range.
        PowerCase{"LevelClamped", 2, {250, 2, 0, 1}, 0, "100%", "file='power/power.png'", "", true},
        PowerCase{"UnknownChargingState", 1, {5, 9, 0, 1}, 95, "5%", "", "", true},
        PowerCase{
            "ShortReportZeroFilled", 1, {42}, 58, "42%", "file='power/powered.png'", "", false},
        PowerCase{"MousepadIphone",
                  3,
                  {60, 0, 1, 0},
                  40,
                  "60%",
                  "file='power/powered.png'",
                  "file='power/Phone_type_iphone.png'",
                  true},
        PowerCase{"MousepadNoPhone",
                  3,
                  {60, 0, 7, 0},
                  40,
                  "60%",
                  "file='power/powered.png'",
                  "file='power/Phone_type_no_device.png'",
                  true}),
    [](const ::testing::TestParamInfo<PowerCase>& row) { return std::string(row.param.name); });

TEST_F(SkinFixture, PowerReportNeedsEverySubControl) {
  QWidget parent;
  auto* power = qobject_cast<CMpDevicePowerUI*>(LoadLayout(kPowerLayout, &parent));
  ASSERT_NE(power, nullptr);
  delete FindControl(power, QStringLiteral("device_phone_type"));
  const uint8_t report[] = {80, 1, 0, 1};
  power->ShowPowerReport(report, sizeof report);
  EXPECT_EQ(Text(FindControl(power, QStringLiteral("device_power_value"))), QStringLiteral("--%"));

  power->ShowPowerLayout(0);
  EXPECT_TRUE(FindControl(power, QStringLiteral("device_power_Layout"))->isHidden());
  power->ShowPowerLayout(1);
  EXPECT_FALSE(FindControl(power, QStringLiteral("device_power_Layout"))->isHidden());
}

}  // namespace
}  // namespace qv::ui
