// The keyboard's macro image: the macros that keys use, packed into one block for the device's
// macro memory, and the reading of macro events from the macro files' JSON documents.
//
// Image layout (16-bit values little-endian): 0xAA 0x55, total length, macro count M, 10 reserved
// bytes, M record offsets (from the start of the image, in upload order), then one record per
// macro: event count E, 2 reserved bytes, E events of 4 bytes (delay low, delay high, type with
// 0x80 for a press, button).
//
// Pure functions with no I/O; callable from any thread.
#pragma once

#include <json/json.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

struct MacroEvent {
  uint16_t delay = 0;  // milliseconds after this event
  uint8_t type = 0;    // "Type": 1 mouse button, 4/5 pointer moves, 9 modifier, 10 key
  bool down = false;   // "Action" "down"
  uint8_t button = 0;  // low byte of "Button"
  bool operator==(const MacroEvent&) const = default;
};

inline constexpr size_t kMacroImageHeaderSize = 16;
inline constexpr size_t kMacroEventSize = 4;
inline constexpr size_t kMacroMemoryUnit = 128;  // device information byte 6 counts these
inline constexpr uint16_t kMaxMacroDelay = 65535;

// "MacroInfo"[i]."Guid" of a "macro.config" document, in list order; an entry without a text
// Guid gives an empty string. A document without "MacroInfo" gives an empty list.
std::vector<std::string> MacroGuids(const Json::Value& config);

// The "Events" of a ".mac" document. "Delay" may be a decimal string or an integer; values
// above 65535 read as 65535, anything unreadable as 0.
std::vector<MacroEvent> ParseMacroEvents(const Json::Value& macroFile);

// The device form of one event.
void EncodeMacroEvent(const MacroEvent& event, uint8_t out[kMacroEventSize]);

// Image size for macros with these event counts: 16 + 6 × M + 4 × (sum of counts).
size_t MacroImageSize(const std::vector<size_t>& eventCounts);

// 0 when an image of `total` bytes fits a memory of `capacity` bytes; otherwise the number of
// events too many plus one. An image as large as the memory does not fit.
int MacroOverflow(size_t total, size_t capacity);

// The whole image. Empty when it cannot be described (above 65535 bytes, or a macro with more
// than 65535 events).
std::vector<uint8_t> BuildMacroImage(const std::vector<std::vector<MacroEvent>>& macros);

}  // namespace qv
