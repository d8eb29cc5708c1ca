// HID report descriptor parsing and input report decoding.
//
// A descriptor is split into its top-level (application) collections; each collection gets the
// report ids it uses, its report lengths (as the host sees them: one leading report id byte,
// 0 when the device numbers no reports) and its main items. The decoder turns an input report
// of one collection into button items (usage lists, for arrays and variable bit fields) and value
// items, which is what the notification readers need to get a consumer-control code out.
//
// Pure functions over bytes: no I/O, no state, callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv {

enum class HidReportKind : uint8_t { kInput, kOutput, kFeature };

// One main item (Input, Output or Feature) of a collection.
struct HidReportField {
  HidReportKind kind = HidReportKind::kInput;
  uint8_t reportId = 0;    // 0 when the descriptor uses no report ids
  uint32_t bitOffset = 0;  // from the first data bit, after the report id byte
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint16_t usagePage = 0;
  uint32_t flags = 0;  // main item data: bit 0 constant, bit 1 variable, bit 2 relative, ...
  bool hasUsageRange = false;
  uint32_t usageMin = 0, usageMax = 0;  // with hasUsageRange
  std::vector<uint32_t> usages;         // listed usages (may be empty with a range)
  int32_t logicalMin = 0, logicalMax = 0;
  int32_t physicalMin = 0, physicalMax = 0;

  bool IsConstant() const { return flags & 0x01; }
  bool IsVariable() const { return flags & 0x02; }
  // Buttons: arrays, and variable fields of one bit (logical range 0..1).
  bool IsButton() const;
};

struct HidCollectionInfo {
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  std::vector<uint8_t> reportIds;  // sorted, unique; empty when the descriptor has no report ids
  // Lengths in bytes of the largest report of each kind, plus one for the report id byte;
  // 0 when the collection has no report of that kind.
  uint16_t inputReportLength = 0;
  uint16_t outputReportLength = 0;
  uint16_t featureReportLength = 0;
  std::vector<HidReportField> fields;

  bool OwnsReportId(uint8_t id) const;
};

struct HidDescriptorInfo {
  bool ok = false;  // false: malformed (truncated item, unbalanced collections, ...)
  bool usesReportIds = false;
  std::vector<HidCollectionInfo> collections;  // top-level collections, in descriptor order
};

HidDescriptorInfo ParseReportDescriptor(const uint8_t* data, size_t size);

// One decoded data item of an input report.
struct HidInputItem {
  bool isButton = false;
  uint16_t usagePage = 0;
  // Buttons: the usages that are on, in report order, ended by a 0 when shorter than the room
  // (the room is the field's report count). Usages outside the field's usage range are dropped.
  std::vector<uint16_t> usages;
  // Values: the usage, the raw value (sign-extended when the logical minimum is negative) and
  // the scaled value, available when the physical range is set.
  uint16_t usage = 0;
  int32_t rawValue = 0;
  bool hasScaled = false;
  int32_t scaledValue = 0;
};

// Decodes an input report (starting with its report id byte when the collection uses report
// ids, else with the data) into the items of that report id, one per button field and one per
// value usage. False when the report id does not belong to the collection or the report is
// shorter than the report it claims to be.
bool DecodeInputReport(const HidCollectionInfo& collection, const uint8_t* report, size_t size,
                       std::vector<HidInputItem>* items);

}  // namespace qv
