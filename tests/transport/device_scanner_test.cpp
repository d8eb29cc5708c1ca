#include "transport/device_scanner.h"

#include <gtest/gtest.h>

#include <vector>

#include "sim/sim_keyboard.h"

namespace qv {
namespace {

constexpr uint32_t kInstanceMessage = 0xC123;

struct Message {
  uint32_t id;
  uintptr_t wParam;
  intptr_t lParam;
  bool sent;
  bool operator==(const Message&) const = default;
};

// Records what reaches the main window, and what the row looked like while it was handled.
class RecordingSink : public MessageSink {
 public:
  intptr_t Send(uint32_t m, uintptr_t w, intptr_t l) override {
    messages.push_back({m, w, l, true});
    if (scanner && w < scanner->Table().RowCount()) {
      presentWhileHandled.push_back(scanner->Table().Row(static_cast<int>(w)).Present);
    }
    return 0;
  }
  bool Post(uint32_t m, uintptr_t w, intptr_t l) override {
    messages.push_back({m, w, l, false});
    return true;
  }
  bool PostTask(std::function<void()>) override { return true; }

  const DeviceScanner* scanner = nullptr;
  std::vector<Message> messages;
  std::vector<uint16_t> presentWhileHandled;
};

TEST(DeviceScanner, ArrivalRemovalAndReplugOfTheKeyboard) {
  sim::SimBackend backend;
  RecordingSink sink;
  DeviceScanner scanner(&backend, &sink, kInstanceMessage);
  sink.scanner = &scanner;

  // Nothing attached: the first pass only brings the window forward.
  ASSERT_EQ(scanner.RunPass(), DeviceScanner::PassResult::kDone);
  EXPECT_EQ(sink.messages, (std::vector<Message>{{kInstanceMessage, 0, 0, false}}));
  sink.messages.clear();

  auto keyboard = std::make_shared<sim::SimKeyboard>();
  backend.Plug(keyboard);
  scanner.RunPass();
  // Collections 3 and 4 claim rows 1 and 0 (enumeration order); the row is claimed before the
  // arrival is handled. The instance message is not posted again.
  ASSERT_EQ(sink.messages.size(), 2u);
  std::vector<uintptr_t> rows;
  for (const auto& m : sink.messages) {
    EXPECT_EQ(m.id, UWM_DEVICE_ARRIVED);
    EXPECT_TRUE(m.sent);
    rows.push_back(m.wParam);
  }
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<uintptr_t>{0, 1}));
  EXPECT_EQ(sink.presentWhileHandled, (std::vector<uint16_t>{1, 1}));
  std::string claimedPath = scanner.Table().Row(0).DevicePath;

  sink.messages.clear();
  scanner.RunPass();  // still attached: nothing new
  EXPECT_TRUE(sink.messages.empty());

  backend.Unplug(keyboard);
  sink.presentWhileHandled.clear();
  scanner.RunPass();
  ASSERT_EQ(sink.messages.size(), 2u);
  for (const auto& m : sink.messages) EXPECT_EQ(m.id, UWM_DEVICE_REMOVED);
  EXPECT_EQ(sink.presentWhileHandled, (std::vector<uint16_t>{0, 0}));  // freed before handling
  EXPECT_TRUE(scanner.Table().Row(0).DevicePath.empty());

  sink.messages.clear();
  backend.Plug(keyboard);
  scanner.RunPass();
  EXPECT_EQ(sink.messages.size(), 2u);
  EXPECT_NE(scanner.Table().Row(0).DevicePath, claimedPath);
}

}  // namespace
}  // namespace qv
