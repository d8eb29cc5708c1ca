// HID report descriptor parser and input report decoder (see report_descriptor.h).
//
// The parser walks the items once: global items live in a state that Push/Pop save and restore,
// local items (usages) are collected until the next main item and then dropped. Every Input,
// Output and Feature item becomes one field of the current top-level collection, placed after the
// fields of the same kind and report id that came before it, wherever they were declared.
// Anything that does not add up (a cut item, unbalanced collections, a report that cannot fit a
// 16-bit length) makes the whole descriptor malformed: callers then leave the interface alone.
#include "transport/report_descriptor.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

namespace qv {

namespace {

// Report lengths are 16-bit and include the id byte.
constexpr uint64_t kMaxReportBits = (std::numeric_limits<uint16_t>::max() - 1) * 8ull;
constexpr size_t kMaxGlobalStack = 32;

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };

enum MainTag : uint8_t {
  kInputTag = 0x8,
  kOutputTag = 0x9,
  kCollectionTag = 0xA,
  kFeatureTag = 0xB,
  kEndCollectionTag = 0xC,
};

enum GlobalTag : uint8_t {
  kUsagePageTag = 0x0,
  kLogicalMinTag = 0x1,
  kLogicalMaxTag = 0x2,
  kPhysicalMinTag = 0x3,
  kPhysicalMaxTag = 0x4,
  kReportSizeTag = 0x7,
  kReportIdTag = 0x8,
  kReportCountTag = 0x9,
  kPushTag = 0xA,
  kPopTag = 0xB,
};

enum LocalTag : uint8_t { kUsageTag = 0x0, kUsageMinTag = 0x1, kUsageMaxTag = 0x2 };

// An item's data both ways: whether a minimum or maximum is signed depends on the other bound.
struct ItemValue {
  uint32_t u = 0;
  int64_t s = 0;
};

struct GlobalState {
  uint16_t usagePage = 0;
  ItemValue logicalMin, logicalMax, physicalMin, physicalMax;
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint8_t reportId = 0;
};

// A usage as written: 4-byte usages carry their own page in the high 16 bits.
struct LocalUsage {
  uint32_t value = 0;
  bool extended = false;
};

struct LocalState {
  std::vector<LocalUsage> usages;
  bool hasMin = false, hasMax = false;
  LocalUsage usageMin, usageMax;
};

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Devices commonly write e.g. Logical Maximum (255) as the single byte FF; read as signed that is
// -1, below a non-negative minimum, so the maximum is then taken unsigned.
void ResolveRange(const ItemValue& min, const ItemValue& max, int32_t* outMin, int32_t* outMax) {
  *outMin = ClampToInt32(min.s);
  int64_t m = max.s;
  if (min.s >= 0 && m < min.s) m = max.u;
  *outMax = ClampToInt32(m);
}

uint16_t PageOf(const LocalUsage& u, uint16_t globalPage) {
  return u.extended ? static_cast<uint16_t>(u.value >> 16) : globalPage;
}

uint32_t UsageOf(const LocalUsage& u) {
  return u.value & 0xFFFF;
}

HidReportKind KindOfTag(uint8_t tag) {
  if (tag == kInputTag) return HidReportKind::kInput;
  if (tag == kOutputTag) return HidReportKind::kOutput;
  return HidReportKind::kFeature;
}

uint16_t LengthOfBits(uint64_t bits) {
  return static_cast<uint16_t>((bits + 7) / 8 + 1);
}

class Parser {
 public:
  Parser(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  HidDescriptorInfo Run() {
    HidDescriptorInfo info;
    size_t pos = 0;
    while (pos < size_) {
      uint8_t prefix = data_[pos];
      if (prefix == 0xFE) {  // long item: size, tag, data; no long tags are defined, skip it
        if (size_ - pos < 3 || size_ - pos - 3 < data_[pos + 1]) return info;
        pos += 3 + data_[pos + 1];
        continue;
      }
      size_t dataSize = prefix & 0x03;
      if (dataSize == 3) dataSize = 4;
      if (size_ - pos - 1 < dataSize) return info;
      ItemValue value;
      for (size_t i = 0; i < dataSize; ++i) value.u |= uint32_t{data_[pos + 1 + i]} << (8 * i);
      value.s = value.u;
      if (dataSize > 0 && dataSize < 4 && (value.u >> (8 * dataSize - 1)) & 1) {
        value.s = static_cast<int64_t>(value.u) - (int64_t{1} << (8 * dataSize));
      } else if (dataSize == 4) {
        value.s = static_cast<int32_t>(value.u);
      }
      uint8_t type = (prefix >> 2) & 0x03;
      uint8_t tag = prefix >> 4;
      bool good = true;
      if (type == kMain) {
        good = Main(tag, value);
      } else if (type == kGlobal) {
        good = Global(tag, value);
      } else if (type == kLocal) {
        Local(tag, value, dataSize == 4);
      }
      if (!good) return info;
      pos += 1 + dataSize;
    }
    if (depth_ != 0 || collections_.empty()) return info;
    // A device that numbers its reports numbers all of them; an unnumbered one would be
    // indistinguishable from the host side.
    for (const HidCollectionInfo& c : collections_) {
      for (const HidReportField& f : c.fields) {
        if (usesReportIds_ && f.reportId == 0) return info;
      }
    }
    for (HidCollectionInfo& c : collections_) Finish(&c);
    info.ok = true;
    info.usesReportIds = usesReportIds_;
    info.collections = std::move(collections_);
    return info;
  }

 private:
  bool Main(uint8_t tag, const ItemValue& value) {
    bool good = true;
    switch (tag) {
      case kInputTag:
      case kOutputTag:
      case kFeatureTag:
        good = AddField(KindOfTag(tag), value.u);
        break;
      case kCollectionTag:
        if (depth_ == 0) {
          HidCollectionInfo c;
          if (!local_.usages.empty()) {
            c.usagePage = PageOf(local_.usages.front(), global_.usagePage);
            c.usage = static_cast<uint16_t>(UsageOf(local_.usages.front()));
          } else if (local_.hasMin) {
            c.usagePage = PageOf(local_.usageMin, global_.usagePage);
            c.usage = static_cast<uint16_t>(UsageOf(local_.usageMin));
          } else {
            c.usagePage = global_.usagePage;
          }
          collections_.push_back(std::move(c));
        }
        ++depth_;
        break;
      case kEndCollectionTag:
        if (depth_ == 0) return false;
        --depth_;
        break;
      default:
        break;  // reserved main tags carry nothing we use
    }
    local_ = LocalState{};
    return good;
  }

  bool AddField(HidReportKind kind, uint32_t flags) {
    if (depth_ == 0) return false;  // data outside any collection belongs to nobody
    uint64_t bits = uint64_t{global_.reportSize} * global_.reportCount;
    if (bits > kMaxReportBits) return false;
    if (local_.hasMin && local_.hasMax && UsageOf(local_.usageMin) > UsageOf(local_.usageMax)) {
      return false;
    }
    if (bits == 0) return true;
    uint32_t& used = bitsUsed_[static_cast<size_t>(kind)][global_.reportId];
    if (used + bits > kMaxReportBits) return false;

    HidReportField f;
    f.kind = kind;
    f.reportId = global_.reportId;
    f.bitOffset = used;
    f.reportSize = global_.reportSize;
    f.reportCount = global_.reportCount;
    f.flags = flags;
    f.usagePage = global_.usagePage;
    if (!local_.usages.empty()) {
      f.usagePage = PageOf(local_.usages.front(), global_.usagePage);
    } else if (local_.hasMin) {
      f.usagePage = PageOf(local_.usageMin, global_.usagePage);
    }
    f.hasUsageRange = local_.hasMin && local_.hasMax;
    if (f.hasUsageRange) {
      f.usageMin = UsageOf(local_.usageMin);
      f.usageMax = UsageOf(local_.usageMax);
    }
    f.usages.reserve(local_.usages.size());
    for (const LocalUsage& u : local_.usages) f.usages.push_back(UsageOf(u));
    ResolveRange(global_.logicalMin, global_.logicalMax, &f.logicalMin, &f.logicalMax);
    ResolveRange(global_.physicalMin, global_.physicalMax, &f.physicalMin, &f.physicalMax);
    used += static_cast<uint32_t>(bits);
    collections_.back().fields.push_back(std::move(f));
    return true;
  }

  bool Global(uint8_t tag, const ItemValue& value) {
    switch (tag) {
      case kUsagePageTag:
        global_.usagePage = static_cast<uint16_t>(value.u);
        break;
      case kLogicalMinTag:
        global_.logicalMin = value;
        break;
      case kLogicalMaxTag:
        global_.logicalMax = value;
        break;
      case kPhysicalMinTag:
        global_.physicalMin = value;
        break;
      case kPhysicalMaxTag:
        global_.physicalMax = value;
        break;
      case kReportSizeTag:
        global_.reportSize = value.u;
        break;
      case kReportCountTag:
        global_.reportCount = value.u;
        break;
      case kReportIdTag:
        if (value.u == 0 || value.u > 0xFF) return false;
        global_.reportId = static_cast<uint8_t>(value.u);
        usesReportIds_ = true;
        break;
      case kPushTag:
        if (stack_.size() >= kMaxGlobalStack) return false;
        stack_.push_back(global_);
        break;
      case kPopTag:
        if (stack_.empty()) return false;
        global_ = stack_.back();
        stack_.pop_back();
        break;
      default:
        break;  // units and reserved tags
    }
    return true;
  }

  void Local(uint8_t tag, const ItemValue& value, bool extended) {
    LocalUsage u{value.u, extended};
    if (tag == kUsageTag) {
      local_.usages.push_back(u);
    } else if (tag == kUsageMinTag) {
      local_.usageMin = u;
      local_.hasMin = true;
    } else if (tag == kUsageMaxTag) {
      local_.usageMax = u;
      local_.hasMax = true;
    }
  }

  // Ids and lengths once every field is placed: a report id's length counts all its fields.
  void Finish(HidCollectionInfo* c) const {
    for (const HidReportField& f : c->fields) {
      c->reportIds.push_back(f.reportId);
      uint16_t length = LengthOfBits(bitsUsed_[static_cast<size_t>(f.kind)][f.reportId]);
      uint16_t* slot = f.kind == HidReportKind::kInput    ? &c->inputReportLength
                       : f.kind == HidReportKind::kOutput ? &c->outputReportLength
                                                          : &c->featureReportLength;
      *slot = std::max(*slot, length);
    }
    std::sort(c->reportIds.begin(), c->reportIds.end());
    c->reportIds.erase(std::unique(c->reportIds.begin(), c->reportIds.end()), c->reportIds.end());
    if (!usesReportIds_) c->reportIds.clear();
  }

  const uint8_t* data_;
  size_t size_;
  GlobalState global_;
  std::vector<GlobalState> stack_;
  LocalState local_;
  int depth_ = 0;
  bool usesReportIds_ = false;
  std::vector<HidCollectionInfo> collections_;
  std::array<std::array<uint32_t, 256>, 3> bitsUsed_{};
};

// Reads `size` (1..32) bits starting at bit `offset`, least significant bit first.
uint32_t ExtractBits(const uint8_t* data, uint64_t offset, uint32_t size) {
  uint32_t v = 0;
  for (uint32_t i = 0; i < size; ++i) {
    uint64_t bit = offset + i;
    if ((data[bit / 8] >> (bit % 8)) & 1) v |= uint32_t{1} << i;
  }
  return v;
}

int64_t ReadField(const HidReportField& f, const uint8_t* data, uint32_t index) {
  uint32_t raw = ExtractBits(data, f.bitOffset + uint64_t{index} * f.reportSize, f.reportSize);
  if (f.logicalMin < 0 && f.reportSize < 32 && (raw >> (f.reportSize - 1)) & 1) {
    return static_cast<int64_t>(raw) - (int64_t{1} << f.reportSize);
  }
  if (f.logicalMin < 0) return static_cast<int32_t>(raw);
  return raw;
}

// The usage of the index-th element of a variable field; 0 when the field has none. A field
// with more elements than usages gives the last usage to the remaining elements, as the HID
// rules for local items say (a vendor field of many bytes under one usage, for one).
uint32_t UsageAt(const HidReportField& f, uint32_t index) {
  if (f.hasUsageRange) {
    const uint64_t u = uint64_t{f.usageMin} + index;
    return u <= f.usageMax ? static_cast<uint32_t>(u) : f.usageMax;
  }
  if (f.usages.empty()) return 0;
  return index < f.usages.size() ? f.usages[index] : f.usages.back();
}

// The usage that an array element's value selects; 0 for none (out of range, or no control).
// The usage list reaches at least as far as the element count, the last usage filling it.
uint32_t UsageOfIndex(const HidReportField& f, int64_t v) {
  if (v < f.logicalMin || v > f.logicalMax) return 0;
  const uint64_t index = static_cast<uint64_t>(v - f.logicalMin);
  const uint64_t listed = f.hasUsageRange ? uint64_t{f.usageMax} - f.usageMin + 1 : f.usages.size();
  if (listed == 0 || index >= std::max<uint64_t>(listed, f.reportCount)) return 0;
  return UsageAt(f, static_cast<uint32_t>(std::min<uint64_t>(index, listed - 1)));
}

void DecodeButtons(const HidReportField& f, const uint8_t* data, HidInputItem* item) {
  item->isButton = true;
  item->usagePage = f.usagePage;
  for (uint32_t i = 0; i < f.reportCount; ++i) {
    uint32_t usage = 0;
    if (f.IsVariable()) {
      if (ExtractBits(data, f.bitOffset + i, 1)) usage = UsageAt(f, i);
    } else {
      usage = UsageOfIndex(f, ReadField(f, data, i));
    }
    if (usage != 0) item->usages.push_back(static_cast<uint16_t>(usage));
  }
  if (item->usages.size() < f.reportCount) item->usages.push_back(0);
}

void DecodeValues(const HidReportField& f, const uint8_t* data, std::vector<HidInputItem>* items) {
  bool scalable = f.physicalMin != f.physicalMax && f.logicalMin < f.logicalMax;
  for (uint32_t i = 0; i < f.reportCount; ++i) {
    uint32_t usage = UsageAt(f, i);
    if (usage == 0) break;
    HidInputItem item;
    item.usagePage = f.usagePage;
    item.usage = static_cast<uint16_t>(usage);
    int64_t raw = ReadField(f, data, i);
    item.rawValue = static_cast<int32_t>(raw);
    if (scalable && raw >= f.logicalMin && raw <= f.logicalMax) {
      int64_t span = int64_t{f.physicalMax} - f.physicalMin;
      int64_t steps = raw - f.logicalMin;
      int64_t logicalSpan = int64_t{f.logicalMax} - f.logicalMin;
      int64_t scaled;
      if (steps == 0 || std::abs(span) <= std::numeric_limits<int64_t>::max() / steps) {
        scaled = f.physicalMin + steps * span / logicalSpan;
      } else {  // 32-bit ranges at both ends: the product needs more than 64 bits
        scaled = f.physicalMin +
                 static_cast<int64_t>(static_cast<long double>(steps) * span / logicalSpan);
      }
      item.hasScaled = true;
      item.scaledValue = ClampToInt32(scaled);
    }
    items->push_back(std::move(item));
  }
}

}  // namespace

bool HidReportField::IsButton() const {
  return !IsVariable() || reportSize == 1;
}

bool HidCollectionInfo::OwnsReportId(uint8_t id) const {
  if (reportIds.empty()) return id == 0;
  return std::binary_search(reportIds.begin(), reportIds.end(), id);
}

HidDescriptorInfo ParseReportDescriptor(const uint8_t* data, size_t size) {
  if (data == nullptr || size == 0) return {};
  return Parser(data, size).Run();
}

bool DecodeInputReport(const HidCollectionInfo& collection, const uint8_t* report, size_t size,
                       std::vector<HidInputItem>* items) {
  items->clear();
  if (report == nullptr) return false;
  uint8_t id = 0;
  if (!collection.reportIds.empty()) {
    if (size < 1 || !collection.OwnsReportId(report[0])) return false;
    id = report[0];
    ++report;
    --size;
  }
  uint64_t needed = 0;
  for (const HidReportField& f : collection.fields) {
    if (f.kind != HidReportKind::kInput || f.reportId != id) continue;
    needed = std::max(needed, f.bitOffset + uint64_t{f.reportSize} * f.reportCount);
  }
  if (needed > uint64_t{size} * 8) return false;

  for (const HidReportField& f : collection.fields) {
    // Constant fields are padding; wider elements than 32 bits are opaque byte runs.
    if (f.kind != HidReportKind::kInput || f.reportId != id || f.IsConstant()) continue;
    if (f.reportSize > 32) continue;
    if (f.IsButton()) {
      HidInputItem item;
      DecodeButtons(f, report, &item);
      items->push_back(std::move(item));
    } else {
      DecodeValues(f, report, items);
    }
  }
  return true;
}

}  // namespace qv
