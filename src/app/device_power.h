// CMpDevicePowerUI: the power block of a wireless device in "device_power_switch": battery
// level, charging state, the wireless logo and, on the mousepad, the connected phone type.
// Sub-controls are found by name on first use: "device_power_Layout", "device_power_value",
// "device_wuxian_logo", "device_power_status", "device_Power_progress" (0..100),
// "device_phone_type". A power report is shown only when all six exist; the battery level is
// clamped to 0..100 so that a bad report cannot drive the progress bar out of its range.
//
// Background images are set as skin files and kept in the control's "bkimage" property in the
// layout's "file='...'" form. Threading: interface thread; the PowerControlView operations
// may be called from any thread (the report is copied and queued).
// In the global namespace: the meta-object class name is what layouts and look-ups compare.
#pragma once

#include <QFrame>
#include <QPointer>
#include <array>

#include "devices/device_page_view.h"

class CMpDevicePowerUI : public QFrame, public qv::PowerControlView {
  Q_OBJECT

 public:
  static constexpr size_t kReportSize = 64;

  explicit CMpDevicePowerUI(QWidget* parent = nullptr);

  void SetTypeCode(uint32_t typeCode, uint32_t role);
  uint32_t TypeCode() const { return typeCode_; }
  uint32_t Role() const { return role_; }

  // Activation sends "selectchanged" from the block itself.
  void Activate();

  // qv::PowerControlView
  void ShowPowerLayout(uint32_t powerFlag) override;
  void ShowPowerReport(const uint8_t* data, size_t n) override;

 private:
  void ShowReport(const std::array<uint8_t, kReportSize>& report);
  bool FindParts();

  uint32_t typeCode_ = 0;
  uint32_t role_ = 0;
  QPointer<QWidget> layout_;
  QPointer<QWidget> value_;
  QPointer<QWidget> wirelessLogo_;
  QPointer<QWidget> status_;
  QPointer<QWidget> progress_;
  QPointer<QWidget> phoneType_;
};
