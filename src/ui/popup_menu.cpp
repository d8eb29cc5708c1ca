#include "ui/popup_menu.h"

#include <QAction>
#include <QDebug>
#include <QFile>
#include <QMenu>
#include <QXmlStreamReader>

#include "ui/ui_resources.h"

namespace qv::ui {

std::unique_ptr<QMenu> LoadMenu(const QString& menuName, QWidget* parent) {
  QFile file(UiResources::ResolvePath(menuName));
  if (!file.open(QIODevice::ReadOnly)) {
    qDebug() << "menu missing:" << menuName;
    return nullptr;
  }
  auto menu = std::make_unique<QMenu>(parent);
  menu->setObjectName(menuName);
  QList<QMenu*> open{menu.get()};
  // A MenuElement with children becomes a sub-menu; it is known only once a child appears, so
  // the element is first added as an action and turned into a sub-menu on its first child.
  QList<QAction*> pending;
  QXmlStreamReader xml(&file);
  while (!xml.atEnd()) {
    const auto token = xml.readNext();
    if (token == QXmlStreamReader::StartElement) {
      if (xml.name() == QLatin1String("Separator")) {
        open.last()->addSeparator();
        pending.append(nullptr);
        continue;
      }
      if (xml.name() != QLatin1String("MenuElement")) continue;
      if (!pending.isEmpty() && pending.last()) {
        QAction* parentItem = pending.last();
        auto* sub = new QMenu(parentItem->text(), open.last());
        sub->setObjectName(parentItem->objectName());
        open.last()->insertMenu(parentItem, sub);
        open.last()->removeAction(parentItem);
        delete parentItem;
        pending.last() = nullptr;
        open.append(sub);
      }
      const auto attributes = xml.attributes();
      QAction* action = open.last()->addAction(attributes.value(QLatin1String("text")).toString());
      action->setObjectName(attributes.value(QLatin1String("name")).toString());
      if (attributes.value(QLatin1String("checkable")) == QLatin1String("true")) {
        action->setCheckable(true);
      }
      pending.append(action);
    } else if (token == QXmlStreamReader::EndElement) {
      if (xml.name() == QLatin1String("Separator")) {
        pending.removeLast();
      } else if (xml.name() == QLatin1String("MenuElement")) {
        // An element whose entry was turned into a sub-menu closes that sub-menu.
        if (!pending.last() && open.size() > 1) open.removeLast();
        pending.removeLast();
      }
    }
  }
  if (xml.hasError()) {
    qDebug() << "menu unreadable:" << menuName << xml.errorString();
    return nullptr;
  }
  return menu;
}

QPoint MenuTopLeft(QPoint anchor, QSize size, int align) {
  QPoint topLeft = anchor;
  if (align & kMenuAlignRight) topLeft.rx() -= size.width();
  if (align & kMenuAlignBottom) topLeft.ry() -= size.height();
  return topLeft;
}

}  // namespace qv::ui
