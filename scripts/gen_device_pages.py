#!/usr/bin/env python3
"""Writes the device page layouts (Qt Designer XML in .xml files under skin/XML/DeviceXml/).

The keyboard page is a 61-key (60 %) keyboard: one DeviceKeyButton per key, named "key_" and
the key's logical number, with its light named in the user data ("light_" and the same
number). One key unit is 38 px, so that the page, with its panels below the keys, fits the
main window's page area (PAGE_WIDTH x PAGE_HEIGHT). Run from the repository root:

    python3 scripts/gen_device_pages.py
"""
from pathlib import Path
from xml.sax.saxutils import escape

UNIT = 38
GAP = 4
PAD = 12
# The main window's page area at 96 DPI: 800 x 572 less the side panel, title bar and status line.
PAGE_WIDTH = 640
PAGE_HEIGHT = 514
PAGE_MARGIN_X = 14
PAGE_MARGIN_Y = 12
PANEL_MIN_HEIGHT = 120

# (logical key, legend, upper legend, width in units), row by row.
KEYBOARD_ROWS = [
    [(0, "Esc", "", 1), (22, "1", "!", 1), (23, "2", "@", 1), (24, "3", "#", 1),
     (25, "4", "$", 1), (26, "5", "%", 1), (27, "6", "^", 1), (28, "7", "&", 1),
     (29, "8", "*", 1), (30, "9", "(", 1), (31, "0", ")", 1), (32, "-", "_", 1),
     (33, "=", "+", 1), (34, "Backspace", "", 2)],
    [(42, "Tab", "", 1.5), (43, "Q", "", 1), (44, "W", "", 1), (45, "E", "", 1),
     (46, "R", "", 1), (47, "T", "", 1), (48, "Y", "", 1), (49, "U", "", 1), (50, "I", "", 1),
     (51, "O", "", 1), (52, "P", "", 1), (53, "[", "{", 1), (54, "]", "}", 1),
     (55, "\\", "|", 1.5)],
    [(63, "Caps", "", 1.75), (64, "A", "", 1), (65, "S", "", 1), (66, "D", "", 1),
     (67, "F", "", 1), (68, "G", "", 1), (69, "H", "", 1), (70, "J", "", 1), (71, "K", "", 1),
     (72, "L", "", 1), (73, ";", ":", 1), (74, "'", "\"", 1), (75, "Enter", "", 2.25)],
    [(84, "Shift", "", 2.25), (85, "Z", "", 1), (86, "X", "", 1), (87, "C", "", 1),
     (88, "V", "", 1), (89, "B", "", 1), (90, "N", "", 1), (91, "M", "", 1),
     (92, ",", "<", 1), (93, ".", ">", 1), (94, "/", "?", 1), (95, "Shift", "", 2.75)],
    [(105, "Ctrl", "", 1.25), (106, "Win", "", 1.25), (107, "Alt", "", 1.25),
     (108, "", "", 6.25), (109, "Alt", "", 1.25), (110, "Fn", "", 1.25),
     (111, "Menu", "", 1.25), (112, "Ctrl", "", 1.25)],
]

PAGE_STYLE = """#%(root)s { background-color: #15171c; }
QLabel { color: #e8e8ec; }
#device_page_title { font-weight: 600; letter-spacing: 2px; color: #f2f3f5; }
#device_page_subtitle { color: #7d828d; }
#%(plate)s { border-radius: 12px; border: 1px solid #2a2e37;
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #1f2229, stop:1 #121419); }
CLightControlUI, CKeySetControlUI, CMacroControlUI, #device_function_page_3 {
  background-color: #1b1e24; border: 1px solid #262a32; border-radius: 10px; }
CDeviceProfileUI { background-color: #1b1e24; border: 1px solid #262a32; border-radius: 8px; }"""


def prop(name, value, kind="string"):
    if kind == "string":
        return f'<property name="{name}"><string notr="true">{escape(value)}</string></property>'
    if kind == "bool":
        return f'<property name="{name}"><bool>{value}</bool></property>'
    if kind == "number":
        return f'<property name="{name}"><number>{value}</number></property>'
    raise ValueError(kind)


def text_id(value):
    """Marks a label as resource text: it shows the language's text of the id `value`."""
    return f'<property name="textid" stdset="0"><string notr="true">{escape(value)}</string></property>'


def rect(x, y, w, h):
    return (f'<property name="geometry"><rect><x>{x}</x><y>{y}</y><width>{w}</width>'
            f'<height>{h}</height></rect></property>')


def size_prop(name, w, h):
    return f'<property name="{name}"><size><width>{w}</width><height>{h}</height></size></property>'


def margins(n, vertical=None):
    vertical = n if vertical is None else vertical
    return "".join(prop(f"{side}Margin", n if side in ("left", "right") else vertical, "number")
                   for side in ("left", "top", "right", "bottom"))


def key_button(key, legend, upper, x, y, w, h):
    parts = [f'<widget class="DeviceKeyButton" name="key_{key}">', rect(x, y, w, h),
             prop("text", legend), prop("userdata", f"light_{key}")]
    if upper:
        parts.append(prop("sublegend", upper))
    parts.append("</widget>")
    return "".join(parts)


def units(n):
    # Half pixels round up: round() would round them to even and give keys of one size two
    # different widths.
    return int(n * UNIT + 0.5)


def keyboard_keys():
    out = []
    for row, keys in enumerate(KEYBOARD_ROWS):
        x = 0.0
        for key, legend, upper, width in keys:
            px = PAD + units(x) + GAP // 2
            py = PAD + row * UNIT + GAP // 2
            pw = units(x + width) - units(x) - GAP
            out.append(key_button(key, legend, upper, px, py, pw, UNIT - GAP))
            x += width
        assert abs(x - 15) < 1e-9, f"row {row} is {x} units"
    return out


def panel_stack(name, pages):
    items = "".join(pages)
    return f'<widget class="QStackedWidget" name="{name}">{prop("currentIndex", 0, "number")}{items}</widget>'


def empty_page(name):
    return f'<widget class="QWidget" name="{name}"/>'


# Sizes fixed in pixels that the main window scales with its DPI value.
DPI_LIMITS = '<property name="qv_dpi_limits" stdset="0"><bool>true</bool></property>'


def font_prop(points):
    # In points rather than in the style sheet, so that the window's DPI scaling reaches it.
    return f'<property name="font"><font><pointsize>{points}</pointsize></font></property>'


def card(cls, name, min_height):
    return (f'<widget class="{cls}" name="{name}">{size_prop("minimumSize", 0, min_height)}'
            f'{DPI_LIMITS}</widget>')


def page(root_class, root_name, title, subtitle, container, panel_name, panel_w, panel_h, keys,
         plate_name, body=""):
    style = PAGE_STYLE % {"root": root_name, "plate": plate_name}
    plate = (f'<widget class="QFrame" name="{plate_name}">{rect(0, 0, panel_w, panel_h)}</widget>'
             + body)
    panel = (f'<widget class="SelectPanel" name="{panel_name}">'
             f'{size_prop("minimumSize", panel_w, panel_h)}{size_prop("maximumSize", panel_w, panel_h)}'
             f'{plate}{"".join(keys)}</widget>')
    keys_row = (f'<widget class="QWidget" name="{container}">'
                f'<layout class="QHBoxLayout" name="{container}_layout">{margins(0)}'
                f'<item><spacer name="{container}_left"><property name="orientation"><enum>Qt::Horizontal</enum></property></spacer></item>'
                f'<item>{panel}</item>'
                f'<item><spacer name="{container}_right"><property name="orientation"><enum>Qt::Horizontal</enum></property></spacer></item>'
                f'</layout></widget>')
    key_functions = panel_stack("device_key_function_switch", [
        card("CLightControlUI", "LightControlItem", PANEL_MIN_HEIGHT),
        card("CKeySetControlUI", "KeySetControlItem", PANEL_MIN_HEIGHT),
        empty_page("device_key_function_page_2"),
    ])
    first = (f'<widget class="QWidget" name="device_function_page_0">'
             f'<layout class="QVBoxLayout" name="device_function_page_0_layout" stretch="0,1">{margins(0)}'
             f'{prop("spacing", 12, "number")}'
             f'<item>{keys_row}</item><item>{key_functions}</item></layout></widget>')
    functions = panel_stack("device_function_switch", [
        first,
        card("CMacroControlUI", "MacroControlItem", PANEL_MIN_HEIGHT),
        empty_page("device_function_page_2"),
        card("QWidget", "device_function_page_3", PANEL_MIN_HEIGHT),
    ])
    header = (f'<layout class="QHBoxLayout" name="device_page_header" stretch="0,0,1">'
              f'<item><layout class="QVBoxLayout" name="device_page_titles">{prop("spacing", 2, "number")}'
              f'<item><widget class="QLabel" name="device_page_title">{prop("text", title)}{text_id(title)}{font_prop(11)}</widget></item>'
              f'<item><widget class="QLabel" name="device_page_subtitle">{prop("text", subtitle)}{text_id(subtitle)}{font_prop(8)}</widget></item>'
              f'</layout></item>'
              f'<item><spacer name="device_page_header_spacer"><property name="orientation"><enum>Qt::Horizontal</enum></property><property name="sizeHint" stdset="0"><size><width>12</width><height>0</height></size></property></spacer></item>'
              f'<item><widget class="CDeviceProfileUI" name="DeviceProfileItem">{size_prop("minimumSize", 220, 32)}{DPI_LIMITS}</widget></item>'
              f'</layout>')
    hidden = (f'<widget class="QLabel" name="text_test">{prop("visible", "false", "bool")}</widget>')
    return f'''<?xml version="1.0" encoding="UTF-8"?>
<!-- Written by scripts/gen_device_pages.py; edit the script, not this file. -->
<ui version="4.0">
 <class>{root_name}</class>
 <widget class="{root_class}" name="{root_name}">
  {rect(0, 0, PAGE_WIDTH, PAGE_HEIGHT)}
  {prop("styleSheet", style)}
  <layout class="QVBoxLayout" name="{root_name}_layout" stretch="0,1,0">
   {margins(PAGE_MARGIN_X, PAGE_MARGIN_Y)}{prop("spacing", 10, "number")}
   <item>{header}</item>
   <item>{functions}</item>
   <item>{hidden}</item>
  </layout>
 </widget>
 <resources/>
 <connections/>
</ui>
'''


def keyboard_page():
    width = 15 * UNIT + 2 * PAD
    height = 5 * UNIT + 2 * PAD
    assert width <= PAGE_WIDTH - 2 * PAGE_MARGIN_X, f"keyboard is {width} px wide"
    return page("KestravaKeyboardDevice", "keyboard_device", "kb_page_title_text", "kb_page_subtitle_text",
                "keyboard_device_key_light", "device_key_light", width, height, keyboard_keys(),
                "zelik_light")


# The mouse seen from above: (key, legend, x, y, w, h) on a 220 x 300 panel.
MOUSE_KEYS = [
    (0, "L", 40, 20, 66, 100), (1, "R", 114, 20, 66, 100), (2, "M", 96, 48, 28, 44),
    (3, "Back", 0, 150, 40, 36), (4, "Fwd", 0, 110, 40, 36), (5, "DPI+", 180, 110, 40, 36),
    (6, "DPI-", 180, 150, 40, 36), (7, "1", 40, 232, 34, 30), (8, "2", 76, 232, 34, 30),
    (9, "3", 112, 232, 34, 30), (10, "4", 148, 232, 34, 30),
]


def mouse_page():
    keys = [f'<widget class="DeviceKeyButton" name="key_{k}">{rect(x, y, w, h)}{prop("text", t)}'
            f'{prop("userdata", f"light_{k}")}</widget>' for k, t, x, y, w, h in MOUSE_KEYS]
    return page("KestravaMouseDevice", "mouse_device", "ms_page_title_text", "ms_page_subtitle_text",
                "mouse_device_key_light_box", "mouse_device_key_light", 220, 300, keys,
                "zelik_light")


def main():
    root = Path(__file__).resolve().parent.parent / "skin" / "XML" / "DeviceXml"
    root.mkdir(parents=True, exist_ok=True)
    (root / "keyboarddevice.xml").write_text(keyboard_page(), encoding="utf-8")
    (root / "mousedevice.xml").write_text(mouse_page(), encoding="utf-8")


if __name__ == "__main__":
    main()
