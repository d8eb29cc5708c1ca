// The scan-code table (`ScanCodeTable`): for each of the first 113 rows of the key code table,
// the virtual-key code, the set 1 make code and the extended flag that key produces. Recording
// finds a key's row by (scan code, extended flag) and takes its usage or modifier bit from the
// key code table row of the same index.
//
// Constant data and pure functions; callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace qv {

struct ScanCodeRow {
  uint16_t virtualKey = 0;  // the key code table's value (Num Enter's is 0x101)
  uint8_t scanCode = 0;
  bool extended = false;
};

inline constexpr size_t kScanCodeTableSize = 113;

std::span<const ScanCodeRow> ScanCodeTable();

// The first row with this scan code and extended flag.
std::optional<size_t> ScanCodeRowOf(uint8_t scanCode, bool extended);

}  // namespace qv
