#include "macros/macro_image.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "profiles/json_access.h"

namespace qv {

namespace {

constexpr uint16_t kImageMagic = 0x55AA;
constexpr size_t kRecordHeaderSize = 4;
constexpr size_t kOffsetSize = 2;

void PutU16(std::vector<uint8_t>& image, size_t at, size_t value) {
  image[at] = static_cast<uint8_t>(value & 0xFF);
  image[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

uint16_t ClampDelay(int64_t value) {
  if (value < 0) return 0;
  return value > kMaxMacroDelay ? kMaxMacroDelay : static_cast<uint16_t>(value);
}

// "Delay" of `event`: absent reads as 0, text and integral numbers of any size are clamped.
// False for another JSON type (or a fraction), leaving *out untouched.
bool ReadDelay(const Json::Value& event, uint16_t* out) {
  const Json::Value* delay = JsonMember(event, "Delay");
  if (delay == nullptr) {
    *out = 0;
    return true;
  }
  switch (delay->type()) {
    case Json::stringValue:
      *out = ParseDelayText(delay->asString());
      return true;
    case Json::intValue:
      *out = ClampDelay(delay->asInt64());
      return true;
    case Json::uintValue:
      // Read as unsigned: a value above INT64_MAX is large, not negative.
      *out = delay->asUInt64() > kMaxMacroDelay ? kMaxMacroDelay
                                                : static_cast<uint16_t>(delay->asUInt64());
      return true;
    case Json::realValue: {
      const double d = delay->asDouble();
      if (!std::isfinite(d) || std::trunc(d) != d) return false;
      *out = d <= 0 ? 0 : (d >= kMaxMacroDelay ? kMaxMacroDelay : static_cast<uint16_t>(d));
      return true;
    }
    default:
      return false;
  }
}

bool IsSingleBit(int64_t value, int64_t highest) {
  return value > 0 && value <= highest && (value & (value - 1)) == 0;
}

// Whether `button` is a code events of `type` can carry; false for an unknown type.
bool ButtonFits(int64_t type, int64_t button) {
  switch (type) {
    case kMacroMouseButton:
      return IsSingleBit(button, 16);  // left, right, middle, back, forward
    case kMacroModifier:
      return IsSingleBit(button, 0x80);
    case 2:
    case 3:  // older mouse actions, shown without a name
    case kMacroMoveX:
    case kMacroMoveY:
    case kMacroKey:
      return button >= 0 && button <= 0xFF;
    default:
      return false;
  }
}

// One event object checked; false when it is refused.
bool ReadCheckedEvent(const Json::Value& e, MacroEvent* event) {
  int64_t type = 0;
  int64_t button = 0;
  std::string action;
  if (!e.isObject() || !JsonInt64(e, "Type", &type) || !JsonInt64(e, "Button", &button) ||
      !JsonString(e, "Action", &action) || (action != "down" && action != "up") ||
      !ButtonFits(type, button) || !ReadDelay(e, &event->delay)) {
    return false;
  }
  event->type = static_cast<uint8_t>(type);
  event->button = static_cast<uint8_t>(button);
  event->down = action == "down";
  return true;
}

}  // namespace

std::vector<std::string> MacroGuids(const Json::Value& config) {
  std::vector<std::string> guids;
  const Json::Value* list = JsonMember(config, "MacroInfo");
  if (list == nullptr || !list->isArray()) return guids;
  for (Json::ArrayIndex i = 0; i < list->size(); ++i) {
    std::string guid;
    JsonString((*list)[i], "Guid", &guid);
    guids.push_back(std::move(guid));
  }
  return guids;
}

uint16_t ParseDelayText(std::string_view text) {
  size_t i = text.find_first_not_of(" \t\r\n\v\f");
  if (i == std::string_view::npos) return 0;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    // Saturates: any longer run of digits is above the limit anyway.
    value = std::min<uint32_t>(value * 10 + static_cast<uint32_t>(text[i] - '0'),
                               uint32_t{kMaxMacroDelay} + 1);
  }
  if (negative) return 0;
  return value > kMaxMacroDelay ? kMaxMacroDelay : static_cast<uint16_t>(value);
}

std::string DelayText(uint16_t delay) {
  return std::to_string(delay);
}

bool IsMacroDocument(const Json::Value& macroFile) {
  if (!macroFile.isObject()) return false;
  const Json::Value* list = JsonMember(macroFile, "Events");
  return list == nullptr || list->isArray();
}

MacroEventsRead ReadMacroEvents(const Json::Value& macroFile) {
  MacroEventsRead read;
  const Json::Value* list = JsonMember(macroFile, "Events");
  if (list == nullptr || !list->isArray()) return read;
  for (Json::ArrayIndex i = 0; i < list->size(); ++i) {
    if (read.events.size() == kMaxMacroEvents) {
      read.cut = list->size() - i;
      break;
    }
    MacroEvent event;
    if (ReadCheckedEvent((*list)[i], &event)) {
      read.events.push_back(event);
    } else {
      ++read.dropped;
    }
  }
  return read;
}

std::vector<MacroEvent> ParseMacroEvents(const Json::Value& macroFile) {
  std::vector<MacroEvent> events;
  const Json::Value* list = JsonMember(macroFile, "Events");
  if (list == nullptr || !list->isArray()) return events;
  for (Json::ArrayIndex i = 0; i < list->size(); ++i) {
    const Json::Value& e = (*list)[i];
    MacroEvent event;
    if (!ReadDelay(e, &event.delay)) event.delay = 0;
    event.type = JsonByteOr0(e, "Type");
    event.button = JsonByteOr0(e, "Button");
    std::string action;
    event.down = JsonString(e, "Action", &action) && action == "down";
    events.push_back(event);
  }
  return events;
}

Json::Value MacroEventJson(const MacroEvent& event) {
  Json::Value e(Json::objectValue);
  e["Type"] = event.type;
  e["Button"] = event.button;
  e["Action"] = event.down ? "down" : "up";
  e["Delay"] = DelayText(event.delay);
  return e;
}

Json::Value MacroFileDocument(const std::string& name, const std::string& guid,
                              const std::vector<MacroEvent>& events) {
  Json::Value document(Json::objectValue);
  document["MacroName"] = name;
  document["Guid"] = guid;
  Json::Value& list = document["Events"] = Json::Value(Json::arrayValue);
  for (const MacroEvent& event : events) list.append(MacroEventJson(event));
  document["Version"] = kMacroFileVersion;
  return document;
}

void EncodeMacroEvent(const MacroEvent& event, uint8_t out[kMacroEventSize]) {
  out[0] = static_cast<uint8_t>(event.delay & 0xFF);
  out[1] = static_cast<uint8_t>(event.delay >> 8);
  out[2] = MacroTypeByte(event);
  out[3] = event.button;
}

size_t MacroImageSize(const std::vector<size_t>& eventCounts) {
  size_t total = kMacroImageHeaderSize;
  for (size_t count : eventCounts) {
    total += kOffsetSize + kRecordHeaderSize + kMacroEventSize * count;
  }
  return total;
}

int MacroOverflow(size_t total, size_t capacity) {
  if (total < capacity) return 0;
  const size_t tooMany = (total - capacity) / kMacroEventSize + 1;
  return tooMany > static_cast<size_t>(std::numeric_limits<int>::max())
             ? std::numeric_limits<int>::max()
             : static_cast<int>(tooMany);
}

std::vector<uint8_t> BuildMacroImage(const std::vector<std::vector<MacroEvent>>& macros) {
  std::vector<size_t> counts;
  for (const auto& m : macros) {
    if (m.size() > std::numeric_limits<uint16_t>::max()) return {};
    counts.push_back(m.size());
  }
  const size_t total = MacroImageSize(counts);
  if (total > std::numeric_limits<uint16_t>::max() ||
      macros.size() > std::numeric_limits<uint16_t>::max()) {
    return {};
  }
  std::vector<uint8_t> image(total, 0);
  PutU16(image, 0, kImageMagic);
  PutU16(image, 2, total);
  PutU16(image, 4, macros.size());
  size_t record = kMacroImageHeaderSize + kOffsetSize * macros.size();
  for (size_t m = 0; m < macros.size(); ++m) {
    PutU16(image, kMacroImageHeaderSize + kOffsetSize * m, record);
    PutU16(image, record, macros[m].size());
    size_t at = record + kRecordHeaderSize;
    for (const MacroEvent& event : macros[m]) {
      EncodeMacroEvent(event, image.data() + at);
      at += kMacroEventSize;
    }
    record = at;
  }
  return image;
}

}  // namespace qv
