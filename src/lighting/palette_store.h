// PaletteStore: the remembered state of the colour palette dialog, its twenty preset swatch
// colours and its twenty favourite slots, and the favourite-slot rules the dialog applies.
//
// The file "color_option_info.config" in the user data folder is a JSON document
//   { "coloroptioninfo": {
//       "palletDialogcoloroption": [ { "color": text } x 20 ],
//       "palletDialogcoloroption_selectitem": preset index,
//       "palletDialogcollectcoloroption": [ { "color": text, "UserData": "1" or "" } x 20 ],
//       "palletDialogcollectcoloroption_selectitem": favourite slot or -1 } }
// where every colour is eight uppercase hexadecimal digits, alpha first ("FFFF0000" is opaque
// red). A missing user file is seeded from the copy of the same name in DefaultData; with no
// usable default either, every slot is empty and nothing is written until the first save.
//
// The file is user data and read defensively: a file that is not JSON, too large, unreadable or
// without a "coloroptioninfo" object is kept as a backup and replaced by the default. Inside a
// usable document, an entry that is absent, of the wrong type or whose colour does not parse
// reads as white (0xFFFFFFFF) and not filled; entries past the twentieth are ignored; an index
// out of range reads as its starting value (preset 4, favourite none). Such mends are not
// written back on their own: every save writes the whole document from the state.
//
// Saves report kWriteFailed when the file could not be written; the state is then left as it
// was, so State() keeps describing what is on disk.
//
// The store is not owned and must outlive the model. Used on the interface thread only; nothing
// here throws.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "profiles/json_file_store.h"

namespace qv {

inline constexpr const char* kPaletteFileName = "color_option_info.config";
inline constexpr int kPaletteSlotCount = 20;
inline constexpr int kDefaultPresetIndex = 4;
inline constexpr int kNoFavouriteSlot = -1;
// What an empty favourite slot, or a colour the file does not give, shows.
inline constexpr uint32_t kPaletteBlankColour = 0xFFFFFFFFu;
// The "UserData" of a filled favourite slot.
inline constexpr const char* kFavouriteFilledMark = "1";

// 0xAARRGGBB as eight uppercase hexadecimal digits.
std::string ColourText(uint32_t colour);
// Exactly eight hexadecimal digits (either case) read as 0xAARRGGBB; false for anything else,
// leaving *out untouched.
bool ParseColourText(std::string_view text, uint32_t* out);

struct FavouriteSlot {
  uint32_t colour = kPaletteBlankColour;
  bool filled = false;

  bool operator==(const FavouriteSlot&) const = default;
};

using PresetColours = std::array<uint32_t, kPaletteSlotCount>;
using FavouriteSlots = std::array<FavouriteSlot, kPaletteSlotCount>;

struct PaletteState {
  PaletteState() { presets.fill(kPaletteBlankColour); }

  PresetColours presets;
  int presetIndex = kDefaultPresetIndex;
  FavouriteSlots favourites;
  int favouriteIndex = kNoFavouriteSlot;

  bool operator==(const PaletteState&) const = default;
};

// The state a document describes, mended as above; `document` may be anything.
PaletteState PaletteStateFromJson(const Json::Value& document);
// The document for `state`, in the layout above.
Json::Value PaletteJson(const PaletteState& state);

// The last step of every change of the current colour: when favourite slot `current` exists
// and its option is selected, it takes `colour` and is marked filled. True when it did, and the
// favourites are then to be saved with `current` as the current slot.
bool FillCurrentFavourite(FavouriteSlots& slots, int current, bool currentSelected,
                          uint32_t colour);
// A click on favourite slot `slot`: its colour when it is filled, nothing for an empty slot or
// a slot that does not exist. A filled slot's favourites are to be saved with it current.
std::optional<uint32_t> FavouriteSlotColour(const FavouriteSlots& slots, int slot);

enum class PaletteResult {
  kDone,
  kRefused,      // not loaded yet (no folder), or an index out of range; nothing written
  kWriteFailed,  // the file could not be written; the state is as it was
};

class PaletteStore {
 public:
  explicit PaletteStore(const JsonFileStore& store);

  // Reads the palette file from `userFolder`, seeding it from `defaultFolder` when it is
  // missing or damaged (both end with "/"). kWriteFailed when the seeded copy could not be
  // written; the state read from the default is kept, and the next successful save stores it.
  PaletteResult Load(const std::string& userFolder, const std::string& defaultFolder);

  const PaletteState& State() const { return state_; }
  std::string FilePath() const;

  // The swatch colours at a preset click and the preset clicked (0 to 19).
  PaletteResult SavePresets(const PresetColours& colours, int index);
  // All favourite slots and the current one (-1 to 19).
  PaletteResult SaveFavourites(const FavouriteSlots& slots, int current);

 private:
  PaletteResult Write(const PaletteState& next);

  const JsonFileStore& store_;
  std::string userFolder_;
  PaletteState state_;
};

}  // namespace qv
