#include "ui/control_factory.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include "platform/qt/log.h"
#include "ui/language.h"
#include "ui/ui_resources.h"

namespace qv::ui {

ControlFactory& ControlFactory::Instance() {
  static ControlFactory factory;
  return factory;
}

void ControlFactory::Register(const QString& className, ControlCreator creator) {
  for (Entry& entry : entries_) {
    if (entry.name == className) {
      entry.creator = std::move(creator);
      return;
    }
  }
  entries_.push_back({className, std::move(creator)});
}

bool ControlFactory::IsRegistered(const QString& className) const {
  for (const Entry& entry : entries_) {
    if (entry.name == className) return true;
  }
  return false;
}

QWidget* ControlFactory::Create(const QString& className, QWidget* parent) const {
  for (const Entry& entry : entries_) {
    if (entry.name == className) return entry.creator(parent);
  }
  return nullptr;
}

QStringList ControlFactory::Names() const {
  QStringList names;
  for (const Entry& entry : entries_) names << entry.name;
  return names;
}

void ControlFactory::Clear() {
  entries_.clear();
}

LayoutLoader::LayoutLoader(CreateControlCallback callback, QObject* parent)
    : QUiLoader(parent), callback_(std::move(callback)) {}

QWidget* LayoutLoader::createWidget(const QString& className, QWidget* parent,
                                    const QString& name) {
  QWidget* widget = ControlFactory::Instance().Create(className, parent);
  if (!widget && callback_) widget = callback_(className, parent);
  if (!widget) return QUiLoader::createWidget(className, parent, name);
  widget->setObjectName(name);
  return widget;
}

QWidget* LoadLayout(const QString& layoutName, QWidget* parent,
                    const CreateControlCallback& callback) {
  const QString path = UiResources::ResolvePath(layoutName);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    qCWarning(lcUi) << "layout missing:" << layoutName << path;
    return nullptr;
  }
  LayoutLoader loader(callback);
  // Images in a layout are named relative to the skin folder.
  loader.setWorkingDirectory(QDir(UiResources::SkinFolder()));
  QWidget* root = loader.load(&file, parent);
  if (!root) {
    qCWarning(lcUi) << "layout unreadable:" << layoutName << loader.errorString();
    return nullptr;
  }
  // Controls the layout marks with a text id show the loaded language's text.
  CResourceManager::ReloadText(root);
  return root;
}

}  // namespace qv::ui
