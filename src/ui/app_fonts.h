// The program's private fonts, loaded from the "Font" folder of the installation folder
// (UiResources::InstallFolder()) for the whole run. Each file is read whole and registered with the
// application's font database; a file that is missing or not a font is skipped without a message.
// Unload() removes them in the reverse order. Needs a QGuiApplication; interface thread only.
#pragma once

#include <QString>
#include <array>

namespace qv::ui {

struct FontResource {
  QString relativePath;
  int id = -1;  // the font database's id, -1 until loaded

  // True when the font was registered.
  bool Load(const QString& installFolder);
  void Unload();
};

class AppFonts {
 public:
  AppFonts();
  ~AppFonts() { Unload(); }
  AppFonts(const AppFonts&) = delete;
  AppFonts& operator=(const AppFonts&) = delete;

  // Number of fonts registered.
  int Load(const QString& installFolder);
  void Unload();
  const std::array<FontResource, 4>& Fonts() const { return fonts_; }

 private:
  std::array<FontResource, 4> fonts_;
};

}  // namespace qv::ui
