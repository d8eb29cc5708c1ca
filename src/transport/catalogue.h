// The supported-device catalogue: four constant tables (interfaces, device kinds, page layouts,
// update models), the device-path parser and the rule that matches an enumerated interface to a
// row. The tables never change; device discovery keeps a run-time copy of the interface table
// (`RuntimeInterfaceTable`) whose rows are claimed and released as interfaces come and go.
//
// Threading: the constant tables may be read from any thread. A `RuntimeInterfaceTable` is not
// locked; its owner (the discovery scan) serialises access.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

using DeviceTypeCode = uint16_t;
inline constexpr DeviceTypeCode kTypeKeyboard = 1;
inline constexpr DeviceTypeCode kTypeMouse = 2;
inline constexpr DeviceTypeCode kTypeMousePad = 3;
inline constexpr DeviceTypeCode kTypeMouseSecond = 6;
inline constexpr DeviceTypeCode kTypeHeadset = 7;
inline constexpr DeviceTypeCode kTypeKeyboardSecond = 9;

inline constexpr uint16_t kRolePrimary = 0;
inline constexpr uint16_t kRoleSecondary = 255;

struct SupportedInterface {
  uint16_t VendorId;
  uint16_t ProductId;
  uint16_t InterfaceNumber;
  uint16_t CollectionNumber;
  DeviceTypeCode TypeCode;
  uint16_t Role;
  uint16_t Present;
  uint16_t UsagePage;
  uint16_t Usage;
  uint16_t HasPair;
  uint16_t PairIndex;
  std::string DevicePath;
};

struct DeviceKindInfo {
  const char* EntryLayout;
  const char* TabHeaderName;
  const char* PowerSwitchName;
  const char* KindName;
  uint32_t DefaultDataIndex;
  uint32_t VendorId;
  uint32_t ProductId;
  uint32_t TypeCode;
  uint32_t Role;
};

struct DeviceLayoutInfo {
  uint32_t LightCount;
  uint32_t KeyCount;
  uint32_t PowerFlag;
  int32_t ListColorLight;
  const char* PageLayout;
  const char* LightLayerName;
};

struct ModelInfo {
  uint32_t ItemType;
  uint32_t ItemFlag;
  uint32_t CurrentVersion;
  const char* Vendor;
  const char* Model;
  const char* Type;
  const char* SubType;
  const char* Version;
};

inline constexpr size_t kInterfaceRowCount = 11;
inline constexpr size_t kKindRowCount = 4;

// Kind rows, in table order.
inline constexpr int kKindMouse = 0;
inline constexpr int kKindKeyboard = 1;
inline constexpr int kKindMousePad = 2;
inline constexpr int kKindHeadset = 3;

const std::array<SupportedInterface, kInterfaceRowCount>& SupportedInterfaces();
const std::array<DeviceKindInfo, kKindRowCount>& DeviceKinds();
const std::array<DeviceLayoutInfo, kKindRowCount>& DeviceLayouts();
const std::array<ModelInfo, 4>& Models();

// The numbers after "vid_", "pid_", "&mi_" and "&col" in a device path (found case-insensitively,
// as many hexadecimal digits as follow, low 16 bits kept); 0 for a token that is absent.
struct PathIds {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t interfaceNumber = 0;
  uint16_t collectionNumber = 0;
};
PathIds ParseDevicePath(std::string_view path);

// An enumerated interface on its way through the match. Discovery fills `ids` from the path,
// then, once the interface is open, replaces vendor and product id with the attributes and sets
// the usage page and usage. A successful match fills `typeCode` and `role`.
struct InterfaceCandidate {
  std::string path;
  PathIds ids;
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  DeviceTypeCode typeCode = 0;
  uint16_t role = 0;
};

// First kind row whose vendor id, product id, type code and role all equal the arguments; -1 none.
int FindKindRow(uint32_t vendorId, uint32_t productId, uint32_t typeCode, uint32_t role);
// The interface row of a kind: the first row with the kind row's four values; -1 none.
int FindInterfaceRowOfKind(int kindRow);
// The kind whose device object an interface row creates: -1 for a secondary row and for a row of
// code 9 (no kind row); a row of code 6 is presented as the mouse of its paired row.
int KindRowForInterfaceRow(int interfaceRow);

class RuntimeInterfaceTable {
 public:
  RuntimeInterfaceTable();

  // Before opening: some row has the parsed four values, and a run-time row with them is free
  // (not present, empty path).
  bool PassesPreFilter(const PathIds& ids) const;
  // The final match: the first row with all six values; the first free run-time row with the
  // same six values is claimed (present, path stored). Returns its index, or nullopt when no row
  // matches or every matching row is taken. Fills the candidate's type code and role.
  std::optional<int> FindInterfaceRow(InterfaceCandidate& candidate);
  // Clears a row's present flag and path (the interface is gone).
  void Release(int index);

  const SupportedInterface& Row(int index) const { return rows_.at(index); }
  size_t RowCount() const { return rows_.size(); }
  // Index of the present row holding this path, or -1.
  int FindPresentPath(std::string_view path) const;

 private:
  std::array<SupportedInterface, kInterfaceRowCount> rows_;
};

}  // namespace qv
