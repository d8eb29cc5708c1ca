#include "ui/app_fonts.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>

namespace qv::ui {

bool FontResource::Load(const QString& installFolder) {
  QFile file(QDir(installFolder).filePath(relativePath));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray data = file.readAll();
  file.close();
  id = QFontDatabase::addApplicationFontFromData(data);
  return id >= 0;
}

void FontResource::Unload() {
  if (id < 0) return;
  QFontDatabase::removeApplicationFont(id);
  id = -1;
}

AppFonts::AppFonts()
    : fonts_{{{QStringLiteral("Font/Simplified_Chinese.ttf")},
              {QStringLiteral("Font/Corvella-Regular.otf")},
              {QStringLiteral("Font/NotoSansThai-Regular.ttf")},
              {QStringLiteral("Font/NotoSansCJKtc-Regular.otf")}}} {}

int AppFonts::Load(const QString& installFolder) {
  int loaded = 0;
  for (FontResource& font : fonts_) {
    if (font.Load(installFolder)) ++loaded;
  }
  return loaded;
}

void AppFonts::Unload() {
  for (auto it = fonts_.rbegin(); it != fonts_.rend(); ++it) it->Unload();
}

}  // namespace qv::ui
