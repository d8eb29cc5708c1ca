// CColorSelectWnd ("ColorSelectWnd", layout "PalletDialog.xml"): the modal colour chooser. The
// caller sets the density, the starting colour and whether the seven-colour option is offered,
// runs it, and on 1 reads the result. The user picks from the palette field, twenty preset
// swatches (their colours are the skin's), twenty favourite slots kept in the palette file
// between runs, or by typing red, green and blue.
//
// A palette file that cannot be written is told once through the teller, and the dialog keeps
// working with what it has.
//
// Interface thread only.
#pragma once

#include <QRgb>
#include <QString>
#include <functional>
#include <string>

#include "lighting/palette_store.h"
#include "profiles/json_file_store.h"
#include "ui/window_base.h"

class CColorPaletteUI;

namespace qv::ui {

class CColorSelectWnd : public CWindowBase {
  Q_OBJECT

 public:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 572;
  static constexpr int kCancelled = 0;
  static constexpr int kChosen = 1;
  static constexpr int kNoPalette = 2;

  // The palette file's folders; empty: the user data root and the program's default data.
  explicit CColorSelectWnd(QWidget* owner = nullptr, std::string userFolder = {},
                           std::string defaultFolder = {});

  bool CreatePalette();
  // 48, 72, 96, 120, 144, 168 or 192; anything else traces "SET_WND DPI SET ERROR" and takes 96.
  void SetDpiValue(int dpi);
  void SetColor(QRgb color);
  void ShowSevenColor(bool shown);
  QRgb ResultColor() const { return result_; }
  bool SevenColor() const { return sevenColor_; }
  QRgb CurrentColor() const { return current_; }
  const PaletteState& Palette() const { return palette_.State(); }

  using Teller = std::function<void(const QString& textId)>;
  void SetTeller(Teller teller) { tell_ = std::move(teller); }

 protected:
  void InitWindow() override;
  void Notify(const UiNotify& notify) override;
  void changeEvent(QEvent* event) override;

 private:
  void ChangeSteps();
  void ShowChannels(QRgb color);
  void ReadEdits();
  void ShowColorButton(QRgb color);
  void SelectPreset(int index);
  void SelectFavourite(int index);
  void SetSevenColor(bool on);
  void Saved(PaletteResult result);
  QWidget* Slot(const char* prefix, int index) const;

  JsonFileStore store_;
  PaletteStore palette_{store_};
  std::string userFolder_;
  std::string defaultFolder_;
  CColorPaletteUI* pallet_ = nullptr;
  QRgb current_ = 0xFFFFFFFF;
  QRgb result_ = 0xFFFFFFFF;
  bool sevenColor_ = false;
  int preset_ = kDefaultPresetIndex;
  int favourite_ = kNoFavouriteSlot;
  int dpiValue_ = 96;
  bool writeFailureTold_ = false;
  Teller tell_;
};

// The background colour a palette control shows (kept with the control, as the skin's swatches
// carry theirs), and setting it.
QRgb SwatchColor(const QWidget* control);
void SetSwatchColor(QWidget* control, QRgb color);

}  // namespace qv::ui
