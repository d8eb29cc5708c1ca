#include "app/device_option.h"

#include <QAbstractButton>
#include <QFile>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include "devices/usb_device.h"
#include "platform/trace.h"
#include "transport/device_scanner.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/notify_adapter.h"
#include "ui/ui_resources.h"

namespace {

constexpr char kImageFolder[] = "common/device_ico/";

struct FamilyIcon {
  const char* word;
  const char* nameTextId;
};

// The family word and name text of a type code and role; nullptr word: keep the icons.
FamilyIcon FamilyOf(uint32_t typeCode, uint32_t role) {
  switch (typeCode) {
    case 1:
      return {"kb", "kb_device_name_text"};
    case 2:
      return {"ms", "ms_device_name_text"};
    case 3:
      if (role == 0) return {"hard_mp", "hard_mp_device_name_text"};
      if (role == 1) return {"soft_mp", "soft_mp_device_name_text"};
      return {nullptr, nullptr};
    case 4:
    case 7:
      return {"hd", "hd_device_name_text"};
    case 5:
      return {"hub", "hub_device_name_text"};
    default:
      return {"unknow", "unknow_device_name_text"};
  }
}

CDeviceOptionUI::ImageNames ImagesOf(const QString& word) {
  const QString base = QLatin1String(kImageFolder) + word;
  return {base + QStringLiteral("_device_synchro_selected.png"),
          base + QStringLiteral("_device_synchro_normal.png"),
          base + QStringLiteral("_device_selected.png"),
          base + QStringLiteral("_device_normal.png")};
}

// The option's images; the look comes from them only when the skin has them.
void SetFaceImages(QAbstractButton* face, const QString& normal, const QString& selected) {
  face->setProperty("normalimage", normal);
  face->setProperty("selectedimage", selected);
  face->setProperty("disabledimage", normal);
  const QString normalPath = qv::ui::UiResources::ResolvePath(normal);
  const QString selectedPath = qv::ui::UiResources::ResolvePath(selected);
  if (!QFile::exists(normalPath) || !QFile::exists(selectedPath)) return;
  face->setStyleSheet(QStringLiteral("#%1 { border-image: url(\"%2\"); }"
                                     "#%1:checked { border-image: url(\"%3\"); }")
                          .arg(face->objectName(), normalPath, selectedPath));
}

}  // namespace

CDeviceOptionUI::CDeviceOptionUI(QWidget* parent) : QFrame(parent) {
  images_ = ImagesOf(QStringLiteral("unknow"));
}

CDeviceOptionUI::~CDeviceOptionUI() {
  if (device_ && device_->GetListEntry() == this) device_->SetListEntry(nullptr);
}

void CDeviceOptionUI::SetDevice(qv::CKestravaUSBDevice* device, QWidget* preview) {
  if (device_ && device_->GetListEntry() == this) device_->SetListEntry(nullptr);
  device_ = device;
  preview_ = preview;
  if (device_) device_->SetListEntry(this);
}

int CDeviceOptionUI::KindIndex() const {
  if (kindIndex_ >= 0 || !device_) return kindIndex_;
  const qv::SupportedInterface& row = device_->GetInterface();
  return qv::FindKindRow(row.VendorId, row.ProductId, row.TypeCode, qv::kRolePrimary);
}

QAbstractButton* CDeviceOptionUI::Face() const {
  if (!face_) {
    face_ = qv::ui::FindControlAs<QAbstractButton>(this, QStringLiteral("device_select"));
    if (face_) {
      face_->setCheckable(true);
      auto* self = const_cast<CDeviceOptionUI*>(this);
      connect(face_, &QAbstractButton::toggled, self,
              [self](bool selected) { self->OnFaceToggled(selected); });
    }
  }
  return face_;
}

QAbstractButton* CDeviceOptionUI::SynchroFace() const {
  if (!synchroFace_) {
    synchroFace_ =
        qv::ui::FindControlAs<QAbstractButton>(this, QStringLiteral("synchro_device_select"));
    if (synchroFace_) synchroFace_->setCheckable(true);
  }
  return synchroFace_;
}

void CDeviceOptionUI::SetGroup(const QString& group) {
  qv::ui::SetGroup(Face(), group);
}

void CDeviceOptionUI::SetPageBinding(const QString& containerName, int index) {
  boundName_ = containerName;
  boundIndex_ = index;
  if (QAbstractButton* face = Face()) {
    face->setProperty("bindtabname", containerName);
    face->setProperty("bindtabindex", index);
  }
}

void CDeviceOptionUI::OnFaceToggled(bool selected) {
  // The option's tab binding: selecting it shows the bound page.
  if (!selected || boundIndex_ < 0 || boundName_.isEmpty()) return;
  qv::ui::SelectItem(qv::ui::FindControl(window(), boundName_), boundIndex_);
}

void CDeviceOptionUI::SetPowerContainer(const QString& name, int index) {
  powerName_ = name;
  if (index >= 0) powerIndex_ = index;
}

void CDeviceOptionUI::SetTypeCode(uint32_t typeCode, uint32_t role) {
  typeCode_ = typeCode;
  role_ = role;
  const FamilyIcon family = FamilyOf(typeCode, role);
  if (!family.word) return;
  images_ = ImagesOf(QString::fromLatin1(family.word));
  const QString nameId = QString::fromLatin1(family.nameTextId);
  if (QAbstractButton* face = Face()) qv::ui::SetToolTipId(face, nameId);
  qv::ui::SetTextId(qv::ui::FindControl(this, QStringLiteral("device_select_name")), nameId);
  RefreshImages();
}

void CDeviceOptionUI::SetShownName(const QString& name) {
  qv::ui::SetPlainText(qv::ui::FindControl(this, QStringLiteral("device_select_model")), name);
}

void CDeviceOptionUI::ShowLinkKind() {
  QWidget* link = qv::ui::FindControl(this, QStringLiteral("device_select_link"));
  if (!device_) {
    qv::ui::SetPlainText(link, QString());
    return;
  }
  qv::ui::SetTextId(
      link, device_->IsWireless() ? QStringLiteral("receiver_text") : QStringLiteral("cable_text"));
}

bool CDeviceOptionUI::IsSelected() const {
  return qv::ui::IsSelected(Face());
}

void CDeviceOptionUI::Select(bool selected) {
  qv::ui::SetSelected(Face(), selected);
}

bool CDeviceOptionUI::IsSynchroSelected() const {
  return qv::ui::IsSelected(SynchroFace());
}

void CDeviceOptionUI::SelectSynchro(bool selected) {
  qv::ui::SetSelected(SynchroFace(), selected);
  RefreshImages();
}

void CDeviceOptionUI::ShowSynchro(bool shown) {
  qv::ui::SetVisible(SynchroFace(), shown);
  RefreshImages();
}

void CDeviceOptionUI::RefreshImages() {
  QAbstractButton* face = Face();
  if (!face) return;
  if (IsSynchroSelected()) {
    SetFaceImages(face, images_[1], images_[0]);
  } else {
    SetFaceImages(face, images_[3], images_[2]);
  }
}

void CDeviceOptionUI::Activate() {
  qv::ui::SendNotify(this, QStringLiteral("selectchanged"));
}

void CDeviceOptionUI::setVisible(bool visible) {
  visible_ = visible;
  QFrame::setVisible(visible);
}

bool CDeviceOptionUI::IsTimerActive(int id) const {
  const QTimer* timer = timers_.value(id);
  return timer && timer->isActive();
}

int CDeviceOptionUI::TimerInterval(int id) const {
  return IsTimerActive(id) ? timers_.value(id)->interval() : -1;
}

void CDeviceOptionUI::StartTimer(int id, int periodMs) {
  QTimer*& timer = timers_[id];
  if (!timer) {
    timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, id] { OnTimer(id); });
  }
  timer->start(periodMs);
}

void CDeviceOptionUI::KillTimer(int id) {
  if (QTimer* timer = timers_.value(id)) timer->stop();
}

void CDeviceOptionUI::StartDeviceTimer(int id, int periodMs) {
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(
        this, [this, id, periodMs] { StartDeviceTimer(id, periodMs); }, Qt::QueuedConnection);
    return;
  }
  StartTimer(id, periodMs);
}

void CDeviceOptionUI::StartConnectTimer() {
  StartDeviceTimer(kTimerConnect, kConnectDelayMs);
}

void CDeviceOptionUI::RestartLinkWatch(int delayMs) {
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(
        this, [this, delayMs] { RestartLinkWatch(delayMs); }, Qt::QueuedConnection);
    return;
  }
  if (!device_ || !device_->Link.Open) return;
  StartTimer(kTimerLinkWatch, delayMs);
}

void CDeviceOptionUI::OnTimer(int id) {
  KillTimer(id);
  if (!device_) return;
  switch (id) {
    case kTimerPoll:
      OnPoll();
      break;
    case kTimerConnect:
      OnConnect();
      break;
    case qv::kEntryTimerResync:
      device_->Resync();
      break;
    case qv::kEntryTimerReserved1:
      device_->Reserved15();
      break;
    case qv::kEntryTimerReserved2:
      device_->Reserved16();
      break;
    case kTimerPower:
      OnPower();
      break;
    case kTimerLinkWatch:
      OnLinkWatch();
      break;
    default:
      break;
  }
}

void CDeviceOptionUI::SendLink(int linked) {
  ShowLinkKind();
  qv::MessageSink* sink = device_->GetMainWindow();
  if (sink) sink->Send(qv::UWM_DEVICE_LINK, static_cast<uintptr_t>(KindIndex()), linked);
}

void CDeviceOptionUI::OnConnect() {
  const bool onReceiver = device_->IsWireless();
  if (onReceiver && device_->Link.Open && !device_->IsWirelessLinked()) {
    linkFailures_ = (linkFailures_ + 1) % kLinkFailureWrap;
    if (visible_) SendLink(0);
    StartTimer(kTimerConnect, kConnectRetryMs);
    return;
  }
  if (onReceiver) SendLink(1);
  ShowLinkKind();
  device_->ReadAll();
  linkFailures_ = 0;
  polling_ = true;
  StartTimer(kTimerPoll, kPollWiredMs);
  if (device_->GetPowerFlag() != 0 && device_->Link.Open) StartTimer(kTimerPower, kPowerFirstMs);
  if (onReceiver) RestartLinkWatch(kLinkWatchAfterConnectMs);
}

void CDeviceOptionUI::OnPoll() {
  Face();
  // Frames go out at the device's cadence only while it is host-driven; otherwise the poll
  // serves the screen alone, at the display's rate, and rests while nothing shows the lights.
  const bool stream = device_->IsHostDriven();
  if (stream) {
    device_->SendColorFrame();
  } else {
    device_->RefreshLightPreview(qv::SteadyClock::now());
  }
  if (preview_ && IsSelected() && previewChanged_ && previewChanged_()) preview_->update();
  if (!device_->Link.Open) {
    polling_ = false;
    return;
  }
  if (stream) {
    StartTimer(kTimerPoll, device_->IsWireless() ? kPollWirelessMs : kPollWiredMs);
  } else if (device_->IsPreviewShown() && (!device_->EffectIsStill() || device_->PreviewStale())) {
    // A still effect's preview rests once shown; a changed light wakes it (WakePoll).
    StartTimer(kTimerPoll, static_cast<int>(qv::kPreviewPeriod.count()));
  }
}

void CDeviceOptionUI::WakePoll() {
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(
        this, [this] { WakePoll(); }, Qt::QueuedConnection);
    return;
  }
  if (!polling_ || !device_ || !device_->Link.Open || IsTimerActive(kTimerPoll)) return;
  StartTimer(kTimerPoll, 0);
}

void CDeviceOptionUI::OnPower() {
  device_->ReadPowerStatus();
  if (device_->GetPowerFlag() != 0) StartTimer(kTimerPower, kPowerPeriodMs);
}

void CDeviceOptionUI::OnLinkWatch() {
  const bool onReceiver = device_->IsWireless();
  if (onReceiver) {
    if (device_->IsWirelessLinked()) {
      if (!visible_) {
        SendLink(1);
        if (device_->GetPowerFlag() != 0) device_->ReadPowerStatus();
        qv::TraceText("2.4gcesvdfherhue  12312423 123342341");
      }
    } else if (visible_) {
      SendLink(0);
      qv::TraceText("2.4gcesvdfherhue");
    }
    StartTimer(kTimerLinkWatch, kLinkWatchPeriodMs);
  } else if (device_->Link.Open) {
    qv::TraceText("2.4gcesvdfherhue  12312423");
  }
}
