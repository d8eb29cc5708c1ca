// The keyboard's macro image: the macros that keys use, packed into one block for the device's
// macro memory, and the macro event model with its two encodings (the ".mac" file's JSON event
// objects and the device's four bytes).
//
// Image layout (16-bit values little-endian): 0xAA 0x55, total length, macro count M, 10 reserved
// bytes, M record offsets (from the start of the image, in upload order), then one record per
// macro: event count E, 2 reserved bytes, E events of 4 bytes (delay low, delay high, type with
// 0x80 for a press, button).
//
// Event object: { "Type": int, "Button": int, "Action": "down" | "up", "Delay": "<decimal>" }.
// "Delay" is written as text; an integer is read too. Every delay is clamped to 0..65535 when it
// is read, so what is shown, stored and sent is the same value (a larger one must not reach the
// device as its low 16 bits).
//
// Two readers: ReadMacroEvents checks every event the way the store and the upload need it (a
// macro file is user data and may come from anywhere), ParseMacroEvents takes whatever a file
// holds in the device form. Pure functions with no I/O; callable from any thread.
#pragma once

#include <json/json.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct MacroEvent {
  uint16_t delay = 0;  // milliseconds after this event
  uint8_t type = 0;    // "Type": 1 mouse button, 4/5 pointer moves, 9 modifier, 10 key
  bool down = false;   // "Action" "down"
  uint8_t button = 0;  // low byte of "Button"
  bool operator==(const MacroEvent&) const = default;
};

// "Type" values.
inline constexpr uint8_t kMacroMouseButton = 1;
inline constexpr uint8_t kMacroMoveX = 4;  // "down" leftwards, "up" rightwards
inline constexpr uint8_t kMacroMoveY = 5;  // "down" upwards, "up" downwards
inline constexpr uint8_t kMacroModifier = 9;
inline constexpr uint8_t kMacroKey = 10;

inline constexpr size_t kMacroImageHeaderSize = 16;
inline constexpr size_t kMacroEventSize = 4;
inline constexpr size_t kMacroMemoryUnit = 128;  // device information byte 6 counts these
inline constexpr uint16_t kMaxMacroDelay = 65535;
inline constexpr size_t kMaxMacroEvents = 250;
inline constexpr int kMacroFileVersion = 64;

// "MacroInfo"[i]."Guid" of a "macro.config" document, in list order; an entry without a text
// Guid gives an empty string. A document without "MacroInfo" gives an empty list.
std::vector<std::string> MacroGuids(const Json::Value& config);

// A delay field's text as a decimal number: leading blanks and a sign are allowed, reading
// stops at the first non-digit, no digits read as 0, negative values as 0, values above 65535
// as 65535.
uint16_t ParseDelayText(std::string_view text);
// The canonical text of a delay.
std::string DelayText(uint16_t delay);

// What ReadMacroEvents kept and what it left out.
struct MacroEventsRead {
  std::vector<MacroEvent> events;
  size_t dropped = 0;  // events refused: not an object, unknown "Type", an "Action" other than
                       // "down"/"up", a "Button" out of range for its type, a value of the wrong
                       // JSON type
  size_t cut = 0;      // events past kMaxMacroEvents
  bool Trimmed() const { return dropped != 0 || cut != 0; }
};

// True for a document a macro file may hold: an object whose "Events", when present, is an
// array.
bool IsMacroDocument(const Json::Value& macroFile);

// The "Events" of a ".mac" document, checked: at most kMaxMacroEvents events of types 1, 2, 3,
// 4, 5, 9 and 10 with a "Button" that is a mouse button bit (1, 2, 4, 8, 16) for type 1, one
// modifier bit for type 9 and a byte otherwise. "Delay" may be missing (0), an integer or
// decimal text (ParseDelayText); other JSON types refuse the event.
MacroEventsRead ReadMacroEvents(const Json::Value& macroFile);

// The "Events" of a ".mac" document in the device form, without checks beyond the JSON types:
// the low byte of "Button" and of "Type", unreadable delays as 0.
std::vector<MacroEvent> ParseMacroEvents(const Json::Value& macroFile);

// The event object of a ".mac" file, "Delay" as text.
Json::Value MacroEventJson(const MacroEvent& event);
// A whole ".mac" document: { "MacroName", "Guid", "Events", "Version": 64 }.
Json::Value MacroFileDocument(const std::string& name, const std::string& guid,
                              const std::vector<MacroEvent>& events);

// The type byte of the device form and of the mouse action table: "Type" with 0x80 for "down".
inline uint8_t MacroTypeByte(const MacroEvent& event) {
  return static_cast<uint8_t>(event.type | (event.down ? 0x80 : 0x00));
}
inline MacroEvent MacroEventOfTypeByte(uint8_t typeByte, uint8_t button, uint16_t delay) {
  return {delay, static_cast<uint8_t>(typeByte & 0x7F), (typeByte & 0x80) != 0, button};
}

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
