#include "lighting/ui/color_select_wnd.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLineEdit>

#include "lighting/ui/color_palette.h"
#include "platform/trace.h"
#include "profiles/data_folders.h"
#include "ui/control_ops.h"
#include "ui/msg_wnd.h"

namespace qv::ui {
namespace {

const QString kPresetPrefix = QStringLiteral("color_option_");
const QString kFavouritePrefix = QStringLiteral("collect_color_option_");
const QString kSevenColorImage = QStringLiteral("common/base1.png");

// The swatch number of a control named prefix + n; -1 for another name.
int SlotNumber(const QString& name, const QString& prefix) {
  if (!name.startsWith(prefix)) return -1;
  bool ok = false;
  const int n = name.mid(prefix.size()).toInt(&ok);
  return ok && n >= 0 && n < kPaletteSlotCount ? n : -1;
}

int Channel(QRgb color, int shift) {
  return static_cast<int>((color >> shift) & 0xFF);
}

}  // namespace

QRgb SwatchColor(const QWidget* control) {
  if (!control) return 0xFFFFFFFF;
  bool ok = false;
  const uint value = control->property("color").toString().toUInt(&ok, 16);
  return ok ? static_cast<QRgb>(value) : 0xFFFFFFFF;
}

void SetSwatchColor(QWidget* control, QRgb color) {
  if (!control || control->objectName().isEmpty()) return;
  control->setProperty("color", QString::fromStdString(ColourText(color)));
  // Scoped by name, and for both states, so that a selected slot keeps its colour too.
  control->setStyleSheet(QStringLiteral("#%1, #%1:checked { background: #%2; }")
                             .arg(control->objectName())
                             .arg(color & 0xFFFFFF, 6, 16, QLatin1Char('0')));
}

CColorSelectWnd::CColorSelectWnd(QWidget* owner, std::string userFolder, std::string defaultFolder)
    : CWindowBase(owner),
      userFolder_(userFolder.empty() ? UserDataRoot() : std::move(userFolder)),
      defaultFolder_(defaultFolder.empty() ? DefaultDataFolder() : std::move(defaultFolder)) {
  setObjectName(QStringLiteral("PalletDialog"));
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_DeleteOnClose, false);
}

bool CColorSelectWnd::CreatePalette() {
  if (!Create(QStringLiteral("PalletDialog.xml"), QStringLiteral("PalletDialog"),
              QSize(kWidth, kHeight))) {
    return false;
  }
  CenterWindow();
  return true;
}

QWidget* CColorSelectWnd::Slot(const char* prefix, int index) const {
  return FindControl(QString::fromLatin1(prefix) + QString::number(index));
}

void CColorSelectWnd::InitWindow() {
  pallet_ = qobject_cast<CColorPaletteUI*>(FindControl(QStringLiteral("Pallet")));
  Saved(palette_.Load(userFolder_, defaultFolder_));
  SetSevenColor(false);
  const FavouriteSlots& slots = palette_.State().favourites;
  for (int i = 0; i < kPaletteSlotCount; ++i) {
    QWidget* slot = Slot("collect_color_option_", i);
    if (!slot) continue;
    SetSwatchColor(slot, slots[i].filled ? slots[i].colour : kPaletteBlankColour);
    slot->setProperty("userdata", slots[i].filled ? QStringLiteral("1") : QString());
    slot->setProperty("filled", slots[i].filled);
    SetSelected(slot, false);  // none current after opening
  }
  for (const char* name : {"color_edit_r", "color_edit_g", "color_edit_b"}) {
    SetNumberOnly(FindControl(QString::fromLatin1(name)), true);
    SetMaxChar(FindControl(QString::fromLatin1(name)), 3);
  }
}

void CColorSelectWnd::SetDpiValue(int dpi) {
  if (!IsKnownDpiValue(dpi)) {
    TraceText("SET_WND DPI SET ERROR");
    dpi = 96;
  }
  dpiValue_ = dpi;
  SetDpi(dpi * 100 / 96);
}

void CColorSelectWnd::SetColor(QRgb color) {
  current_ = color;
  QWidget* show = FindControl(QStringLiteral("color_show_btn"));
  SetSwatchColor(show, color);
  if (pallet_) pallet_->SelectColor(color);
  ShowChannels(color);
}

void CColorSelectWnd::ShowSevenColor(bool shown) {
  SetVisible(FindControl(QStringLiteral("7color_layout")), shown);
  SetEnabled(FindControl(QStringLiteral("7color")), shown);
  if (!shown) SetSevenColor(false);
}

void CColorSelectWnd::ShowChannels(QRgb color) {
  SetText(FindControl(QStringLiteral("color_edit_r")), QString::number(Channel(color, 16)));
  SetText(FindControl(QStringLiteral("color_edit_g")), QString::number(Channel(color, 8)));
  SetText(FindControl(QStringLiteral("color_edit_b")), QString::number(Channel(color, 0)));
}

void CColorSelectWnd::ShowColorButton(QRgb color) {
  QWidget* show = FindControl(QStringLiteral("color_show_btn"));
  SetSwatchColor(show, color);
}

void CColorSelectWnd::SetSevenColor(bool on) {
  sevenColor_ = on;
  if (auto* option = qobject_cast<QAbstractButton*>(FindControl(QStringLiteral("7color")))) {
    const QSignalBlocker quiet(option);
    option->setChecked(on);
  }
  QWidget* show = FindControl(QStringLiteral("color_show_btn"));
  if (!show) return;
  if (on) {
    SetBkImage(show, kSevenColorImage);
  } else {
    SetSwatchColor(show, current_);
  }
}

void CColorSelectWnd::Saved(PaletteResult result) {
  if (result != PaletteResult::kWriteFailed || writeFailureTold_) return;
  writeFailureTold_ = true;  // once per opening: every further pick would fail the same way
  if (tell_) tell_(QStringLiteral("palette_write_failed_text"));
}

void CColorSelectWnd::ChangeSteps() {
  QWidget* slot = favourite_ >= 0 ? Slot("collect_color_option_", favourite_) : nullptr;
  if (slot && IsSelected(slot)) {
    FavouriteSlots slots = palette_.State().favourites;
    FillCurrentFavourite(slots, favourite_, true, current_);
    SetSwatchColor(slot, current_);
    slot->setProperty("userdata", QStringLiteral("1"));
    slot->setProperty("filled", true);
    Saved(palette_.SaveFavourites(slots, favourite_));
  }
  ShowColorButton(current_);
  SetSevenColor(false);
}

void CColorSelectWnd::ReadEdits() {
  int channels[3] = {0, 0, 0};
  const char* names[3] = {"color_edit_r", "color_edit_g", "color_edit_b"};
  for (int i = 0; i < 3; ++i) {
    QWidget* edit = FindControl(QString::fromLatin1(names[i]));
    const QString text = Text(edit).trimmed();
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    channels[i] = !ok || value < 0 ? 0 : value > 255 ? 255 : static_cast<int>(value);
    if (text != QString::number(channels[i])) SetText(edit, QString::number(channels[i]));
  }
  current_ = 0xFF000000u | static_cast<QRgb>(channels[0] << 16 | channels[1] << 8 | channels[2]);
  if (pallet_) pallet_->SelectColor(current_);
  ChangeSteps();
}

void CColorSelectWnd::SelectPreset(int index) {
  preset_ = index;
  PresetColours colours = palette_.State().presets;
  for (int i = 0; i < kPaletteSlotCount; ++i) {
    if (QWidget* swatch = Slot("color_option_", i)) colours[i] = SwatchColor(swatch);
  }
  Saved(palette_.SavePresets(colours, index));
  current_ = colours[index];
  if (pallet_) pallet_->SelectColor(current_);
  ChangeSteps();
  ShowChannels(current_);
}

void CColorSelectWnd::SelectFavourite(int index) {
  favourite_ = index;
  const std::optional<uint32_t> colour = FavouriteSlotColour(palette_.State().favourites, index);
  if (!colour) return;  // an empty slot waits for the next colour
  Saved(palette_.SaveFavourites(palette_.State().favourites, index));
  current_ = *colour;
  ShowColorButton(current_);
  SetSevenColor(false);
  if (pallet_) pallet_->SelectColor(current_);
  ShowChannels(current_);
}

void CColorSelectWnd::Notify(const UiNotify& notify) {
  if (!notify.sender) return;
  const QString name = notify.sender->objectName();
  if (notify.type == QLatin1String("colorchanged") && notify.sender == pallet_) {
    current_ = pallet_->Color();
    ChangeSteps();
    ShowChannels(current_);
  } else if (notify.type == QLatin1String("killfocus") &&
             (name == QLatin1String("color_edit_r") || name == QLatin1String("color_edit_g") ||
              name == QLatin1String("color_edit_b"))) {
    ReadEdits();
  } else if (notify.type == QLatin1String("selectchanged")) {
    if (name == QLatin1String("7color")) {
      SetSevenColor(IsSelected(notify.sender));
    } else if (const int preset = SlotNumber(name, kPresetPrefix);
               preset >= 0 && IsSelected(notify.sender)) {
      SelectPreset(preset);
    } else if (const int slot = SlotNumber(name, kFavouritePrefix);
               slot >= 0 && IsSelected(notify.sender)) {
      SelectFavourite(slot);
    }
  } else if (notify.type == QLatin1String("click")) {
    if (name == QLatin1String("okbtn")) {
      if (!pallet_) {
        Close(kNoPalette);
        return;
      }
      result_ = SwatchColor(FindControl(QStringLiteral("color_show_btn")));
      Close(kChosen);
    } else if (name == QLatin1String("closebtn") || name == QLatin1String("laterbtn")) {
      Close(kCancelled);
    } else if (name == QLatin1String("minbtn")) {
      showMinimized();
    } else if (name == QLatin1String("maxbtn")) {
      showMaximized();
    } else if (name == QLatin1String("restorebtn")) {
      showNormal();
    }
  }
}

void CColorSelectWnd::changeEvent(QEvent* event) {
  CWindowBase::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const bool maximised = isMaximized();
  SetVisible(FindControl(QStringLiteral("maxbtn")), !maximised);
  SetVisible(FindControl(QStringLiteral("restorebtn")), maximised);
}

}  // namespace qv::ui
