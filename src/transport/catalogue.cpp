#include "transport/catalogue.h"

#include <cctype>

namespace qv {

namespace {

constexpr uint16_t kVendorMain = 0x320F;
constexpr uint16_t kVendorHeadset = 0x0C76;

SupportedInterface Row(uint16_t pid, uint16_t mi, uint16_t col, DeviceTypeCode type, uint16_t role,
                       uint16_t page, uint16_t usage, uint16_t hasPair, uint16_t pair,
                       uint16_t vid = kVendorMain) {
  return SupportedInterface{vid, pid, mi, col, type, role, 0, page, usage, hasPair, pair, {}};
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

uint16_t NumberAfter(std::string_view path, std::string_view token) {
  if (path.size() < token.size()) return 0;
  for (size_t i = 0; i + token.size() <= path.size(); ++i) {
    bool same = true;
    for (size_t j = 0; j < token.size() && same; ++j) {
      same = std::tolower(static_cast<unsigned char>(path[i + j])) == token[j];
    }
    if (!same) continue;
    uint32_t value = 0;
    for (size_t k = i + token.size(); k < path.size(); ++k) {
      int d = HexDigit(path[k]);
      if (d < 0) break;
      value = (value << 4) | static_cast<uint32_t>(d);  // only the low 16 bits are kept
    }
    return static_cast<uint16_t>(value & 0xFFFF);
  }
  return 0;
}

bool SamePathValues(const SupportedInterface& row, const PathIds& ids) {
  return row.VendorId == ids.vendorId && row.ProductId == ids.productId &&
         row.CollectionNumber == ids.collectionNumber && row.InterfaceNumber == ids.interfaceNumber;
}

bool SameSixValues(const SupportedInterface& row, const InterfaceCandidate& c) {
  return SamePathValues(row, c.ids) && row.UsagePage == c.usagePage && row.Usage == c.usage;
}

bool IsFree(const SupportedInterface& row) {
  return row.Present == 0 && row.DevicePath.empty();
}

}  // namespace

const std::array<SupportedInterface, kInterfaceRowCount>& SupportedInterfaces() {
  static const std::array<SupportedInterface, kInterfaceRowCount> rows = {
      Row(0x5080, 1, 4, kTypeKeyboard, kRolePrimary, 0xFF1C, 0x92, 1, 2),
      Row(0x5080, 1, 3, kTypeKeyboard, kRoleSecondary, 0x000C, 0x01, 1, 3),
      Row(0x1000, 1, 4, kTypeKeyboardSecond, kRolePrimary, 0xFF1C, 0x92, 1, 0),
      Row(0x1000, 1, 3, kTypeKeyboardSecond, kRoleSecondary, 0x000C, 0x01, 1, 1),
      Row(0x1001, 1, 4, kTypeMouse, kRolePrimary, 0xFF1C, 0x92, 1, 6),
      Row(0x1001, 1, 3, kTypeMouse, kRoleSecondary, 0x000C, 0x01, 1, 7),
      Row(0x2000, 1, 4, kTypeMouseSecond, kRolePrimary, 0xFF1C, 0x92, 1, 4),
      Row(0x2000, 1, 3, kTypeMouseSecond, kRoleSecondary, 0x000C, 0x01, 1, 5),
      Row(0x1004, 1, 4, kTypeMousePad, kRolePrimary, 0xFF1C, 0x92, 0, 0),
      Row(0x1004, 1, 3, kTypeMousePad, kRoleSecondary, 0x000C, 0x01, 0, 0),
      Row(0x1630, 3, 0, kTypeHeadset, kRolePrimary, 0x000C, 0x01, 0, 0, kVendorHeadset),
  };
  return rows;
}

const std::array<DeviceKindInfo, kKindRowCount>& DeviceKinds() {
  static constexpr const char* kEntry = "XML\\CustomControlXML\\DeviceOption.xml";
  static constexpr const char* kTab = "tab_header_device";
  static constexpr const char* kPower = "device_power_switch";
  static const std::array<DeviceKindInfo, kKindRowCount> rows = {{
      {kEntry, kTab, kPower, "mouse", 1, 0x320F, 0x1001, kTypeMouse, 0},
      {kEntry, kTab, kPower, "keyboard", 0, 0x320F, 0x5080, kTypeKeyboard, 0},
      {kEntry, kTab, kPower, "MousePad", 2, 0x320F, 0x1004, kTypeMousePad, 0},
      {kEntry, kTab, kPower, "HD", 3, 0x0C76, 0x1630, kTypeHeadset, 0},
  }};
  return rows;
}

const std::array<DeviceLayoutInfo, kKindRowCount>& DeviceLayouts() {
  static const std::array<DeviceLayoutInfo, kKindRowCount> rows = {{
      {15, 11, 1, -1, "XML\\DeviceXml\\mousedevice.xml", "zelik_light"},
      {170, 170, 0, -1, "XML\\DeviceXml\\keyboarddevice.xml", "zelik_light"},
      {15, 0, 0, -1, "XML\\DeviceXml\\mousepaddevice.xml", "zelik_light"},
      {13, 0, 0, -1, "XML\\DeviceXml\\hs6533device.xml", "zelik_light"},
  }};
  return rows;
}

const std::array<ModelInfo, 4>& Models() {
  static const std::array<ModelInfo, 4> rows = {{
      {1, 1, 0, "ZELIK", "TM40M1", "MS", "MS", ""},
      {1, 1, 0, "ZELIK", "TM41K1", "KB", "KB", ""},
      {2, 1, 0, "ZELIK", "TM42X1_1", "TM43", "TM43", ""},
      {0, 1, 0, "ZELIK", "ALL", "TM43_B1_B2", "AP", "V0111"},
  }};
  return rows;
}

PathIds ParseDevicePath(std::string_view path) {
  PathIds ids;
  ids.vendorId = NumberAfter(path, "vid_");
  ids.productId = NumberAfter(path, "pid_");
  ids.interfaceNumber = NumberAfter(path, "&mi_");
  ids.collectionNumber = NumberAfter(path, "&col");
  return ids;
}

int FindKindRow(uint32_t vendorId, uint32_t productId, uint32_t typeCode, uint32_t role) {
  const auto& kinds = DeviceKinds();
  for (size_t i = 0; i < kinds.size(); ++i) {
    const auto& k = kinds[i];
    if (k.VendorId == vendorId && k.ProductId == productId && k.TypeCode == typeCode &&
        k.Role == role) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int FindInterfaceRowOfKind(int kindRow) {
  if (kindRow < 0 || kindRow >= static_cast<int>(kKindRowCount)) return -1;
  const auto& k = DeviceKinds()[kindRow];
  const auto& rows = SupportedInterfaces();
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    if (r.VendorId == k.VendorId && r.ProductId == k.ProductId && r.TypeCode == k.TypeCode &&
        r.Role == k.Role) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int KindRowForInterfaceRow(int interfaceRow) {
  const auto& rows = SupportedInterfaces();
  if (interfaceRow < 0 || interfaceRow >= static_cast<int>(rows.size())) return -1;
  const auto& r = rows[interfaceRow];
  if (r.Role != kRolePrimary) return -1;
  if (r.TypeCode == kTypeMouseSecond && r.HasPair) {
    const auto& pair = rows[r.PairIndex];
    return FindKindRow(pair.VendorId, pair.ProductId, kTypeMouse, kRolePrimary);
  }
  return FindKindRow(r.VendorId, r.ProductId, r.TypeCode, r.Role);
}

RuntimeInterfaceTable::RuntimeInterfaceTable() : rows_(SupportedInterfaces()) {}

bool RuntimeInterfaceTable::PassesPreFilter(const PathIds& ids) const {
  bool known = false;
  for (const auto& r : SupportedInterfaces()) known = known || SamePathValues(r, ids);
  if (!known) return false;
  for (const auto& r : rows_) {
    if (SamePathValues(r, ids) && IsFree(r)) return true;
  }
  return false;
}

std::optional<int> RuntimeInterfaceTable::FindInterfaceRow(InterfaceCandidate& candidate) {
  const auto& table = SupportedInterfaces();
  const SupportedInterface* match = nullptr;
  for (const auto& r : table) {
    if (SameSixValues(r, candidate)) {
      match = &r;
      break;
    }
  }
  if (!match) return std::nullopt;
  candidate.typeCode = match->TypeCode;
  candidate.role = match->Role;
  for (size_t i = 0; i < rows_.size(); ++i) {
    auto& r = rows_[i];
    if (SameSixValues(r, candidate) && IsFree(r)) {
      r.Present = 1;
      r.DevicePath = candidate.path;
      return static_cast<int>(i);
    }
  }
  return std::nullopt;
}

void RuntimeInterfaceTable::Release(int index) {
  if (index < 0 || index >= static_cast<int>(rows_.size())) return;
  rows_[index].Present = 0;
  rows_[index].DevicePath.clear();
}

int RuntimeInterfaceTable::FindPresentPath(std::string_view path) const {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].Present && rows_[i].DevicePath == path) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace qv
