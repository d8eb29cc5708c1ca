// Pop-up menus described in a skin file, and their placement.
//
// A menu file ("menu.xml", "XML/Menus/macro_action_menu.xml") looks like
//   <Menu>
//     <MenuElement name="about_menu" textid="about_menu_text"/>   (or text="About", shown as is)
//     <Separator/>
//     <MenuElement name="sub" text="More"> <MenuElement name="x" text="X" checkable="true"/>
//     </MenuElement> <MenuElement name="exit" text="Exit"/>
//   </Menu>
// Each item becomes a QAction whose object name is the item name, which is what menu commands
// are routed by. Interface thread only.
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <memory>

class QMenu;
class QWidget;

namespace qv::ui {

// The style sheet of the program's menus (dark, as the windows).
QString MenuStyle();

// nullptr when the file is missing or malformed; the menu takes MenuStyle().
std::unique_ptr<QMenu> LoadMenu(const QString& menuName, QWidget* parent = nullptr);

// Alignment flags of a menu relative to its anchor point; they add up (left-top is 6).
enum MenuAlign {
  kMenuAlignLeft = 2,
  kMenuAlignTop = 4,
  kMenuAlignRight = 8,
  kMenuAlignBottom = 16
};

// Top-left corner of a menu of `size` anchored at `anchor`: "left" puts the menu's left edge at
// the anchor, "right" its right edge, "top" its top edge, "bottom" its bottom edge.
QPoint MenuTopLeft(QPoint anchor, QSize size, int align);

}  // namespace qv::ui
