#include "ui/control_ops.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>

#include "ui/language.h"
#include "ui/notify_adapter.h"
#include "ui/ui_resources.h"

namespace qv::ui {

QWidget* FindControl(const QWidget* root, const QString& name) {
  if (!root || name.isEmpty()) return nullptr;
  if (root->objectName() == name) return const_cast<QWidget*>(root);
  return root->findChild<QWidget*>(name);
}

QString RowName(const QString& prefix, int index) {
  return prefix + QString::number(index);
}

QWidget* FindRowControl(const QWidget* root, const QString& prefix, int index) {
  return FindControl(root, RowName(prefix, index));
}

bool SetText(QWidget* control, const QString& text) {
  // A resource-text control takes a text id and shows the loaded language's text of it.
  if (control && control->property(kTextIdProperty).isValid()) {
    control->setProperty(kTextIdProperty, text);
    return ShowText(control, CResourceManager::Text(text));
  }
  return ShowText(control, text);
}

bool ShowText(QWidget* control, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(text);
  } else if (auto* textEdit = qobject_cast<QTextEdit*>(control)) {
    textEdit->setPlainText(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
    plain->setPlainText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
    group->setTitle(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable()) {
    combo->setEditText(text);
  } else if (control && control->isWindow()) {
    control->setWindowTitle(text);
  } else {
    return false;
  }
  return true;
}

QString Text(const QWidget* control) {
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (auto* textEdit = qobject_cast<const QTextEdit*>(control)) return textEdit->toPlainText();
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(control)) return plain->toPlainText();
  if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
  if (auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentText();
  if (control && control->isWindow()) return control->windowTitle();
  return {};
}

bool SetVisible(QWidget* control, bool visible) {
  if (!control) return false;
  control->setVisible(visible);
  return true;
}

bool IsVisible(const QWidget* control) {
  return control && !control->isHidden();
}

bool SetEnabled(QWidget* control, bool enabled) {
  if (!control) return false;
  control->setEnabled(enabled);
  return true;
}

bool SetSelected(QWidget* option, bool selected) {
  auto* button = qobject_cast<QAbstractButton*>(option);
  if (!button) return false;
  button->setCheckable(true);
  button->setChecked(selected);
  return true;
}

bool IsSelected(const QWidget* option) {
  auto* button = qobject_cast<const QAbstractButton*>(option);
  return button && button->isChecked();
}

bool SetGroup(QWidget* option, const QString& group) {
  auto* button = qobject_cast<QAbstractButton*>(option);
  if (!button) return false;
  button->setCheckable(true);
  if (QButtonGroup* old = button->group()) old->removeButton(button);
  if (group.isEmpty()) return true;
  QWidget* window = button->window();
  const QString groupName = QStringLiteral("qv_group_") + group;
  auto* buttons = window->findChild<QButtonGroup*>(groupName, Qt::FindDirectChildrenOnly);
  if (!buttons) {
    buttons = new QButtonGroup(window);
    buttons->setObjectName(groupName);
    buttons->setExclusive(true);
  }
  buttons->addButton(button);
  return true;
}

bool SetValue(QWidget* control, int value) {
  if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
    slider->setValue(value);
  } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
    spin->setValue(value);
  } else if (auto* progress = qobject_cast<QProgressBar*>(control)) {
    progress->setValue(value);
  } else {
    return false;
  }
  return true;
}

int Value(const QWidget* control) {
  if (auto* slider = qobject_cast<const QAbstractSlider*>(control)) return slider->value();
  if (auto* spin = qobject_cast<const QSpinBox*>(control)) return spin->value();
  if (auto* progress = qobject_cast<const QProgressBar*>(control)) return progress->value();
  return 0;
}

bool SetRange(QWidget* control, int minimum, int maximum) {
  if (minimum > maximum) return false;
  if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
    slider->setRange(minimum, maximum);
  } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
    spin->setRange(minimum, maximum);
  } else if (auto* progress = qobject_cast<QProgressBar*>(control)) {
    progress->setRange(minimum, maximum);
  } else {
    return false;
  }
  return true;
}

bool SelectItem(QWidget* control, int index) {
  if (auto* combo = qobject_cast<QComboBox*>(control)) {
    if (index < -1 || index >= combo->count()) return false;
    combo->setCurrentIndex(index);
  } else if (auto* list = qobject_cast<QListWidget*>(control)) {
    if (index < -1 || index >= list->count()) return false;
    list->setCurrentRow(index);
  } else if (auto* stack = qobject_cast<QStackedWidget*>(control)) {
    if (index < 0 || index >= stack->count()) return false;
    stack->setCurrentIndex(index);
  } else if (auto* tabs = qobject_cast<QTabWidget*>(control)) {
    if (index < 0 || index >= tabs->count()) return false;
    tabs->setCurrentIndex(index);
  } else {
    return false;
  }
  return true;
}

int CurSel(const QWidget* control) {
  if (auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentIndex();
  if (auto* list = qobject_cast<const QListWidget*>(control)) return list->currentRow();
  if (auto* stack = qobject_cast<const QStackedWidget*>(control)) return stack->currentIndex();
  if (auto* tabs = qobject_cast<const QTabWidget*>(control)) return tabs->currentIndex();
  return -1;
}

bool SetMaxChar(QWidget* edit, int maxLength) {
  auto* line = qobject_cast<QLineEdit*>(edit);
  if (!line || maxLength < 0) return false;
  line->setMaxLength(maxLength);
  return true;
}

bool SetNumberOnly(QWidget* edit, bool numberOnly) {
  auto* line = qobject_cast<QLineEdit*>(edit);
  if (!line) return false;
  delete line->validator();
  line->setValidator(numberOnly ? new QRegularExpressionValidator(
                                      QRegularExpression(QStringLiteral("[0-9]*")), line)
                                : nullptr);
  return true;
}

bool SetNumberRange(QWidget* edit, int minimum, int maximum) {
  auto* line = qobject_cast<QLineEdit*>(edit);
  if (!line || minimum > maximum) return false;
  delete line->validator();
  line->setValidator(new QIntValidator(minimum, maximum, line));
  return true;
}

bool AddControl(QWidget* container, QWidget* control, int index) {
  if (!container || !control) return false;
  if (auto* stack = qobject_cast<QStackedWidget*>(container)) {
    stack->insertWidget(index < 0 ? stack->count() : index, control);
  } else {
    auto* box = qobject_cast<QBoxLayout*>(container->layout());
    if (!box && container->layout()) return false;
    if (!box) {
      box = new QVBoxLayout(container);
      box->setContentsMargins(0, 0, 0, 0);
      box->setSpacing(0);
    }
    box->insertWidget(index, control);
  }
  if (NotifyAdapter* adapter = NotifyAdapter::For(container)) adapter->Attach(control);
  return true;
}

bool RemoveControl(QWidget* container, QWidget* control) {
  if (!container || !control || control->parentWidget() != container) return false;
  control->hide();
  if (auto* stack = qobject_cast<QStackedWidget*>(container)) {
    stack->removeWidget(control);
  } else if (container->layout()) {
    container->layout()->removeWidget(control);
  }
  control->setParent(nullptr);
  control->deleteLater();
  return true;
}

void RemoveAllControls(QWidget* container) {
  if (!container) return;
  const QList<QWidget*> children =
      container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  for (QWidget* child : children) RemoveControl(container, child);
}

int ControlCount(const QWidget* container) {
  if (!container) return 0;
  if (auto* stack = qobject_cast<const QStackedWidget*>(container)) return stack->count();
  return static_cast<int>(
      container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size());
}

bool SetBkColor(QWidget* control, QRgb argb) {
  if (!control) return false;
  QPalette palette = control->palette();
  palette.setColor(control->backgroundRole(), QColor::fromRgba(argb));
  control->setPalette(palette);
  control->setAutoFillBackground(true);
  return true;
}

bool SetBkImage(QWidget* control, const QString& skinFile) {
  if (!control || control->objectName().isEmpty()) return false;
  control->setAttribute(Qt::WA_StyledBackground, true);
  if (skinFile.isEmpty()) {
    control->setStyleSheet(QString());
    return true;
  }
  QString path = UiResources::ResolvePath(skinFile);
  path.replace('"', QLatin1String("\\\""));
  // Scoped to this control by name so that its children keep their own look.
  control->setStyleSheet(
      QStringLiteral("#%1 { border-image: url(\"%2\") 0 0 0 0 stretch stretch; }")
          .arg(control->objectName(), path));
  return true;
}

}  // namespace qv::ui
