#include "ui/file_dialogs.h"

#include <QFileDialog>

namespace qv::ui {

FileDialog OpenFileDialog() {
  return [](QWidget* owner, const QString& filter) {
    return QFileDialog::getOpenFileName(owner, QString(), QString(), filter);
  };
}

FileDialog SaveFileDialog(const QString& extension) {
  return [extension](QWidget* owner, const QString& filter) {
    QString path = QFileDialog::getSaveFileName(owner, QString(), QString(), filter);
    if (!path.isEmpty() && !path.endsWith(extension, Qt::CaseInsensitive)) path += extension;
    return path;
  };
}

}  // namespace qv::ui
