#include "app/device_power.h"

#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <cstring>

#include "ui/control_ops.h"
#include "ui/notify_adapter.h"

namespace {

void SetBackground(QWidget* control, const char* file) {
  const QString name = QString::fromLatin1(file);
  control->setProperty("bkimage", QStringLiteral("file='%1'").arg(name));
  qv::ui::SetBkImage(control, name);
}

}  // namespace

CMpDevicePowerUI::CMpDevicePowerUI(QWidget* parent) : QFrame(parent) {}

void CMpDevicePowerUI::SetTypeCode(uint32_t typeCode, uint32_t role) {
  typeCode_ = typeCode;
  role_ = role;
}

void CMpDevicePowerUI::Activate() {
  qv::ui::SendNotify(this, QStringLiteral("selectchanged"));
}

bool CMpDevicePowerUI::FindParts() {
  auto find = [this](QPointer<QWidget>& part, const char* name) {
    if (!part) part = qv::ui::FindControl(this, QString::fromLatin1(name));
    return !part.isNull();
  };
  // Every part is looked up, so that a later report finds those that exist.
  const bool all = find(layout_, "device_power_Layout") & find(value_, "device_power_value") &
                   find(wirelessLogo_, "device_wuxian_logo") &
                   find(status_, "device_power_status") & find(progress_, "device_Power_progress") &
                   find(phoneType_, "device_phone_type");
  return all;
}

void CMpDevicePowerUI::ShowPowerLayout(uint32_t powerFlag) {
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(
        this, [this, powerFlag] { ShowPowerLayout(powerFlag); }, Qt::QueuedConnection);
    return;
  }
  FindParts();
  qv::ui::SetVisible(layout_, powerFlag != 0);
}

void CMpDevicePowerUI::ShowPowerReport(const uint8_t* bytes, size_t n) {
  std::array<uint8_t, kReportSize> report{};
  if (bytes) std::memcpy(report.data(), bytes, std::min(n, report.size()));
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(
        this, [this, report] { ShowReport(report); }, Qt::QueuedConnection);
    return;
  }
  ShowReport(report);
}

void CMpDevicePowerUI::ShowReport(const std::array<uint8_t, kReportSize>& report) {
  if (!FindParts()) return;
  const int level = std::min<int>(report[0], 100);
  qv::ui::SetRange(progress_, 0, 100);
  qv::ui::SetValue(progress_, 100 - level);
  qv::ui::SetText(value_, QString::number(level) + QLatin1Char('%'));

  qv::ui::SetVisible(progress_, true);
  switch (report[1]) {
    case 0:
      SetBackground(status_, "power/powered.png");
      break;
    case 1:
      SetBackground(status_, "power/powering.png");
      break;
    case 2:
      SetBackground(status_, "power/power.png");
      break;
    default:
      break;
  }

  if (typeCode_ == 3) {
    struct Phone {
      const char* tip;
      const char* image;
    };
    static constexpr Phone kPhones[] = {
        {"Phone_type_no_device", "power/Phone_type_no_device.png"},
        {"Phone_type_iphone", "power/Phone_type_iphone.png"},
        {"Phone_type_samsung", "power/Phone_type_samsung.png"},
        {"Phone_type_other", "power/Phone_type_other.png"},
    };
    const Phone& phone = kPhones[report[2] >= 1 && report[2] <= 3 ? report[2] : 0];
    phoneType_->setToolTip(QString::fromLatin1(phone.tip));
    SetBackground(phoneType_, phone.image);
  }

  if (typeCode_ == 1 || typeCode_ == 2) qv::ui::SetVisible(wirelessLogo_, report[3] != 0);
}
