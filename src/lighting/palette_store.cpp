#include "lighting/palette_store.h"

#include <cstdio>
#include <utility>

#include "platform/trace.h"
#include "profiles/json_access.h"

namespace qv {

namespace {

constexpr const char* kInfoKey = "coloroptioninfo";
constexpr const char* kPresetsKey = "palletDialogcoloroption";
constexpr const char* kPresetIndexKey = "palletDialogcoloroption_selectitem";
constexpr const char* kFavouritesKey = "palletDialogcollectcoloroption";
constexpr const char* kFavouriteIndexKey = "palletDialogcollectcoloroption_selectitem";
constexpr const char* kColourKey = "color";
constexpr const char* kUserDataKey = "UserData";

bool ValidSlot(int index) {
  return index >= 0 && index < kPaletteSlotCount;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The colour of array element `index`, when it is an object with a "color" that parses.
bool EntryColour(const Json::Value* entries, int index, uint32_t* colour,
                 const Json::Value** entry) {
  *entry = nullptr;
  if (entries == nullptr) return false;
  const Json::Value* element = JsonElement(*entries, static_cast<Json::ArrayIndex>(index));
  if (element == nullptr || !element->isObject()) return false;
  *entry = element;
  std::string text;
  return JsonString(*element, kColourKey, &text) && ParseColourText(text, colour);
}

// A document the palette can be read from at all; anything else is a damaged file.
bool UsableDocument(const Json::Value& document) {
  const Json::Value* info = JsonMember(document, kInfoKey);
  return info != nullptr && info->isObject();
}

// Unfilled slots show white whatever colour they hold, so they are kept white in the state.
FavouriteSlots Normalised(FavouriteSlots slots) {
  for (FavouriteSlot& slot : slots) {
    if (!slot.filled) slot.colour = kPaletteBlankColour;
  }
  return slots;
}

}  // namespace

std::string ColourText(uint32_t colour) {
  char buffer[9];
  std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(colour));
  return buffer;
}

bool ParseColourText(std::string_view text, uint32_t* out) {
  if (text.size() != 8) return false;
  uint32_t value = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  *out = value;
  return true;
}

PaletteState PaletteStateFromJson(const Json::Value& document) {
  PaletteState state;
  const Json::Value* info = JsonMember(document, kInfoKey);
  if (info == nullptr || !info->isObject()) return state;

  const Json::Value* presets = JsonMember(*info, kPresetsKey);
  const Json::Value* favourites = JsonMember(*info, kFavouritesKey);
  for (int i = 0; i < kPaletteSlotCount; ++i) {
    const Json::Value* entry = nullptr;
    uint32_t colour = kPaletteBlankColour;
    if (EntryColour(presets, i, &colour, &entry)) state.presets[static_cast<size_t>(i)] = colour;

    std::string mark;
    if (EntryColour(favourites, i, &colour, &entry) && JsonString(*entry, kUserDataKey, &mark) &&
        EqualsIgnoringCase(mark, kFavouriteFilledMark)) {
      state.favourites[static_cast<size_t>(i)] = {colour, true};
    }
  }

  int index = 0;
  if (JsonInt(*info, kPresetIndexKey, &index) && ValidSlot(index)) state.presetIndex = index;
  if (JsonInt(*info, kFavouriteIndexKey, &index) &&
      (ValidSlot(index) || index == kNoFavouriteSlot)) {
    state.favouriteIndex = index;
  }
  return state;
}

Json::Value PaletteJson(const PaletteState& state) {
  Json::Value presets(Json::arrayValue);
  for (uint32_t colour : state.presets) {
    Json::Value entry(Json::objectValue);
    entry[kColourKey] = ColourText(colour);
    presets.append(std::move(entry));
  }
  Json::Value favourites(Json::arrayValue);
  for (const FavouriteSlot& slot : state.favourites) {
    Json::Value entry(Json::objectValue);
    entry[kColourKey] = ColourText(slot.filled ? slot.colour : kPaletteBlankColour);
    entry[kUserDataKey] = slot.filled ? kFavouriteFilledMark : "";
    favourites.append(std::move(entry));
  }
  Json::Value info(Json::objectValue);
  info[kPresetsKey] = std::move(presets);
  info[kPresetIndexKey] = state.presetIndex;
  info[kFavouritesKey] = std::move(favourites);
  info[kFavouriteIndexKey] = state.favouriteIndex;
  Json::Value document(Json::objectValue);
  document[kInfoKey] = std::move(info);
  return document;
}

bool FillCurrentFavourite(FavouriteSlots& slots, int current, bool currentSelected,
                          uint32_t colour) {
  if (!currentSelected || !ValidSlot(current)) return false;
  slots[static_cast<size_t>(current)] = {colour, true};
  return true;
}

std::optional<uint32_t> FavouriteSlotColour(const FavouriteSlots& slots, int slot) {
  if (!ValidSlot(slot)) return std::nullopt;
  const FavouriteSlot& chosen = slots[static_cast<size_t>(slot)];
  if (!chosen.filled) return std::nullopt;
  return chosen.colour;
}

PaletteStore::PaletteStore(const JsonFileStore& store) : store_(store) {}

std::string PaletteStore::FilePath() const {
  return userFolder_ + kPaletteFileName;
}

PaletteResult PaletteStore::Load(const std::string& userFolder, const std::string& defaultFolder) {
  userFolder_ = userFolder;
  state_ = PaletteState();
  if (userFolder_.empty()) return PaletteResult::kRefused;

  const std::string userPath = FilePath();
  Json::Value document;
  const JsonReadStatus status = store_.ReadJsonFile(userPath, &document);
  if (status == JsonReadStatus::kOk && UsableDocument(document)) {
    state_ = PaletteStateFromJson(document);
    return PaletteResult::kDone;
  }
  // A missing or empty file holds nothing worth keeping; anything else is the user's and is
  // kept aside before the default replaces it.
  if (status != JsonReadStatus::kMissing && status != JsonReadStatus::kEmpty &&
      store_.BackUpFile(userPath)) {
    Trace("palette file %s was damaged; kept as backup\n", userPath.c_str());
  }

  Json::Value seed;
  if (defaultFolder.empty() ||
      store_.ReadJsonFile(defaultFolder + kPaletteFileName, &seed) != JsonReadStatus::kOk ||
      !UsableDocument(seed)) {
    // No default: empty slots, and the first save makes the file.
    return PaletteResult::kDone;
  }
  state_ = PaletteStateFromJson(seed);
  // The mended form of the default, so that a damaged default cannot reach the user folder.
  if (store_.WriteJsonFile(userPath, PaletteJson(state_)) != kStoreOk) {
    return PaletteResult::kWriteFailed;
  }
  return PaletteResult::kDone;
}

PaletteResult PaletteStore::SavePresets(const PresetColours& colours, int index) {
  if (!ValidSlot(index)) return PaletteResult::kRefused;
  PaletteState next = state_;
  next.presets = colours;
  next.presetIndex = index;
  return Write(next);
}

PaletteResult PaletteStore::SaveFavourites(const FavouriteSlots& slots, int current) {
  if (!ValidSlot(current) && current != kNoFavouriteSlot) return PaletteResult::kRefused;
  PaletteState next = state_;
  next.favourites = Normalised(slots);
  next.favouriteIndex = current;
  return Write(next);
}

PaletteResult PaletteStore::Write(const PaletteState& next) {
  if (userFolder_.empty()) return PaletteResult::kRefused;
  if (store_.WriteJsonFile(FilePath(), PaletteJson(next)) != kStoreOk) {
    return PaletteResult::kWriteFailed;
  }
  state_ = next;
  return PaletteResult::kDone;
}

}  // namespace qv
