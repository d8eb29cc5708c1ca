#include "ui/notify_adapter.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QEvent>
#include <QHash>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

namespace qv::ui {
namespace {

constexpr char kAdapterName[] = "qv_notify_adapter";
constexpr char kAttachedProperty[] = "qv_notify_attached";
constexpr char kTimersName[] = "qv_control_timers";

bool IsNotifying(const QWidget* control) {
  const QString name = control->objectName();
  return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// Owns the timers of one control.
class ControlTimers : public QObject {
 public:
  explicit ControlTimers(QWidget* control) : QObject(control), control_(control) {
    setObjectName(kTimersName);
  }

  void Set(int id, int periodMs) {
    QTimer*& timer = timers_[id];
    if (!timer) {
      timer = new QTimer(this);
      QObject::connect(timer, &QTimer::timeout, this,
                       [this, id] { SendNotify(control_, QStringLiteral("timer"), id); });
    }
    timer->start(periodMs);
  }

  bool Kill(int id) {
    const auto it = timers_.find(id);
    if (it == timers_.end()) return false;
    delete it.value();
    timers_.erase(it);
    return true;
  }

 private:
  QWidget* control_;
  QHash<int, QTimer*> timers_;
};

ControlTimers* FindTimers(QWidget* control) {
  // Only ControlTimers objects carry this name.
  return static_cast<ControlTimers*>(
      control->findChild<QObject*>(kTimersName, Qt::FindDirectChildrenOnly));
}

}  // namespace

NotifyAdapter::NotifyAdapter(QWidget* window) : QObject(window), window_(window) {
  setObjectName(kAdapterName);
  window_->installEventFilter(this);
}

NotifyAdapter* NotifyAdapter::For(const QWidget* control) {
  if (!control) return nullptr;
  return control->window()->findChild<NotifyAdapter*>(kAdapterName, Qt::FindDirectChildrenOnly);
}

void NotifyAdapter::SetRoot(QWidget* root) {
  root_ = root;
  if (root) root->installEventFilter(this);
}

void NotifyAdapter::Send(const QString& type, QWidget* sender, qint64 wParam, qint64 lParam) {
  Q_EMIT Notified(UiNotify{type, sender, wParam, lParam});
}

void NotifyAdapter::Attach(QWidget* root) {
  if (!root) return;
  AttachOne(root);
  const QList<QWidget*> children = root->findChildren<QWidget*>();
  for (QWidget* child : children) AttachOne(child);
}

void NotifyAdapter::AttachOne(QWidget* control) {
  if (!IsNotifying(control) || control->property(kAttachedProperty).toBool()) return;
  control->setProperty(kAttachedProperty, true);
  control->installEventFilter(this);

  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    connect(button, &QAbstractButton::clicked, this,
            [this, button] { Send(QStringLiteral("click"), button); });
    connect(button, &QAbstractButton::toggled, this, [this, button] {
      if (button->isCheckable()) Send(QStringLiteral("selectchanged"), button);
    });
  } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
    combo->setProperty("qv_previous_index", combo->currentIndex());
    connect(combo, &QComboBox::currentIndexChanged, this, [this, combo](int index) {
      const int previous = combo->property("qv_previous_index").toInt();
      combo->setProperty("qv_previous_index", index);
      Send(QStringLiteral("itemselect"), combo, index, previous);
    });
  } else if (auto* list = qobject_cast<QListWidget*>(control)) {
    list->setProperty("qv_previous_index", list->currentRow());
    connect(list, &QListWidget::currentRowChanged, this, [this, list](int row) {
      const int previous = list->property("qv_previous_index").toInt();
      list->setProperty("qv_previous_index", row);
      Send(QStringLiteral("itemselect"), list, row, previous);
    });
    connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) {
      Send(QStringLiteral("itemclick"), list, list->row(item));
    });
    connect(list, &QListWidget::itemActivated, this, [this, list](QListWidgetItem* item) {
      Send(QStringLiteral("itemactivate"), list, list->row(item));
    });
    connect(list, &QListWidget::itemDoubleClicked, this, [this, list](QListWidgetItem* item) {
      Send(QStringLiteral("dbclick"), list, list->row(item));
    });
  } else if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
    // Only a settled value counts as a change: listeners write it to devices.
    connect(slider, &QAbstractSlider::valueChanged, this, [this, slider](int value) {
      if (!slider->isSliderDown()) Send(QStringLiteral("valuechanged"), slider, value);
    });
    connect(slider, &QAbstractSlider::sliderReleased, this,
            [this, slider] { Send(QStringLiteral("valuechanged"), slider, slider->value()); });
    connect(slider, &QAbstractSlider::sliderMoved, this,
            [this, slider](int value) { Send(QStringLiteral("movevaluechanged"), slider, value); });
  } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
    connect(spin, &QSpinBox::valueChanged, this,
            [this, spin](int value) { Send(QStringLiteral("valuechanged"), spin, value); });
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    connect(edit, &QLineEdit::textChanged, this,
            [this, edit] { Send(QStringLiteral("textchanged"), edit); });
    connect(edit, &QLineEdit::returnPressed, this,
            [this, edit] { Send(QStringLiteral("return"), edit); });
  } else if (auto* text = qobject_cast<QTextEdit*>(control)) {
    connect(text, &QTextEdit::textChanged, this,
            [this, text] { Send(QStringLiteral("textchanged"), text); });
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
    connect(plain, &QPlainTextEdit::textChanged, this,
            [this, plain] { Send(QStringLiteral("textchanged"), plain); });
  }
}

bool NotifyAdapter::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget) return false;
  if (widget == window_ && event->type() == QEvent::Show && !initSent_) {
    initSent_ = true;
    Send(QStringLiteral("windowinit"), root_ ? root_.data() : window_);
  }
  if (widget == root_ && event->type() == QEvent::Resize) {
    Send(QStringLiteral("windowsize"), widget);
  }
  switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
      break;
    default:
      // Paints and the like pass here many times a second: no property look-up for them.
      return false;
  }
  if (!widget->property(kAttachedProperty).toBool()) return false;
  switch (event->type()) {
    case QEvent::FocusIn:
      Send(QStringLiteral("setfocus"), widget);
      break;
    case QEvent::FocusOut:
      Send(QStringLiteral("killfocus"), widget);
      break;
    case QEvent::Enter:
      Send(QStringLiteral("msenter"), widget);
      break;
    case QEvent::Leave:
      Send(QStringLiteral("msleave"), widget);
      break;
    case QEvent::MouseButtonDblClick:
      // Controls that raise it themselves (under their own conditions) are not doubled.
      if (!widget->property("qv_own_dbclick").toBool()) Send(QStringLiteral("dbclick"), widget);
      break;
    case QEvent::ContextMenu:
      Send(QStringLiteral("menu"), widget);
      break;
    default:
      break;
  }
  return false;
}

bool SendNotify(QWidget* sender, const QString& type, qint64 wParam, qint64 lParam) {
  NotifyAdapter* adapter = NotifyAdapter::For(sender);
  if (!adapter) return false;
  adapter->Send(type, sender, wParam, lParam);
  return true;
}

bool SetTimer(QWidget* control, int id, int periodMs) {
  if (!control || periodMs < 1) return false;
  auto* timers = FindTimers(control);
  if (!timers) timers = new ControlTimers(control);
  timers->Set(id, periodMs);
  return true;
}

bool KillTimer(QWidget* control, int id) {
  if (!control) return false;
  ControlTimers* timers = FindTimers(control);
  return timers && timers->Kill(id);
}

}  // namespace qv::ui
