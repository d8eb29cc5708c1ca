// The constant code tables from which the key assignment panel picks codes and by which codes
// are named on screen, and the naming itself.
//
// Names are language text ids; the interface resolves them to display text. Rows of the
// category tables are matched by p1 and p2 only, the first match winning; the key code table
// holds several kinds, so lookups in it also compare the kind.
//
// Constant data and pure functions; callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "keys/key_function.h"

namespace qv {

struct CodeRow {
  uint16_t value = 0;  // key code table: the Windows virtual-key code; otherwise the row number
  KeyFunction function;
  std::string_view textId;  // empty where the table has no names
};

inline constexpr size_t kKeyCodeTableSize = 142;
inline constexpr size_t kTextIdTableSize = 228;
inline constexpr size_t kKeyCodeTextIdBase = 64;  // row i is text id 64 + i
inline constexpr size_t kFirstPlainKeyRow = 8;    // rows 0..7 are the modifiers

std::span<const CodeRow> MouseButtonTable();      // category 1, 5 rows
std::span<const CodeRow> DpiTable();              // category 4, 3 rows
std::span<const CodeRow> MediaTable();            // category 7, 18 rows
std::span<const CodeRow> SystemTable();           // category 8, 3 rows
std::span<const CodeRow> CombinationTable();      // category 11, 11 rows
std::span<const CodeRow> KeyCodeTable();          // 142 rows
std::span<const std::string_view> TextIdTable();  // 228 entries

// The table behind a list category (1, 4, 7, 8, 11); empty for the others.
std::span<const CodeRow> CategoryTable(KeyCategory category);

// The first row of `table` with these p1 and p2.
std::optional<size_t> FindRowByParams(std::span<const CodeRow> table, uint8_t p1, uint8_t p2);
// The first key code table row in [firstRow, endRow) whose three bytes equal `code`.
std::optional<size_t> FindKeyCodeRow(const KeyFunction& code, size_t firstRow = 0,
                                     size_t endRow = kKeyCodeTableSize);
// The plain key (row 8 on, no modifier) of a HID keyboard usage; nullopt for usage 0.
std::optional<size_t> KeyRowOfUsage(uint8_t usage);
// The modifier row (0..7) of a single modifier bit.
std::optional<size_t> ModifierRowOfBit(uint8_t bit);

// A code as shown on screen. Text ids are translated and joined by "+" (modifiers first, then
// the key); a macro code is named by the macro's entry in the macro list and a gun key by its
// number. Nothing set: the code has no name.
struct KeyFunctionName {
  std::vector<std::string_view> textIds;
  std::optional<uint8_t> macroIndex;
  std::optional<uint8_t> gunKey;
  bool operator==(const KeyFunctionName&) const = default;
};
KeyFunctionName NameOfKeyFunction(const KeyFunction& code);

}  // namespace qv
