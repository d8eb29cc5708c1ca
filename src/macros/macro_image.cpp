#include "macros/macro_image.h"

#include <charconv>
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

uint16_t DelayOf(const Json::Value& event) {
  int64_t number = 0;
  if (JsonInt64(event, "Delay", &number)) return ClampDelay(number);
  std::string text;
  if (!JsonString(event, "Delay", &text)) return 0;
  // Leading digits only; a run too long for 64 bits is simply too large.
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (end == text.data()) return 0;
  if (error == std::errc::result_out_of_range || value > kMaxMacroDelay) return kMaxMacroDelay;
  return static_cast<uint16_t>(value);
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

std::vector<MacroEvent> ParseMacroEvents(const Json::Value& macroFile) {
  std::vector<MacroEvent> events;
  const Json::Value* list = JsonMember(macroFile, "Events");
  if (list == nullptr || !list->isArray()) return events;
  for (Json::ArrayIndex i = 0; i < list->size(); ++i) {
    const Json::Value& e = (*list)[i];
    MacroEvent event;
    event.delay = DelayOf(e);
    event.type = JsonByteOr0(e, "Type");
    event.button = JsonByteOr0(e, "Button");
    std::string action;
    event.down = JsonString(e, "Action", &action) && action == "down";
    events.push_back(event);
  }
  return events;
}

void EncodeMacroEvent(const MacroEvent& event, uint8_t out[kMacroEventSize]) {
  out[0] = static_cast<uint8_t>(event.delay & 0xFF);
  out[1] = static_cast<uint8_t>(event.delay >> 8);
  out[2] = static_cast<uint8_t>(event.type | (event.down ? 0x80 : 0x00));
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
