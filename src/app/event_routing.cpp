#include "app/event_routing.h"

#include <array>

namespace qv::ui {
namespace {

enum class Match { kExact, kExactCase, kPrefix };

struct Row {
  const char* type;
  Match match;
  const char* key;
  RouteOwner owner;
  int arg = 0;
};

using O = RouteOwner;
constexpr Match E = Match::kExact;
constexpr Match C = Match::kExactCase;
constexpr Match P = Match::kPrefix;

// One table for every type; rows of a type are tried in order and every matching row routes.
// The main window's own names come first, as it handles them before the panels.
constexpr Row kRows[] = {
    // "click": the main window's own buttons.
    {"click", E, "closebtn", O::kMainWindow},
    {"click", E, "nodevice_ok_btn", O::kMainWindow},
    {"click", E, "control_light_status", O::kMainWindow},
    {"click", E, "minbtn", O::kMainWindow},
    {"click", E, "maxbtn", O::kMainWindow},
    {"click", E, "restorebtn", O::kMainWindow},
    {"click", E, "skinbtn", O::kMainWindow},
    {"click", E, "setbtn", O::kMainWindow},
    {"click", E, "gamemodebtn", O::kNothing},
    {"click", E, "cloudbtn", O::kNothing},
    {"click", E, "smarteyesbtn", O::kNothing},
    // "click": prefixed rows.
    {"click", P, "key_", O::kKeyPanel},
    {"click", P, "color_option_", O::kLightingPanel},
    {"click", P, "audiocolor_option_", O::kAudioLighting},
    {"click", P, "windowdeviceset_", O::kInputSettings},
    {"click", P, "DPI_color_option_", O::kDpiPanel},
    // "click": exact names of the panels.
    {"click", E, "device_add_btn", O::kProfilePanel},
    {"click", E, "device_sub_btn", O::kProfilePanel},
    {"click", E, "device_export_btn", O::kProfilePanel},
    {"click", E, "device_import_btn", O::kProfilePanel},
    {"click", E, "device_copy_btn", O::kProfilePanel},
    {"click", E, "device_reset_btn", O::kProfilePanel},
    {"click", E, "device_profile_edit_save_btn", O::kProfilePanel},
    {"click", E, "default_btn", O::kProfilePanel},
    {"click", C, "profile_fun_spread_btn", O::kProfilePanel},
    {"click", E, "reset_repeat_btn", O::kKeyboardSettings},
    {"click", E, "key_butt_keysave", O::kKeyPanel},
    {"click", E, "key_butt_keydefalut", O::kKeyPanel},
    {"click", E, "key_butt_keycancel", O::kKeyPanel},
    {"click", E, "key_butt_prosave", O::kKeyPanel},
    {"click", E, "macro_btn_starredio", O::kMacroEditor},
    {"click", E, "macro_btn_stopredio", O::kMacroEditor},
    {"click", E, "macro_btn_name_add", O::kMacroEditor},
    {"click", E, "macro_btn_name_sub", O::kMacroEditor},
    {"click", E, "macro_btn_name_edit", O::kMacroEditor},
    {"click", E, "macro_btn_save", O::kMacroEditor},
    {"click", E, "macro_btn_cancel", O::kMacroEditor},
    {"click", E, "macro_btn_export", O::kMacroEditor},
    {"click", E, "macro_btn_import", O::kMacroEditor},
    {"click", E, "macro_btn_up", O::kMacroEditor},
    {"click", E, "macro_btn_down", O::kMacroEditor},
    {"click", E, "macro_btn_uptop", O::kMacroEditor},
    {"click", E, "macro_btn_downbottom", O::kMacroEditor},
    {"click", E, "macro_btn_delete", O::kMacroEditor},
    {"click", E, "macro_btn_deleteall", O::kMacroEditor},
    {"click", C, "macro_inset_moveleftkey_btn", O::kMacroEditor, 1},
    {"click", C, "macro_inset_moverightkey_btn", O::kMacroEditor, 0},
    {"click", C, "macro_inset_moveupkey_btn", O::kMacroEditor, 1},
    {"click", C, "macro_inset_movedownkey_btn", O::kMacroEditor, 0},
    {"click", E, "shootdate_save_btn", O::kRecoilEditor},
    {"click", E, "shootdate_reset_btn", O::kRecoilEditor},
    {"click", E, "shootdate_import_btn", O::kRecoilEditor},
    {"click", E, "shootdate_export_btn", O::kRecoilEditor},
    {"click", E, "bullet_selected_prev", O::kRecoilEditor, 0},
    {"click", E, "bullet_selected_next", O::kRecoilEditor, 1},
    {"click", E, "custom_bright_color_btn", O::kLightingPanel, 1},
    {"click", E, "custom_off_color_btn", O::kLightingPanel, 0},
    {"click", E, "deng_same_mode", O::kLightingPanel},
    {"click", E, "Close_bkColor_btn", O::kAudioLighting},
    {"click", E, "music_setting_btn", O::kAudioLighting},
    {"click", E, "hs_EQ_btn_save", O::kHeadsetPanel},
    {"click", E, "hs_EQ_btn_delete", O::kHeadsetPanel},
    {"click", E, "device_select_prev", O::kDeviceList},
    {"click", E, "device_select_next", O::kDeviceList},

    // "selectchanged".
    {"selectchanged", P, "DPI_enable_check_", O::kDpiPanel},
    {"selectchanged", P, "DPI_select_check_", O::kDpiPanel},
    {"selectchanged", P, "polling_rate_option_", O::kPollingRate},
    {"selectchanged", P, "repeat_delay_check_", O::kKeyboardSettings},
    {"selectchanged", P, "mouse_device_seting_option_", O::kDpiPanel},
    {"selectchanged", P, "shoot_gun_op_", O::kRecoilEditor},
    {"selectchanged", P, "bullet_op_", O::kRecoilEditor},
    {"selectchanged", P, "magic_option_", O::kHeadsetPanel},
    {"selectchanged", P, "6533_eq_option_", O::kHeadsetPanel},
    {"selectchanged", P, "key_ComBox_check_", O::kKeyPanel},
    {"selectchanged", E, "pointer_precision_check", O::kDpiPanel},
    {"selectchanged", E, "scrolls_page_check", O::kDpiPanel},
    {"selectchanged", E, "winlockflag_option", O::kKeyboardSettings},
    {"selectchanged", E, "wflag_option", O::kKeyboardSettings},
    {"selectchanged", E, "6flag_option", O::kKeyboardSettings},
    {"selectchanged", E, "device_select", O::kDeviceList},
    {"selectchanged", E, "synchro_device_select", O::kNothing},
    {"selectchanged", E, "deng_Op_tab", O::kPageTab, 1},
    {"selectchanged", E, "key_Op_tab", O::kPageTab, 2},
    {"selectchanged", E, "macro_Op_tab", O::kPageTab, 3},
    {"selectchanged", E, "system_Op_tab", O::kPageTab, 4},
    {"selectchanged", E, "cursor_Op_tab", O::kPageTab, 5},
    {"selectchanged", E, "6533_voice_Op_tab", O::kPageTab, 6},
    {"selectchanged", E, "magic_Op_tab", O::kPageTab, 7},
    {"selectchanged", E, "Virtual7.1_Op_tab", O::kPageTab, 8},
    {"selectchanged", E, "deng_FXL_check", O::kLightingPanel, 1},
    {"selectchanged", E, "deng_FXR_check", O::kLightingPanel, 0},
    {"selectchanged", E, "deng_7color_check", O::kLightingPanel},
    {"selectchanged", E, "bullet_x_check", O::kRecoilEditor},
    {"selectchanged", E, "bullet_y_check", O::kRecoilEditor},
    {"selectchanged", E, "magic_enable_option", O::kHeadsetPanel},
    {"selectchanged", E, "6533_MicIn_option", O::kHeadsetPanel},
    {"selectchanged", E, "6533_MicMoniter_option", O::kHeadsetPanel},
    {"selectchanged", E, "deng_7audiocolor_check", O::kAudioLighting},
    {"selectchanged", E, "audio_BkColor_check", O::kAudioLighting},
    {"selectchanged", E, "audio_FgColor_check", O::kAudioLighting},

    // "itemselect"; the key assignment combos then also apply the edited assignment.
    {"itemselect", E, "device_profile_combo", O::kMainWindow},
    {"itemselect", E, "light_combo_modeSelect", O::kLightingPanel},
    {"itemselect", E, "light_combo_custommodeSelect", O::kLightingPanel},
    {"itemselect", E, "light_combo_ZZCCmodeSelect", O::kLightingPanel},
    {"itemselect", E, "light_combo_audiomodeSelect", O::kAudioLighting},
    {"itemselect", E, "keyset_function_combo", O::kKeyPanel},
    {"itemselect", E, "keyset_macro_over_combo", O::kKeyPanel},
    {"itemselect", E, "macro_name_list", O::kMacroEditor},
    {"itemselect", E, "custom_eq_name_combo", O::kHeadsetPanel},
    {"itemselect", E, "keyset_function_combo", O::kKeyAssignApply},
    {"itemselect", E, "keyset_mousekey_combo", O::kKeyAssignApply},
    {"itemselect", E, "keyset_mouseswing_combo", O::kKeyAssignApply},
    {"itemselect", E, "keyset_mousewheel_combo", O::kKeyAssignApply},
    {"itemselect", E, "keyset_mousedpi_combo", O::kKeyAssignApply},
    {"itemselect", E, "keyset_media_combo", O::kKeyAssignApply},
    {"itemselect", E, "keyset_system_combo", O::kKeyAssignApply},
    {"itemselect", E, "keyset_macro_combo", O::kKeyAssignApply},
    {"itemselect", E, "keyset_macro_over_combo", O::kKeyAssignApply},
    {"itemselect", E, "keyset_gunkey_combo", O::kKeyAssignApply},
    {"itemselect", E, "keyset_combokey_combo", O::kKeyAssignApply},

    // "valuechanged".
    {"valuechanged", P, "DPI_slider_", O::kDpiPanel},
    {"valuechanged", E, "pointer_speed_slider", O::kDpiPanel},
    {"valuechanged", E, "scroll_speed_slider", O::kDpiPanel},
    {"valuechanged", E, "double_click_slider", O::kDpiPanel},
    {"valuechanged", P, "6533_eq_hz_slider_", O::kHeadsetPanel},
    {"valuechanged", E, "6533_MicIn_slider", O::kHeadsetPanel},
    {"valuechanged", E, "6533_MicMoniter_slider", O::kHeadsetPanel},
    {"valuechanged", E, "repeat_rate_slider", O::kKeyboardSettings},
    {"valuechanged", E, "deng_light_slider", O::kLightingPanel},
    {"valuechanged", E, "deng_speed_slider", O::kLightingPanel},
    {"valuechanged", E, "R_light_slider", O::kAudioLighting, 6},
    {"valuechanged", E, "G_light_slider", O::kAudioLighting, 7},
    {"valuechanged", E, "B_light_slider", O::kAudioLighting, 8},

    // "movevaluechanged".
    {"movevaluechanged", P, "zelik_DPI_slider_", O::kDpiPanel},
    {"movevaluechanged", P, "DPI_slider_", O::kDpiPanel},

    // "killfocus".
    {"killfocus", P, "zelik_DPI_edit_", O::kDpiPanel},
    {"killfocus", P, "DPI_edit_", O::kDpiPanel},
    {"killfocus", E, "deng_edit_R", O::kLightingPanel, 0},
    {"killfocus", E, "deng_edit_G", O::kLightingPanel, 1},
    {"killfocus", E, "deng_edit_B", O::kLightingPanel, 2},
    {"killfocus", E, "deng_audioedit_R", O::kAudioLighting, 0},
    {"killfocus", E, "deng_audioedit_G", O::kAudioLighting, 1},
    {"killfocus", E, "deng_audioedit_B", O::kAudioLighting, 2},
    {"killfocus", E, "keyset_keyboard_text_edit", O::kMainWindow},
    {"killfocus", E, "bullet_x_eidt", O::kRecoilEditor},
    {"killfocus", E, "bullet_y_eidt", O::kRecoilEditor},
    {"killfocus", E, "bullet_delay_eidt", O::kRecoilEditor},
    {"killfocus", E, "macro_delay", O::kMacroEditor},
    {"killfocus", E, "keyset_mouseswing_num_edit", O::kKeyAssignApply},
    {"killfocus", E, "keyset_mouseswing_delay_edit", O::kKeyAssignApply},
    {"killfocus", E, "keyset_mouseswing_speed_edit", O::kKeyAssignApply},
    {"killfocus", E, "keyset_mousewheel_num_edit", O::kKeyAssignApply},
    {"killfocus", E, "keyset_mousewheel_delay_edit", O::kKeyAssignApply},
    {"killfocus", E, "keyset_mousewheel_speed_edit", O::kKeyAssignApply},
    {"killfocus", E, "keyset_mousefire_interval_edit", O::kKeyAssignApply},
    {"killfocus", E, "keyset_mousefire_num_edit", O::kKeyAssignApply},
    {"killfocus", E, "keyset_macro_cycle_edit", O::kKeyAssignApply},

    // Other types.
    {"colorchanged", E, "deng_Color_Pallet", O::kLightingPanel},
    {"colorchanged", E, "deng_audioColor_Pallet", O::kAudioLighting},
    {"click_select_end", E, "device_key_light", O::kLightingPanel, 1},
    {"click_select_end", E, "mouse_device_key_light", O::kLightingPanel, 2},
    // The message-map entries that the base handling dispatches.
    {"itemactivate", E, "macro_action", O::kMacroEditor},
    {"setfocus", E, "keyset_keyboard_text_edit", O::kMainWindow},
};

}  // namespace

NameSplit SplitControlName(const QString& name) {
  NameSplit split;
  const qsizetype at = name.lastIndexOf(QLatin1Char('_'));
  if (at < 0) return split;
  split.hasPrefix = true;
  split.prefix = name.left(at + 1);
  const QString rest = name.mid(at + 1);
  bool ok = false;
  const int value = rest.toInt(&ok, 10);
  split.number = ok ? value : 0;
  return split;
}

std::vector<Route> FindRoutes(const QString& type, const QString& senderName) {
  std::vector<Route> routes;
  if (type == QLatin1String("click_wpremove") || type == QLatin1String("click_wpedit")) {
    routes.push_back({RouteOwner::kNothing, senderName, 0, true});
    return routes;
  }
  const NameSplit split = SplitControlName(senderName);
  for (const Row& row : kRows) {
    if (type != QLatin1String(row.type)) continue;
    const QLatin1String key(row.key);
    switch (row.match) {
      case Match::kExact:
        if (senderName.compare(key, Qt::CaseInsensitive) == 0) {
          routes.push_back({row.owner, QString(key), row.arg, false});
        }
        break;
      case Match::kExactCase:
        if (senderName == key) routes.push_back({row.owner, QString(key), row.arg, false});
        break;
      case Match::kPrefix:
        if (split.hasPrefix && split.prefix.compare(key, Qt::CaseInsensitive) == 0) {
          routes.push_back({row.owner, QString(key), split.number, false});
        }
        break;
    }
  }
  return routes;
}

const char* RouteOwnerName(RouteOwner owner) {
  static constexpr std::array<const char*, 16> kNames = {
      "main window",    "key panel",     "lighting panel", "audio lighting",
      "DPI panel",      "recoil editor", "profile panel",  "keyboard settings",
      "macro editor",   "headset panel", "device list",    "page tab",
      "input settings", "polling rate",  "key apply",      "nothing"};
  const auto i = static_cast<size_t>(owner);
  return i < kNames.size() ? kNames[i] : "?";
}

}  // namespace qv::ui
