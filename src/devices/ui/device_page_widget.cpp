#include "devices/ui/device_page_widget.h"

#include <QEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextEdit>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

#include "devices/ui/device_key_button.h"
#include "devices/ui/select_panel.h"
#include "devices/usb_device.h"
#include "platform/trace.h"
#include "ui/control_factory.h"
#include "ui/control_ops.h"
#include "ui/language.h"

namespace qv::ui {

DevicePageWidget::DevicePageWidget(QWidget* parent) : QFrame(parent) {}

DevicePageWidget::~DevicePageWidget() {
  SetDevice(nullptr);
}

DevicePageWidget* DevicePageWidget::Load(const QString& layoutName, QWidget* parent) {
  QWidget* root = LoadLayout(layoutName, parent);
  if (!root) return nullptr;
  if (auto* page = qobject_cast<DevicePageWidget*>(root)) return page;
  auto* page = new DevicePageWidget(parent);
  page->setObjectName(root->objectName() + QStringLiteral("_page"));
  auto* box = new QVBoxLayout(page);
  box->setContentsMargins(0, 0, 0, 0);
  box->addWidget(root);
  return page;
}

void DevicePageWidget::SetDevice(qv::CKestravaUSBDevice* device) {
  if (device_ == device) return;
  if (device_) {
    device_->SetPreviewShown(false);
    device_->SetPageView(nullptr);
  }
  device_ = device;
  if (device_) device_->SetPageView(this);
  UpdatePreview();
}

bool DevicePageWidget::IsPreviewVisible() const {
  if (!isVisible()) return false;
  const QWidget* top = window();
  if (top->isMinimized()) return false;
  const QWindow* handle = top->windowHandle();
  return handle && handle->isExposed();
}

void DevicePageWidget::UpdatePreview() {
  if (device_) device_->SetPreviewShown(IsPreviewVisible());
}

void DevicePageWidget::WatchWindow() {
  // The top-level window changes when the page is put into the main window, and its native
  // window exists only once it was first shown.
  QWidget* top = window();
  if (top != this && top != watchedWindow_) {
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    watchedWindow_ = top;
    top->installEventFilter(this);
  }
  QWindow* handle = top->windowHandle();
  if (handle && handle != watchedHandle_) {
    if (watchedHandle_) watchedHandle_->removeEventFilter(this);
    watchedHandle_ = handle;
    handle->installEventFilter(this);
  }
}

bool DevicePageWidget::event(QEvent* event) {
  const bool handled = QFrame::event(event);
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ParentChange:
      WatchWindow();
      UpdatePreview();
      break;
    default:
      break;
  }
  return handled;
}

bool DevicePageWidget::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Expose:
    case QEvent::WindowStateChange:
    case QEvent::Show:
    case QEvent::Hide:
      // The filter runs before the event is handled: look once it has been.
      QMetaObject::invokeMethod(
          this,
          [this] {
            WatchWindow();
            UpdatePreview();
          },
          Qt::QueuedConnection);
      break;
    default:
      break;
  }
  return QFrame::eventFilter(watched, event);
}

QWidget* DevicePageWidget::KeyContainer() const {
  if (QWidget* keys = qv::ui::FindControl(this, QStringLiteral("keyboard_device_key_light"))) {
    return keys;
  }
  return findChild<CSelectPanelUI*>();
}

void DevicePageWidget::CollectKeys() const {
  if (collected_) return;
  collected_ = true;
  const QWidget* container = KeyContainer();
  if (!container) return;
  for (CDeviceKeyButtonUI* key : container->findChildren<CDeviceKeyButtonUI*>()) {
    controls_.emplace_back(key);
  }
}

std::vector<PageControl> DevicePageWidget::KeyButtonControls() const {
  CollectKeys();
  std::vector<PageControl> keys;
  for (const QPointer<QWidget>& control : controls_) {
    auto* key = qobject_cast<CDeviceKeyButtonUI*>(control.data());
    if (!key) break;
    keys.push_back({key->objectName().toStdString(), key->UserData().toStdString()});
  }
  return keys;
}

QWidget* DevicePageWidget::ControlAt(int control) const {
  CollectKeys();
  if (control < 0 || static_cast<size_t>(control) >= controls_.size()) return nullptr;
  return controls_[control].data();
}

CDeviceKeyButtonUI* DevicePageWidget::KeyButtonAt(int control) const {
  return qobject_cast<CDeviceKeyButtonUI*>(ControlAt(control));
}

void DevicePageWidget::ShowLight(int control, uint32_t color, uint8_t alpha) {
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(
        this, [this, control, color, alpha] { ShowLight(control, color, alpha); },
        Qt::QueuedConnection);
    return;
  }
  if (CDeviceKeyButtonUI* key = KeyButtonAt(control)) key->SetLightColor(color, alpha, true);
}

bool DevicePageWidget::IsControlVisible(int control) const {
  const QWidget* widget = ControlAt(control);
  // Visible within the page: a hidden page (device away) still keeps its lights current.
  return widget && widget->isVisibleTo(this);
}

qv::ProfilePanelView* DevicePageWidget::ProfilePanel() {
  // The panel belongs to the profiles' interface; the page knows it only by its interface.
  return dynamic_cast<qv::ProfilePanelView*>(
      qv::ui::FindControl(this, QStringLiteral("DeviceProfileItem")));
}

int DevicePageWidget::FindControl(std::string_view name) {
  CollectKeys();
  QWidget* widget = qv::ui::FindControl(
      this, QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  if (!widget) return -1;
  for (size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].data() == widget) return static_cast<int>(i);
  }
  controls_.emplace_back(widget);
  return static_cast<int>(controls_.size() - 1);
}

void DevicePageWidget::SelectPage(int control, int page) {
  SelectItem(ControlAt(control), page);
}

void DevicePageWidget::ShowSelected(int control, bool selected) {
  QWidget* option = ControlAt(control);
  const QSignalBlocker quiet(option);
  SetSelected(option, selected);
}

void DevicePageWidget::ShowValue(int control, int value) {
  QWidget* slider = ControlAt(control);
  const QSignalBlocker quiet(slider);
  SetValue(slider, value);
}

void DevicePageWidget::ShowText(int control, const std::string& text) {
  qv::ui::ShowText(ControlAt(control), QString::fromStdString(text));
}

void DevicePageWidget::ClearTextField(int control, const std::string& placeholder) {
  QWidget* field = ControlAt(control);
  const QString text = QString::fromStdString(placeholder);
  if (auto* rich = qobject_cast<QTextEdit*>(field)) {
    rich->clear();
    rich->setPlaceholderText(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) {
    plain->clear();
    plain->setPlaceholderText(text);
  } else if (auto* line = qobject_cast<QLineEdit*>(field)) {
    line->clear();
    line->setPlaceholderText(text);
  }
}

std::string DevicePageWidget::TranslatedText(std::string_view id) {
  const QString textId = QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()));
  QWidget* probe = qv::ui::FindControl(this, QStringLiteral("text_test"));
  if (!probe) return CResourceManager::Text(textId).toStdString();
  // The probe is hidden, so it may be any page's; it shows the id's text once it carries it.
  SetTextId(probe, textId);
  return Text(probe).toStdString();
}

void DevicePageWidget::SetTextLookup(std::function<QString(const QString&)> lookup) {
  lookup_ = std::move(lookup);
}

void DevicePageWidget::ShowKeyTexts(int control, const std::string& factoryName,
                                    const std::string& assignedName) {
  CDeviceKeyButtonUI* key = KeyButtonAt(control);
  if (!key) return;
  // Names come as text ids joined by "+" (a trailing number after a blank is kept as it is).
  const auto translate = [this](const std::string& name) {
    QStringList parts;
    for (const QString& part : QString::fromStdString(name).split(QLatin1Char('+'))) {
      const qsizetype blank = part.indexOf(QLatin1Char(' '));
      const bool numbered =
          blank > 0 && part.mid(blank + 1).toInt() > 0 && part.startsWith(QLatin1String("key_"));
      const QString id = numbered ? part.left(blank) : part;
      QString text = lookup_ ? lookup_(id) : qv::ui::CResourceManager::Text(id);
      if (numbered) text += part.mid(blank);
      parts << text;
    }
    return parts.join(QLatin1Char('+'));
  };
  const QString keySet = QStringLiteral("Key_Set");
  const QString title = translate(factoryName);
  const QString text = (lookup_ ? lookup_(keySet) : qv::ui::CResourceManager::Text(keySet)) +
                       translate(assignedName);
  key->setProperty("tooltiptitle", title);
  key->setProperty("tooltiptext", text);
  key->setToolTip(
      QStringLiteral("<b>%1</b><br>%2").arg(title.toHtmlEscaped(), text.toHtmlEscaped()));
  key->SetKeySetHidden(qv::KeySetMarkHidden(factoryName, assignedName));
}

bool DevicePageWidget::HandleNotify(const UiNotify& notify) {
  if (!notify.sender) return false;
  const QString name = notify.sender->objectName();
  if (name.isEmpty() || qv::ui::FindControl(this, name) != notify.sender) return false;
  qv::TraceText("测试成功   、n");
  Q_EMIT PageNotified(notify);
  return true;
}

void DevicePageWidget::ListenTo(NotifyAdapter* adapter) {
  if (!adapter) return;
  connect(adapter, &NotifyAdapter::Notified, this,
          [this](const UiNotify& notify) { HandleNotify(notify); });
}

}  // namespace qv::ui
