// The main window's fonts by language: the face each language index takes, the numbered font
// table built with it, and when a language change rebuilds the table.
//
// The faces the languages name are those of another platform; each is shown with the first
// installed family of its list of equivalents (the font database asks fontconfig), Noto
// families first, and the desktop's default family when none is installed.
//
// A control asks for a font of the table with the dynamic property "qv_font" (its number);
// Apply() gives the window the default font and every such control its own.
// Interface thread only.
#pragma once

#include <QFont>
#include <QMap>
#include <QString>
#include <QStringList>

class QWidget;

namespace qv::ui {

inline constexpr char kFontProperty[] = "qv_font";
inline constexpr int kNoLanguage = -1;

// The face named for a language index.
QString LanguageFace(int languageIndex);
// The installed families that stand in for `face`, best first (not checked for presence).
QStringList FaceEquivalents(const QString& face);
// The first installed one; the application's default family when none is.
QString InstalledFamily(const QString& face);
// True when applying `next` after `current` rebuilds the font table.
bool FontsRebuiltOnChange(int current, int next);

class FontTable {
 public:
  // Removes every font and adds the table in `face` (mapped to an installed family).
  void Build(const QString& face);
  bool Empty() const { return fonts_.isEmpty(); }
  QString Face() const { return face_; }
  QString Family() const { return family_; }
  // Font `index` of the table, the default font for an unknown index.
  QFont Font(int index) const;
  QFont DefaultFont() const { return default_; }
  QList<int> Indices() const { return fonts_.keys(); }
  // Counts the builds, so that a change that keeps the table can be told from one that rebuilt it.
  int Generation() const { return generation_; }
  // The window takes the default font, and each control below it with "qv_font" its font.
  void Apply(QWidget* window) const;

 private:
  QString face_;
  QString family_;
  QFont default_;
  QMap<int, QFont> fonts_;
  int generation_ = 0;
};

}  // namespace qv::ui
