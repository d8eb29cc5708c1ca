// The keyboard's downloads: key map, macro image and settings record.
#include <algorithm>

#include "devices/keyboard_device.h"
#include "keys/key_function.h"
#include "macros/macro_image.h"
#include "macros/macro_store.h"
#include "platform/trace.h"
#include "profiles/json_file_store.h"

namespace qv {

namespace {

// Sends `body` between BeginUpdate and EndUpdate; the first failure is the result, and EndUpdate
// follows any BeginUpdate that went out.
template <class Body>
TransactionResult Bracketed(CommandLink& link, Body body) {
  TransactionResult result = link.BeginUpdate();
  if (result == kResultSuccess) result = body();
  const TransactionResult ended = link.EndUpdate();
  return result == kResultSuccess ? ended : result;
}

}  // namespace

std::vector<uint8_t> AssignmentEntryOf(const KeyAssignment& a) {
  return {static_cast<uint8_t>(a.keyIndex & 0xFF),
          static_cast<uint8_t>(a.keyIndex >> 8),
          a.kind,
          a.first,
          a.second,
          0,
          static_cast<uint8_t>(a.defaultKeyIndex & 0xFF),
          static_cast<uint8_t>(a.defaultKeyIndex >> 8),
          a.defaultKind,
          a.defaultFirst,
          a.defaultSecond};
}

KeyAssignment KeyAssignmentOfEntry(const std::vector<uint8_t>& e) {
  KeyAssignment a;
  if (e.size() < kAssignmentEntrySize) return a;
  a.keyIndex = static_cast<uint16_t>(e[0] | (e[1] << 8));
  a.kind = e[2];
  a.first = e[3];
  a.second = e[4];
  a.defaultKeyIndex = static_cast<uint16_t>(e[6] | (e[7] << 8));
  a.defaultKind = e[8];
  a.defaultFirst = e[9];
  a.defaultSecond = e[10];
  return a;
}

size_t CKestravaKeyboardDevice::MacroCount() const {
  JsonFileStore store;
  return MacroGuids(store.ReadJsonFile(DataFolder() + kMacroConfigFileName)).size();
}

std::vector<int> CKestravaKeyboardDevice::AssignedMacros(const KeyAssignmentMap& assignments,
                                                         size_t macroCount) const {
  std::vector<int> list;
  for (int key = 0; key < kUploadedKeyCount; ++key) {
    if (KeyPositionMap[static_cast<size_t>(key)] == kNoPosition) continue;
    auto it = assignments.find(key);
    if (it == assignments.end() || it->second.size() < kAssignmentEntrySize) continue;
    const std::vector<uint8_t>& entry = it->second;
    if (!IsMacroKind(entry[2]) || entry[3] >= macroCount) continue;
    if (std::find(list.begin(), list.end(), entry[3]) == list.end()) list.push_back(entry[3]);
  }
  return list;
}

std::vector<int> CKestravaKeyboardDevice::GetAssignedMacros() {
  return AssignedMacros(KeyAssignments, MacroCount());
}

void CKestravaKeyboardDevice::ValidateMacroAssignments() {
  const size_t count = MacroCount();
  bool changed = false;
  for (auto& [key, entry] : KeyAssignments) {
    if (entry.size() < kAssignmentEntrySize || !IsMacroKind(entry[2]) || entry[3] < count) {
      continue;
    }
    std::copy(entry.begin() + 6, entry.begin() + 11, entry.begin());
    changed = true;
  }
  if (changed) {
    SetKeyAssignments(KeyAssignments);
    SaveProfile();
  }
}

int CKestravaKeyboardDevice::UploadKeyAssignments(int page, const KeyAssignmentMap& assignments) {
  if (!Link.Open) return kResultNoAnswer;
  if (page != 0) return kResultBadPage;
  TransactionResult result = Link.ReadDeviceInfo(DeviceInfo.data(), DeviceInfo.size());
  if (result != kResultSuccess) return result;
  // The image is built on the key map learned at connection; a device that now reports another
  // layout would have its keys shifted.
  const size_t positions = ConnectedPositions;
  if (positions == 0 || DeviceInfo[5] != positions || DefaultKeyMap.size() != positions * 3) {
    Trace("keyboard: key map upload refused: %u key positions, %zu at connection\n",
          static_cast<unsigned>(DeviceInfo[5]), positions);
    return kResultLayoutChanged;
  }
  if (!Link.SetDataSize(static_cast<unsigned>(positions * 3))) return kResultLayoutChanged;

  std::vector<uint8_t> image = DefaultKeyMap;
  const size_t macroCount = MacroCount();
  std::vector<int> uploadOrder;
  for (int key = 0; key < kUploadedKeyCount; ++key) {
    const uint8_t p = KeyPositionMap[static_cast<size_t>(key)];
    if (p == kNoPosition || 3 * size_t{p} + 2 >= image.size()) continue;
    auto it = assignments.find(key);
    if (it == assignments.end() || it->second.size() < kAssignmentEntrySize) continue;
    std::vector<uint8_t> entry = it->second;  // the caller's list stays as it is
    if (IsMacroKind(entry[2])) {
      if (entry[3] < macroCount) {
        auto at = std::find(uploadOrder.begin(), uploadOrder.end(), entry[3]);
        if (at == uploadOrder.end()) at = uploadOrder.insert(uploadOrder.end(), entry[3]);
        entry[3] = static_cast<uint8_t>(at - uploadOrder.begin());
      } else {
        std::copy(entry.begin() + 6, entry.begin() + 11, entry.begin());
      }
    }
    std::copy(entry.begin() + 2, entry.begin() + 5, image.begin() + 3 * p);
  }
  result = Bracketed(Link, [&] { return Link.WriteKeyMap(page, image.data()); });
  if (result != kResultSuccess) Trace("keyboard: key map upload failed: %d\n", result);
  return result;
}

int CKestravaKeyboardDevice::UploadCurrentKeyAssignments(int page) {
  return UploadKeyAssignments(page, KeyAssignments);
}

int CKestravaKeyboardDevice::UploadMacros(const std::vector<int>& macros) {
  auto failure = [](TransactionResult r) { return r < 0 ? r : kResultWriteFailed; };
  if (Link.Open) {
    const TransactionResult read = Link.ReadDeviceInfo(DeviceInfo.data(), DeviceInfo.size());
    if (read != kResultSuccess) return failure(read);
  }
  // The files are read as the macro store reads them: identifiers only of the store's own
  // form, hostile events left out, at most 250 events a macro.
  JsonFileStore store;
  const MacroUploadSet set = ReadMacrosForUpload(store, DataFolder(), macros);
  if (!set.listRead || macros.empty()) return 0;
  if (set.trimmed > 0) Trace("keyboard: %zu macro events left out\n", set.trimmed);
  const std::vector<std::vector<MacroEvent>>& contents = set.macros;
  std::vector<size_t> counts;
  for (const auto& events : contents) counts.push_back(events.size());
  const size_t total = MacroImageSize(counts);
  const size_t capacity = size_t{DeviceInfo[6]} * kMacroMemoryUnit;
  if (const int over = MacroOverflow(total, capacity); over > 0) return over;

  const std::vector<uint8_t> image = BuildMacroImage(contents);
  if (image.empty()) return kResultWriteFailed;
  if (!Link.Open) return kResultWriteFailed;
  const TransactionResult result =
      Bracketed(Link, [&] { return Link.WriteMacros(image.data(), image.size()); });
  if (result != kResultSuccess) {
    Trace("keyboard: macro upload failed: %d\n", result);
    return failure(result);
  }
  return 0;
}

int CKestravaKeyboardDevice::WriteSettings(int slot, uint8_t firstByte) {
  const qv::LightSettings light = Profile.LightInfo();
  const KeyboardStages stages = KeyboardStages::FromWords(Profile.KeyboardSettings());
  const SettingsRecord record =
      EncodeSettingsRecord(SettingsRaw, light, stages, LightModeList, firstByte);
  if (!Link.Open) return kResultNoAnswer;
  if (slot < 0 || slot > 15) return kResultWriteFailed;
  const TransactionResult result = Bracketed(Link, [&] {
    return Link.WriteSettings(static_cast<uint16_t>(kSettingsSlotStride * slot), record.data(),
                              record.size());
  });
  if (result != kResultSuccess) Trace("keyboard: settings write failed: %d\n", result);
  return result;
}

}  // namespace qv
