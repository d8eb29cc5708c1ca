// Program-wide registered messages: a name string maps to one identifier in 0xC000..0xFFFF.
//
// Every program that uses RegisteredMessageId gets the same identifier for the same name, so the
// identifiers can travel between programs (the message bus carries the name as well, so a peer
// built differently still understands it). Names compare ignoring ASCII case, as the messages'
// senders expect. The identifier is a hash of the name folded into the range: it is computed at
// compile time, needs no registration order and no lock, and a test checks that the names below
// do not collide. Pure functions; callable from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qv {

inline constexpr uint32_t kRegisteredMessageFirst = 0xC000;
inline constexpr uint32_t kRegisteredMessageLast = 0xFFFF;

constexpr uint32_t RegisteredMessageId(std::string_view name) {
  // FNV-1a over the lower-cased bytes, then folded into the 16 K identifiers of the range.
  uint32_t hash = 2166136261u;
  for (char c : name) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') byte = static_cast<unsigned char>(byte - 'A' + 'a');
    hash ^= byte;
    hash *= 16777619u;
  }
  hash ^= hash >> 16;
  return kRegisteredMessageFirst + hash % (kRegisteredMessageLast - kRegisteredMessageFirst + 1);
}

constexpr bool IsRegisteredMessage(uint32_t id) {
  return id >= kRegisteredMessageFirst && id <= kRegisteredMessageLast;
}

// The instance message's name is the product code.
inline constexpr std::string_view kProductCode = "QV5307";

inline constexpr uint32_t UWM_INSTANCE_MSG = RegisteredMessageId("QV5307");
inline constexpr uint32_t UWM_SETWND_NOTIFY_MSG =
    RegisteredMessageId("{4695579F-999A-41d4-9FAF-EFFCE93EBF15}");
inline constexpr uint32_t UWM_APP_STARTED_MSG =
    RegisteredMessageId("{4695579F-999A-41d4-9FAF-EFFCE93EBF16}");
inline constexpr uint32_t UWM_LIGHT_CONTROL_MSG =
    RegisteredMessageId("{4695579F-999A-41d4-9FAF-EFFCE93EBF17}");
inline constexpr uint32_t UWM_WORKTOOL_QUERY_MSG =
    RegisteredMessageId("{4695579F-999A-41d4-9FAF-EFFCE93EBF18}");
// Not in sequence with the four above (E19, not F19): that is the name the audio helper uses.
inline constexpr uint32_t UWM_AUDIO_HELPER_MSG =
    RegisteredMessageId("{4695579F-999A-41d4-9FAF-EFFCE93EBE19}");

// Shared with the input hook library; declaration order kept.
inline constexpr uint32_t WM_HOOK_KEY_SINGLEKEY_MSG =
    RegisteredMessageId("WM_HOOK_KEY_SINGLEKEY_MSG");
inline constexpr uint32_t WM_HOOK_KEY_HITKEY_MSG = RegisteredMessageId("WM_HOOK_KEY_HITKEY_MSG");
inline constexpr uint32_t WM_HOOK_KEY_KBMACRO_MSG = RegisteredMessageId("WM_HOOK_KEY_KBMACRO_MSG");
inline constexpr uint32_t WM_HOOK_KEY_MSMACRO_MSG = RegisteredMessageId("WM_HOOK_KEY_MSMACRO_MSG");
inline constexpr uint32_t WM_HOOK_KEY_KBMACROSINGLE_MSG =
    RegisteredMessageId("WM_HOOK_KEY_KBMACROSINGLE_MSG");
inline constexpr uint32_t WM_HOOK_KEY_KBMACROPREVIOUS_MSG =
    RegisteredMessageId("WM_HOOK_KEY_KBMACROPREVIOUS_MSG");
inline constexpr uint32_t WM_HOOK_KEY_KBMACROLATER_MSG =
    RegisteredMessageId("WM_HOOK_KEY_KBMACROLATER_MSG");
inline constexpr uint32_t WM_HOOK_MOU_SINGLEKEY_MSG =
    RegisteredMessageId("WM_HOOK_MOU_SINGLEKEY_MSG");
inline constexpr uint32_t WM_HOOK_MOU_HITKEY_MSG = RegisteredMessageId("WM_HOOK_MOU_HITKEY_MSG");
inline constexpr uint32_t WM_HOOK_MOU_KBMACRO_MSG = RegisteredMessageId("WM_HOOK_MOU_KBMACRO_MSG");
inline constexpr uint32_t WM_HOOK_MOU_MSMACRO_MSG = RegisteredMessageId("WM_HOOK_MOU_MSMACRO_MSG");
inline constexpr uint32_t WM_HOOK_KEY_MSMACROSINGLE_MSG =
    RegisteredMessageId("WM_HOOK_KEY_MSMACROSINGLE_MSG");
inline constexpr uint32_t WM_HOOK_KEY_MSMACROPREVIOUS_MSG =
    RegisteredMessageId("WM_HOOK_KEY_MSMACROPREVIOUS_MSG");
inline constexpr uint32_t WM_HOOK_KEY_MSMACROLATER_MSG =
    RegisteredMessageId("WM_HOOK_KEY_MSMACROLATER_MSG");
inline constexpr uint32_t UWM_MOUSERBUTTONDOWN_USER_MSG =
    RegisteredMessageId("UWM_MOUSERBUTTONDOWN_USER_MSG");
inline constexpr uint32_t UWM_MOUSELBUTTONUP_USER_MSG =
    RegisteredMessageId("UWM_MOUSELBUTTONUP_USER_MSG");
inline constexpr uint32_t UWM_MOUSELBUTTONDOWN_USER_MSG =
    RegisteredMessageId("UWM_MOUSELBUTTONDOWN_USER_MSG");
inline constexpr uint32_t UWM_MOUSERBUTTONUP_USER_MSG =
    RegisteredMessageId("UWM_MOUSERBUTTONUP_USER_MSG");
// Registered a second time under the same name by the hook library, hence the same identifier.
inline constexpr uint32_t UWM_MOUSERBUTTONDOWN_USER_MSG2 =
    RegisteredMessageId("UWM_MOUSERBUTTONDOWN_USER_MSG");
inline constexpr uint32_t UWM_MOUSEMOVE_USER_MSG = RegisteredMessageId("UWM_MOUSEMOVE_USER_MSG");
inline constexpr uint32_t UWM_GAME_START_MSG = RegisteredMessageId("Game_Start");
inline constexpr uint32_t UWM_GAME_END_MSG = RegisteredMessageId("Game_End");
inline constexpr uint32_t UWM_GAME_KILL_MSG = RegisteredMessageId("Game_Kill");
inline constexpr uint32_t UWM_GAME_DEATH_MSG = RegisteredMessageId("Game_Death");

// Every name this program registers, in registration order (the instance message, the five
// program messages, then the hook, mouse and game messages; the repeated mouse name appears
// twice, as it is registered twice).
inline constexpr std::array<std::string_view, 30> kRegisteredMessageNames = {
    "QV5307",
    "{4695579F-999A-41d4-9FAF-EFFCE93EBF15}",
    "{4695579F-999A-41d4-9FAF-EFFCE93EBF16}",
    "{4695579F-999A-41d4-9FAF-EFFCE93EBF17}",
    "{4695579F-999A-41d4-9FAF-EFFCE93EBF18}",
    "{4695579F-999A-41d4-9FAF-EFFCE93EBE19}",
    "WM_HOOK_KEY_SINGLEKEY_MSG",
    "WM_HOOK_KEY_HITKEY_MSG",
    "WM_HOOK_KEY_KBMACRO_MSG",
    "WM_HOOK_KEY_MSMACRO_MSG",
    "WM_HOOK_KEY_KBMACROSINGLE_MSG",
    "WM_HOOK_KEY_KBMACROPREVIOUS_MSG",
    "WM_HOOK_KEY_KBMACROLATER_MSG",
    "WM_HOOK_MOU_SINGLEKEY_MSG",
    "WM_HOOK_MOU_HITKEY_MSG",
    "WM_HOOK_MOU_KBMACRO_MSG",
    "WM_HOOK_MOU_MSMACRO_MSG",
    "WM_HOOK_KEY_MSMACROSINGLE_MSG",
    "WM_HOOK_KEY_MSMACROPREVIOUS_MSG",
    "WM_HOOK_KEY_MSMACROLATER_MSG",
    "UWM_MOUSERBUTTONDOWN_USER_MSG",
    "UWM_MOUSELBUTTONUP_USER_MSG",
    "UWM_MOUSELBUTTONDOWN_USER_MSG",
    "UWM_MOUSERBUTTONUP_USER_MSG",
    "UWM_MOUSERBUTTONDOWN_USER_MSG",
    "UWM_MOUSEMOVE_USER_MSG",
    "Game_Start",
    "Game_End",
    "Game_Kill",
    "Game_Death",
};

// The name a known identifier was registered under, or an empty view for an unknown one. Used to
// put the name on the wire when a message leaves the program.
std::string_view RegisteredMessageName(uint32_t id);

}  // namespace qv
