#include "ui/ui_resources.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include "platform/qt/log.h"
#include "profiles/data_folders.h"

namespace qv::ui {

QString& UiResources::folder() {
  static QString value;
  return value;
}

QHash<QString, QString>& UiResources::map() {
  static QHash<QString, QString> value;
  return value;
}

void UiResources::SetInstallFolder(const QString& folderPath) {
  folder() = folderPath;
}

QString UiResources::InstallFolder() {
  if (!folder().isEmpty()) return folder();
  // The same folder the data files come from: beside the program in a build tree,
  // <prefix>/share/qv5307/ in an installed copy.
  return QDir::cleanPath(QString::fromStdString(qv::InstallFolder()));
}

QString UiResources::SkinFolder() {
  return QDir(InstallFolder()).filePath(QStringLiteral("skin")) + '/';
}

static QString NormaliseRelative(QString name) {
  name.replace('\\', '/');
  return name;
}

bool UiResources::LoadResourceMap(const QString& fileName) {
  map().clear();
  // Style sheets name skin images as "skin:common/...", wherever the program runs from.
  QDir::setSearchPaths(QStringLiteral("skin"), {SkinFolder()});
  QFile file(SkinFolder() + fileName);
  if (!file.open(QIODevice::ReadOnly)) {
    qCDebug(lcUi) << "resource map missing:" << file.fileName();
    return false;
  }
  QXmlStreamReader xml(&file);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() != QLatin1String("Layout")) continue;
    const QString name = xml.attributes().value(QLatin1String("name")).toString();
    const QString path = xml.attributes().value(QLatin1String("file")).toString();
    if (!name.isEmpty() && !path.isEmpty()) map().insert(name, NormaliseRelative(path));
  }
  if (xml.hasError()) {
    qCDebug(lcUi) << "resource map unreadable:" << file.fileName() << xml.errorString();
    map().clear();
    return false;
  }
  return true;
}

void UiResources::Release() {
  map().clear();
  folder().clear();
}

QString UiResources::ResolvePath(const QString& name) {
  const auto it = map().constFind(name);
  const QString relative = it != map().constEnd() ? *it : NormaliseRelative(name);
  if (QDir::isAbsolutePath(relative)) return relative;
  return SkinFolder() + relative;
}

}  // namespace qv::ui
