// CRedioMacroButtonUI ("RedioMacroButton"): the macro panel's record and stop buttons. Besides
// the button's own attributes it keeps "redioimage", the image the button shows while it
// records. It does not animate: a pulsing button would repaint twenty times a second for as long
// as a recording lasts.
//
// In the global namespace: the meta-object class name is what layouts and look-ups compare.
// Interface thread only.
#pragma once

#include <QPushButton>
#include <QString>

class CRedioMacroButtonUI : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(QString redioimage READ RedioImage WRITE SetRedioImage)

 public:
  explicit CRedioMacroButtonUI(QWidget* parent = nullptr) : QPushButton(parent) {}

  static QString ClassName() { return QStringLiteral("RedioMacroButton"); }
  QString RedioImage() const { return redioImage_; }
  void SetRedioImage(const QString& image) { redioImage_ = image; }

 private:
  QString redioImage_;
};
