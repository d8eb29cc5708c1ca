// CDeviceOptionUI: one entry of the device list ("device_select_layout"). It stands for one
// device object: it shows the kind's icon and name, binds its "device_select" option to the
// device's page in "device_switch" (the page container is switched when the option is
// selected) and to the device's power block, and drives the device with its timers:
//
//   1001 connect     ReadAll after an arrival (500 ms); retried every 3000 ms while the
//                    receiver cannot reach the device
//   1000 poll        SendColorFrame every 5 ms on the cable, 500 ms on the receiver, while the
//                    device is host-driven; otherwise the light preview every 16 ms while it
//                    is shown, and nothing while it is not (WakePoll starts it again)
//   1002..1004       Resync / the two reserved operations, once (started by the device)
//   1005 power       ReadPowerStatus every 5000 ms for devices with a power flag
//   1007 link watch  shows or hides the entry as the receiver's link comes and goes (3000 ms)
//
// Each timer fires once and its handler re-arms it. Link changes go to the main window as
// UWM_DEVICE_LINK (0x0D03) with the kind row index, through the device's message sink.
//
// Ownership: the device object and the preview control are not owned. Threading: interface
// thread; the DeviceListEntryView operations may be called from any thread (queued).
// In the global namespace: the meta-object class name is what layouts and look-ups compare.
#pragma once

#include <QFrame>
#include <QHash>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>

#include "devices/device_page_view.h"

class QAbstractButton;
class QTimer;

namespace qv {
class CKestravaUSBDevice;
}

class CDeviceOptionUI : public QFrame, public qv::DeviceListEntryView {
  Q_OBJECT

 public:
  static constexpr int kTimerPoll = 1000;
  static constexpr int kTimerConnect = 1001;
  static constexpr int kTimerPower = 1005;
  static constexpr int kTimerLinkWatch = 1007;
  static constexpr int kConnectDelayMs = 500;
  static constexpr int kConnectRetryMs = 3000;
  static constexpr int kPollWiredMs = 5;
  static constexpr int kPollWirelessMs = 500;
  static constexpr int kPowerFirstMs = 50;
  static constexpr int kPowerPeriodMs = 5000;
  static constexpr int kLinkWatchAfterConnectMs = 2000;
  static constexpr int kLinkWatchPeriodMs = 3000;
  static constexpr int kLinkFailureWrap = 20;

  // Image names: synchronised-selected, synchronised-normal, selected, normal.
  using ImageNames = std::array<QString, 4>;

  explicit CDeviceOptionUI(QWidget* parent = nullptr);
  ~CDeviceOptionUI() override;

  // The device is also told its entry. preview: repainted by the poll while selected.
  void SetDevice(qv::CKestravaUSBDevice* device, QWidget* preview = nullptr);
  qv::CKestravaUSBDevice* Device() const { return device_; }
  // Asked by the poll whether the preview changed (none: never repainted).
  void SetPreviewChanged(std::function<bool()> changed) { previewChanged_ = std::move(changed); }
  // The kind row index sent with UWM_DEVICE_LINK; by default the device's kind row.
  void SetKindIndex(int index) { kindIndex_ = index; }
  int KindIndex() const;

  void SetGroup(const QString& group);
  void SetPageBinding(const QString& containerName, int index);
  QString BoundName() const { return boundName_; }
  int BoundIndex() const { return boundIndex_; }
  // A negative index leaves the index as it is.
  void SetPowerContainer(const QString& name, int index);
  QString PowerContainerName() const { return powerName_; }
  int PowerIndex() const { return powerIndex_; }
  void SetTypeCode(uint32_t typeCode, uint32_t role);
  uint32_t TypeCode() const { return typeCode_; }
  uint32_t Role() const { return role_; }
  // The model's name, under the family's name.
  void SetShownName(const QString& name);
  // "On its cable" or "Through its receiver", as the device is connected now.
  void ShowLinkKind();
  const ImageNames& Images() const { return images_; }

  bool IsSelected() const;
  void Select(bool selected);
  bool IsSynchroSelected() const;
  void SelectSynchro(bool selected);
  void ShowSynchro(bool shown);

  // Activation sends "selectchanged" from the entry itself.
  void Activate();
  void setVisible(bool visible) override;

  // Timers, for the main window and tests.
  bool IsTimerActive(int id) const;
  int TimerInterval(int id) const;  // -1 when not active
  void OnTimer(int id);
  int LinkFailures() const { return linkFailures_; }

  // qv::DeviceListEntryView
  void StartDeviceTimer(int id, int periodMs) override;
  void StartConnectTimer() override;
  void RestartLinkWatch(int delayMs) override;
  bool IsEntryVisible() const override { return visible_; }
  void WakePoll() override;

 private:
  QAbstractButton* Face() const;
  QAbstractButton* SynchroFace() const;
  void StartTimer(int id, int periodMs);
  void KillTimer(int id);
  void RefreshImages();
  void SendLink(int linked);
  void OnConnect();
  void OnPoll();
  void OnPower();
  void OnLinkWatch();
  void OnFaceToggled(bool selected);

  qv::CKestravaUSBDevice* device_ = nullptr;
  QPointer<QWidget> preview_;
  std::function<bool()> previewChanged_;
  mutable QPointer<QAbstractButton> face_;
  mutable QPointer<QAbstractButton> synchroFace_;
  QHash<int, QTimer*> timers_;
  bool visible_ = true;
  uint32_t typeCode_ = 0;
  uint32_t role_ = 0;
  int kindIndex_ = -1;
  QString boundName_;
  int boundIndex_ = -1;
  QString powerName_ = QStringLiteral("device_power_switch");
  int powerIndex_ = -1;
  ImageNames images_;
  int linkFailures_ = 0;
  bool polling_ = false;  // the poll runs, or rests until woken; false until the first connect
};
