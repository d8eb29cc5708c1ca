// The keyboard's reads: the connection read with its two maps, and the settings read.
#include <algorithm>

#include "devices/keyboard_device.h"
#include "platform/trace.h"

namespace qv {

KeyboardMaps BuildKeyboardMaps(const std::vector<uint8_t>& keyMap,
                               const std::vector<uint8_t>& ledTable, size_t positions) {
  KeyboardMaps maps;
  maps.keyPosition.fill(kNoPosition);
  maps.led.fill(kNoPosition);
  // 255 means "none" in the maps, so no position at or above it can be named.
  const size_t n = std::min({positions, keyMap.size() / 3, size_t{kNoPosition}});
  const auto& table = LogicalKeyTable();
  for (size_t key = 0; key < kLogicalKeyCount; ++key) {
    for (size_t p = 0; p < n; ++p) {
      const KeyFunction at{keyMap[3 * p], keyMap[3 * p + 1], keyMap[3 * p + 2]};
      if (at == table[key]) {
        maps.keyPosition[key] = static_cast<uint8_t>(p);
        break;
      }
    }
    const uint8_t p = maps.keyPosition[key];
    if (p == kNoPosition || p >= ledTable.size()) continue;
    // The frame holds `positions` LEDs; a position beyond it would index past the frame.
    if (ledTable[p] < positions && ledTable[p] != kNoPosition) maps.led[key] = ledTable[p];
  }
  return maps;
}

TransactionResult CKestravaKeyboardDevice::ConnectionRead() {
  if (!Link.Open) return kResultNoAnswer;
  TransactionResult result = Link.BeginUpdate();
  bool identified = false;
  std::vector<uint8_t> keyMap;
  std::vector<uint8_t> ledTable;
  size_t positions = 0;
  if (result == kResultSuccess) result = Link.ReadDeviceInfo(DeviceInfo.data(), DeviceInfo.size());
  if (result == kResultSuccess) {
    positions = DeviceInfo[5];
    if (!Link.SetDataSize(static_cast<unsigned>(positions * 3))) {
      Trace("keyboard: %zu key positions do not fit a key map\n", positions);
      result = kResultNoAnswer;
    } else {
      identified = true;
    }
  }
  if (identified) {
    keyMap.assign(positions * 3, 0);
    result = Link.ReadKeyMap(keyMap.data());
    if (result == kResultSuccess) {
      ledTable.assign(positions, kNoPosition);
      result = Link.ReadLedTable(ledTable.data());
    }
  }
  // Whatever failed in between, a sequence that was begun is ended.
  const TransactionResult ended = Link.EndUpdate();
  if (result == kResultSuccess) result = ended;

  // Only a complete read gives maps; after any failure no key is mapped, rather than keys of
  // an earlier connection.
  const bool complete = identified && result == kResultSuccess;
  DefaultKeyMap = complete ? keyMap : std::vector<uint8_t>{};
  LedTable = complete ? ledTable : std::vector<uint8_t>{};
  ConnectedPositions = complete ? positions : 0;
  const KeyboardMaps maps = BuildKeyboardMaps(DefaultKeyMap, LedTable, ConnectedPositions);
  KeyPositionMap = maps.keyPosition;
  LedMap = maps.led;
  if (identified) {
    // Asked only now that the sequence is over: the answer may end the program.
    HidChannel& channel = Link.Active();
    SendToMainWindow(kMsgDeviceVersion, channel.ProductId(), channel.VersionNumber());
  }
  if (result != kResultSuccess) Trace("keyboard: connection read failed: %d\n", result);
  return result;
}

TransactionResult CKestravaKeyboardDevice::ReadSettingsArea() {
  if (!Link.Open) return kResultNoAnswer;
  uint8_t slot = 0;
  TransactionResult result = Link.ReadSettings(0, &slot, 1);
  if (result != kResultSuccess) return result;
  // The device numbers its slots 0..15, as the slot notifications do.
  ActiveSlot = slot & 0x0F;
  SettingsRecord raw{};
  result = Link.ReadSettings(static_cast<uint16_t>(kSettingsSlotStride * ActiveSlot), raw.data(),
                             raw.size());
  if (result != kResultSuccess) return result;

  LightSettingsRecord record = GetLightSettings();
  const uint8_t previousMode = record[kLightMode];
  const DecodedSettings decoded = DecodeSettingsRecord(raw, LightModeList, previousMode);
  raw[16] = 0;
  SettingsRaw = raw;

  // Bytes the record does not carry (memory-only and the earlier mode) stay as they are.
  const auto bytes = decoded.light.Bytes();
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i >= 8 && i <= 10) continue;
    if (i == kLightEarlierMode) continue;
    record[i] = bytes[i];
  }
  SetLightSettings(record);
  SystemStages.wFlag = decoded.wFlag;
  SystemStages.key6Flag = decoded.key6Flag;
  SystemStages.winFlag = decoded.winFlag;

  const uint8_t mode = record[kLightMode];
  if (mode != previousMode || mode == kCustomColorMode) PrepareModeEffect(mode);

  Profile.SetLightInfo(qv::LightSettings::FromBytes(record));
  Profile.SetKeyboardSettings(SystemStages.ToWords()[0], SystemStages.ToWords()[1],
                              SystemStages.ToWords()[2]);
  const int saved = Profile.SaveProfile();
  if (saved != kStoreOk) Trace("keyboard: profile not saved after the settings read: %d\n", saved);
  return kResultSuccess;
}

}  // namespace qv
