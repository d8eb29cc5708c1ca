#include "ui/font_table.h"

#include <QApplication>
#include <QFontDatabase>
#include <QWidget>

namespace qv::ui {

namespace {

constexpr int kThaiIndex = 15;
constexpr int kSimplifiedIndex = 0;
constexpr int kTraditionalIndex = 2;
const QString kThaiFace = QStringLiteral("Noto Sans Thai");
const QString kSimplifiedFace = QStringLiteral("汉仪菱心体简");
const QString kTraditionalFace = QStringLiteral("Noto Sans CJK TC Regular");
const QString kOtherFace = QStringLiteral("Verdana Unicode MS");

struct TableFont {
  int index;
  int size;
  bool bold = false;
  bool underline = false;
};
constexpr int kDefaultSize = 14;
constexpr TableFont kTable[] = {
    {0, 15},        {1, 14, false, true},
    {2, 18},        {3, 30},
    {4, 16},        {5, 20},
    {6, 22},        {7, 14},
    {8, 12},        {9, 11},
    {10, 10},       {11, 28},
    {50, 18, true},
};

}  // namespace

QString LanguageFace(int languageIndex) {
  switch (languageIndex) {
    case kThaiIndex:
      return kThaiFace;
    case kSimplifiedIndex:
      return kSimplifiedFace;
    case kTraditionalIndex:
      return kTraditionalFace;
    default:
      return kOtherFace;
  }
}

QStringList FaceEquivalents(const QString& face) {
  if (face == kSimplifiedFace) {
    return {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC"),
            QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans")};
  }
  if (face == kTraditionalFace) {
    return {QStringLiteral("Noto Sans CJK TC"), QStringLiteral("Noto Sans TC"),
            QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans")};
  }
  if (face == kThaiFace) {
    return {QStringLiteral("Noto Sans Thai"), QStringLiteral("Noto Looped Thai"),
            QStringLiteral("Noto Sans")};
  }
  return {QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans"),
          QStringLiteral("Liberation Sans")};
}

QString InstalledFamily(const QString& face) {
  if (QFontDatabase::hasFamily(face)) return face;
  for (const QString& family : FaceEquivalents(face)) {
    if (QFontDatabase::hasFamily(family)) return family;
  }
  return QApplication::font().family();
}

bool FontsRebuiltOnChange(int current, int next) {
  if (next == kThaiIndex || next == kSimplifiedIndex || next == kTraditionalIndex) return true;
  // Every other language shares one face: the table only changes when coming from one that
  // has a face of its own, or when there is none yet.
  return current == kThaiIndex || current == kNoLanguage || current == kTraditionalIndex ||
         current == kSimplifiedIndex;
}

void FontTable::Build(const QString& face) {
  ++generation_;
  fonts_.clear();
  face_ = face;
  family_ = InstalledFamily(face);
  auto make = [this](int size, bool bold, bool underline) {
    QFont font(family_);
    font.setPixelSize(size);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
  };
  default_ = make(kDefaultSize, false, false);
  for (const TableFont& f : kTable) fonts_.insert(f.index, make(f.size, f.bold, f.underline));
}

QFont FontTable::Font(int index) const {
  return fonts_.value(index, default_);
}

void FontTable::Apply(QWidget* window) const {
  if (!window || Empty()) return;
  // Only the family passes down: layouts keep the sizes they were drawn with.
  QFont inherited = window->font();
  inherited.setFamily(family_);
  window->setFont(inherited);
  for (QWidget* control : window->findChildren<QWidget*>()) {
    const QVariant index = control->property(kFontProperty);
    if (index.isValid()) control->setFont(Font(index.toInt()));
  }
}

}  // namespace qv::ui
