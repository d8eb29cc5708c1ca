// Control look-up by name and the control operations the windows and panels use, as thin
// helpers over Qt's widgets so that callers need not know which widget class a layout chose.
// Each operation returns false (or a neutral value) when the control is null or of a kind the
// operation does not apply to. Interface thread only; controls stay owned by their parents.
#pragma once

#include <QRgb>
#include <QString>
#include <QWidget>

namespace qv::ui {

// First control below (or equal to) `root` whose object name is `name`.
QWidget* FindControl(const QWidget* root, const QString& name);
template <typename T>
T* FindControlAs(const QWidget* root, const QString& name) {
  return qobject_cast<T*>(FindControl(root, name));
}
// Rows of like controls: prefix + decimal index ("DPI_slider_" + 2 -> "DPI_slider_2").
QString RowName(const QString& prefix, int index);
QWidget* FindRowControl(const QWidget* root, const QString& prefix, int index);

// Labels, buttons, edits, group boxes, editable combos; a window's title. On a resource-text
// control (language.h) `text` is a text id and the control shows its text.
bool SetText(QWidget* control, const QString& text);
// Shows `text` as it is, whatever the control is marked as.
bool ShowText(QWidget* control, const QString& text);
QString Text(const QWidget* control);

bool SetVisible(QWidget* control, bool visible);
bool IsVisible(const QWidget* control);  // the control's own flag, not its parents'
bool SetEnabled(QWidget* control, bool enabled);

// Options (checkable buttons).
bool SetSelected(QWidget* option, bool selected);
bool IsSelected(const QWidget* option);
// Options sharing a group name in one window are exclusive; an empty name leaves every group.
bool SetGroup(QWidget* option, const QString& group);

// Sliders, spin boxes and progress bars.
bool SetValue(QWidget* control, int value);
int Value(const QWidget* control);
bool SetRange(QWidget* control, int minimum, int maximum);

// Combo boxes, lists, tab layouts (stacked and tab widgets): the selected index (-1 for none).
bool SelectItem(QWidget* control, int index);
int CurSel(const QWidget* control);

// Line edits.
bool SetMaxChar(QWidget* edit, int maxLength);
bool SetNumberOnly(QWidget* edit, bool numberOnly);
bool SetNumberRange(QWidget* edit, int minimum, int maximum);

// Containers: a widget with a box layout (one is made when missing) or a stacked widget. Added
// controls are taken over by the container and join its window's notifications. Removing
// detaches the control at once and deletes it when control returns to the event loop, so a
// control may remove itself from its own notification.
bool AddControl(QWidget* container, QWidget* control, int index = -1);
bool RemoveControl(QWidget* container, QWidget* control);
void RemoveAllControls(QWidget* container);
int ControlCount(const QWidget* container);

// Background colour (0xAARRGGBB) and image (a skin file, stretched over the control).
bool SetBkColor(QWidget* control, QRgb argb);
bool SetBkImage(QWidget* control, const QString& skinFile);

}  // namespace qv::ui
