#include "devices/ui/device_page_widget.h"

#include <QMetaObject>
#include <QThread>
#include <QVBoxLayout>

#include "app/control_factory.h"
#include "app/control_ops.h"
#include "devices/ui/device_key_button.h"
#include "devices/ui/select_panel.h"
#include "devices/usb_device.h"
#include "platform/trace.h"

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
  if (device_) device_->SetPageView(nullptr);
  device_ = device;
  if (device_) device_->SetPageView(this);
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

void DevicePageWidget::SetTextLookup(std::function<QString(const QString&)> lookup) {
  lookup_ = std::move(lookup);
}

void DevicePageWidget::ShowKeyTexts(int control, const std::string& factoryName,
                                    const std::string& assignedName) {
  CDeviceKeyButtonUI* key = KeyButtonAt(control);
  if (!key) return;
  const QString keySet = QStringLiteral("Key_Set");
  const QString title = QString::fromStdString(factoryName);
  const QString text = (lookup_ ? lookup_(keySet) : keySet) + QString::fromStdString(assignedName);
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
