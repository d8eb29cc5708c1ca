#include "ui/popup_menu.h"

#include <QAction>
#include <QDebug>
#include <QFile>
#include <QMenu>
#include <QXmlStreamReader>

#include "platform/qt/log.h"
#include "ui/language.h"
#include "ui/ui_resources.h"

namespace qv::ui {

QString MenuStyle() {
  // The windows' dark theme; sub-menus take it from their parent.
  return QStringLiteral(
      "QMenu { background: #16181f; color: #e6e8ee; border: 1px solid #2c313d; padding: 5px; }"
      "QMenu::item { padding: 6px 26px 6px 14px; border-radius: 5px; }"
      "QMenu::item:selected { background: #e8384f; color: #ffffff; }"
      "QMenu::item:disabled { color: #5d6373; }"
      "QMenu::separator { height: 1px; background: #2c313d; margin: 5px 8px; }"
      "QMenu::right-arrow { width: 8px; height: 8px; }");
}

std::unique_ptr<QMenu> LoadMenu(const QString& menuName, QWidget* parent) {
  QFile file(UiResources::ResolvePath(menuName));
  if (!file.open(QIODevice::ReadOnly)) {
    qCDebug(lcUi) << "menu missing:" << menuName;
    return nullptr;
  }
  auto menu = std::make_unique<QMenu>(parent);
  menu->setObjectName(menuName);
  menu->setStyleSheet(MenuStyle());
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
        sub->menuAction()->setProperty(kTextIdProperty, parentItem->property(kTextIdProperty));
        open.last()->insertMenu(parentItem, sub);
        open.last()->removeAction(parentItem);
        delete parentItem;
        pending.last() = nullptr;
        open.append(sub);
      }
      const auto attributes = xml.attributes();
      // "textid" names the item's text in the loaded language; "text" is shown as it is.
      const QString textId = attributes.value(QLatin1String("textid")).toString();
      QAction* action = open.last()->addAction(
          textId.isEmpty() ? attributes.value(QLatin1String("text")).toString()
                           : CResourceManager::Text(textId));
      if (!textId.isEmpty()) action->setProperty(kTextIdProperty, textId);
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
    qCDebug(lcUi) << "menu unreadable:" << menuName << xml.errorString();
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
