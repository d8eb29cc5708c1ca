// The keyboard's System page as the device object sees it: what it shows from the stored
// performance values and what a change stores, saves and sends.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "devices/device_test_support.h"
#include "devices/keyboard_device.h"
#include "profiles/data_folders.h"
#include "profiles/json_file_store.h"
#include "profiles/temp_folder.h"
#include "sim/sim_keyboard.h"

namespace qv {
namespace {

class OpenKeyboard : public CKestravaKeyboardDevice {
 public:
  using CKestravaKeyboardDevice::CKestravaKeyboardDevice;
  using CKestravaKeyboardDevice::TakeProfileDocument;
};

// A page whose System controls are numbered in the order of `kNames`.
class SystemPage : public test::FakePageView {
 public:
  SystemPage() {
    const char* names[] = {"winlockflag_option",
                           "wflag_option",
                           "6flag_option",
                           "repeat_rate_slider",
                           "repeat_delay_time_label1",
                           "repeat_input_richedit",
                           "polling_rate_option_0",
                           "polling_rate_option_1",
                           "polling_rate_option_2",
                           "polling_rate_option_3",
                           "repeat_delay_check_0",
                           "repeat_delay_check_1",
                           "repeat_delay_check_2",
                           "repeat_delay_check_3"};
    for (const char* name : names) named[name] = static_cast<int>(named.size());
  }
  bool Selected(const std::string& name) const { return selection.at(named.at(name)); }

  std::map<int, bool> selection;
  std::map<int, int> values;
  std::map<int, std::string> texts;
  std::map<int, std::string> placeholders;

  void ShowSelected(int control, bool on) override { selection[control] = on; }
  void ShowValue(int control, int value) override { values[control] = value; }
  void ShowText(int control, const std::string& text) override { texts[control] = text; }
  void ClearTextField(int control, const std::string& placeholder) override {
    placeholders[control] = placeholder;
  }
  std::string TranslatedText(std::string_view id) override { return "<" + std::string(id) + ">"; }
};

class KeyboardSystemTest : public test::TempFolderTest {
 protected:
  KeyboardSystemTest() {
    backend_.Plug(keyboard_);
    device_ = std::make_unique<OpenKeyboard>(&backend_);
    device_->SetPageView(&page_);
    device_->GetProfile().SetProfilePath(Root() + "profile.Json");
  }

  // Stages as the profile document holds them, taken into the device.
  void Store(const KeyboardStages& stages) {
    const auto w = stages.ToWords();
    device_->GetProfile().SetKeyboardSettings(w[0], w[1], w[2]);
    device_->TakeProfileDocument();
  }
  std::string CommandPath() {
    HidChannel lister(&backend_);
    EXPECT_TRUE(lister.Enumerate());
    for (const auto& e : lister.Entries()) {
      if (e.interfaceNumber == 1 && e.usagePage == 0xFF1C) return e.path;
    }
    return {};
  }
  Json::Value SavedStages() {
    return JsonFileStore().ReadJsonFile(Root() + "profile.Json")["Device"][0]["SystemStages"];
  }

  sim::SimBackend backend_;
  std::shared_ptr<sim::SimKeyboard> keyboard_ = std::make_shared<sim::SimKeyboard>();
  SystemPage page_;
  std::unique_ptr<OpenKeyboard> device_;
};

TEST_F(KeyboardSystemTest, ShowsTheStoredValuesAndAnUnknownOptionAsTheFirst) {
  Store({.repeat = 40, .repeatDelay = 7, .key6Flag = 1, .pollingRate = 2, .winFlag = 1});
  device_->ShowSystemStages();

  EXPECT_TRUE(page_.Selected("winlockflag_option"));
  EXPECT_FALSE(page_.Selected("wflag_option"));
  EXPECT_TRUE(page_.Selected("6flag_option"));
  EXPECT_EQ(page_.values.at(page_.named.at("repeat_rate_slider")), 40);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(page_.Selected("repeat_delay_check_" + std::to_string(i)), i == 0) << i;
    EXPECT_EQ(page_.Selected("polling_rate_option_" + std::to_string(i)), i == 2) << i;
  }
  EXPECT_EQ(page_.texts.at(page_.named.at("repeat_delay_time_label1")), "<Repeat_Delay_Time>250ms");
  EXPECT_EQ(page_.placeholders.at(page_.named.at("repeat_input_richedit")), "<Repeat_input_text>");

  // The controls are looked up once and kept.
  const size_t lookups = page_.lookups.size();
  Store({.repeatDelay = 2});
  device_->ShowSystemStages();
  EXPECT_EQ(page_.lookups.size(), lookups);
  EXPECT_EQ(page_.texts.at(page_.named.at("repeat_delay_time_label1")), "<Repeat_Delay_Time>750ms");
}

TEST_F(KeyboardSystemTest, SwitchesAndPollingRateAreSentRepeatSettingsOnlySaved) {
  ASSERT_TRUE(device_->Link.Wired.Open(CommandPath(), true, true, true, false));
  device_->Link.SetMode(kModeWired);
  device_->Link.Open = true;
  auto& firmware = keyboard_->Firmware();

  EXPECT_TRUE(device_->ChangeSystemSwitch("winlockflag_option", true));
  EXPECT_TRUE(device_->ChangeSystemSwitch("wflag_option", true));
  EXPECT_TRUE(device_->ChangeSystemSwitch("6flag_option", true));
  EXPECT_FALSE(device_->ChangeSystemSwitch("reset_repeat_btn", true));
  device_->SelectPollingRate(2);
  device_->SelectPollingRate(4);  // no such option: ignored
  auto record = firmware.Tables().ActiveRecord();
  ASSERT_EQ(record.size(), kSettingsRecordSize);
  EXPECT_EQ(std::vector<uint8_t>(record.begin() + 19, record.begin() + 23),
            (std::vector<uint8_t>{1, 1, 1, 2}));
  EXPECT_TRUE(page_.Selected("polling_rate_option_2"));
  EXPECT_FALSE(page_.Selected("polling_rate_option_0"));

  firmware.ClearPackets();
  device_->SelectRepeatDelay(3);
  device_->SetRepeatRate(1000);  // beyond the slider's range
  EXPECT_TRUE(firmware.Packets().empty()) << "the repeat settings stay on the host";
  device_->ChangeSystemSwitch("6flag_option", false);
  record = firmware.Tables().ActiveRecord();
  EXPECT_EQ(record[20], 0);
  EXPECT_EQ(record[22], 2);

  const Json::Value saved = SavedStages();
  EXPECT_EQ(saved["WinFlag"].asInt(), 1);
  EXPECT_EQ(saved["WFlag"].asInt(), 1);
  EXPECT_EQ(saved["Key6Flag"].asInt(), 0);
  EXPECT_EQ(saved["PollingRate"].asInt(), 2);
  EXPECT_EQ(saved["RepeatDelay"].asInt(), 3);
  EXPECT_EQ(saved["Repeat"].asInt(), kKeyboardRepeatRateMax);
  EXPECT_EQ(page_.texts.at(page_.named.at("repeat_delay_time_label1")),
            "<Repeat_Delay_Time>1000ms");
}

}  // namespace
}  // namespace qv
