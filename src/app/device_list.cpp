#include "app/device_list.h"

#include <QStackedWidget>

#include "app/device_option.h"
#include "ui/control_ops.h"

namespace qv::ui {
namespace {

const QString kListName = QStringLiteral("device_select_layout");
const QString kNoDevice = QStringLiteral("No_device_Link");
const QString kPowerSwitch = QStringLiteral("device_power_switch");
const QString kDeviceSwitch = QStringLiteral("device_switch");

}  // namespace

DeviceList::DeviceList(QWidget* root, Hooks hooks) : root_(root), hooks_(std::move(hooks)) {}

QWidget* DeviceList::Find(const QString& name) const {
  return root_ ? FindControl(root_, name) : nullptr;
}

QWidget* DeviceList::Container() const {
  return Find(kListName);
}

int DeviceList::Count() const {
  const QWidget* list = Container();
  if (!list) return 0;
  return static_cast<int>(
      list->findChildren<CDeviceOptionUI*>(QString(), Qt::FindDirectChildrenOnly).size());
}

CDeviceOptionUI* DeviceList::Entry(int index) const {
  const QWidget* list = Container();
  if (!list || index < 0) return nullptr;
  const QList<CDeviceOptionUI*> entries =
      list->findChildren<CDeviceOptionUI*>(QString(), Qt::FindDirectChildrenOnly);
  return index < entries.size() ? entries[index] : nullptr;
}

int DeviceList::IndexOf(const CDeviceOptionUI* entry) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (Entry(i) == entry) return i;
  }
  return -1;
}

int DeviceList::IndexOfDevice(const qv::CKestravaUSBDevice* device) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (device && Entry(i)->Device() == device) return i;
  }
  return -1;
}

void DeviceList::ShowPowerOf(const CDeviceOptionUI* entry) {
  QWidget* power = Find(entry->PowerContainerName());
  if (!power) return;
  if (entry->PowerIndex() < 0) {
    power->hide();
    return;
  }
  power->show();
  SelectItem(power, entry->PowerIndex());
}

void DeviceList::ShowEntry(int index, bool visible, bool select) {
  CDeviceOptionUI* entry = Entry(index);
  if (!entry) return;
  entry->setVisible(visible);
  if (select) {
    QWidget* pages = entry->BoundIndex() < 0 ? nullptr : Find(entry->BoundName());
    if (!pages) return;
    SelectItem(pages, entry->BoundIndex());
    ShowPowerOf(entry);
  }
  entry->Select(select);
  AfterVisibilityChange();
}

void DeviceList::AfterVisibilityChange() {
  const auto [first, visible] = FirstVisible();
  (void)first;
  if (visible > 0) {
    SetVisible(Find(kNoDevice), false);
  } else {
    SetVisible(Find(kNoDevice), true);
    SelectItem(Find(kPowerSwitch), 0);
    SelectItem(Find(kDeviceSwitch), 0);
  }
  if (hooks_.synchroPossible) hooks_.synchroPossible(visible > 1);
  int synchro = 0;
  for (int i = 0, n = Count(); i < n; ++i) {
    if (Entry(i)->IsEntryVisible() && Entry(i)->IsSynchroSelected()) ++synchro;
  }
  if (synchro < 2) {
    for (int i = 0, n = Count(); i < n; ++i) {
      if (Entry(i)->IsSynchroSelected()) Entry(i)->SelectSynchro(false);
    }
  }
}

void DeviceList::HideEntry(int index) {
  CDeviceOptionUI* entry = Entry(index);
  if (!entry) return;
  int other = -1;
  if (entry->IsEntryVisible() && entry->IsSelected()) {
    if (hooks_.closeAuxiliaryWindows) hooks_.closeAuxiliaryWindows();
    if (keyCapture_) {
      if (hooks_.endKeyCapture) hooks_.endKeyCapture();
      SetEnabled(Container(), true);
      keyCapture_ = false;
    }
    for (int i = 0, n = Count(); i < n; ++i) {
      if (i != index && Entry(i)->IsEntryVisible()) {
        other = i;
        break;
      }
    }
  }
  ShowEntry(index, false, false);
  if (other >= 0) ShowEntry(other, true, true);
}

std::pair<int, int> DeviceList::FirstVisible() const {
  int first = -1;
  int visible = 0;
  for (int i = 0, n = Count(); i < n; ++i) {
    if (!Entry(i)->IsEntryVisible()) continue;
    if (first < 0) first = i;
    ++visible;
  }
  return {first, visible};
}

int DeviceList::SelectedIndex() const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (Entry(i)->IsEntryVisible() && Entry(i)->IsSelected()) return i;
  }
  return -1;
}

qv::CKestravaUSBDevice* DeviceList::SelectedDevice() const {
  const int index = SelectedIndex();
  return index < 0 ? nullptr : Entry(index)->Device();
}

void DeviceList::SelectPrevious() {
  const int selected = SelectedIndex();
  for (int i = selected - 1; selected > 0 && i >= 0; --i) {
    if (Entry(i)->IsEntryVisible()) {
      ShowEntry(i, true, true);
      return;
    }
  }
}

void DeviceList::SelectNext() {
  const int selected = SelectedIndex();
  if (selected < 0) return;
  for (int i = selected + 1, n = Count(); i < n; ++i) {
    if (Entry(i)->IsEntryVisible()) {
      ShowEntry(i, true, true);
      return;
    }
  }
}

void DeviceList::OnDeviceSelectChanged() {
  for (int i = 0, n = Count(); i < n; ++i) {
    CDeviceOptionUI* entry = Entry(i);
    if (!entry->IsSelected()) continue;
    currentIndex_ = i;
    currentTypeCode_ = entry->TypeCode();
    currentRole_ = entry->Role();
    ShowPowerOf(entry);
    return;
  }
}

void DeviceList::Lock(bool locked) {
  SetEnabled(Container(), !locked);
  if (const CDeviceOptionUI* entry = Entry(SelectedIndex())) {
    if (QWidget* pages = Find(entry->BoundName())) {
      QWidget* page = nullptr;
      if (auto* stack = qobject_cast<QStackedWidget*>(pages))
        page = stack->widget(entry->BoundIndex());
      SetEnabled(FindControl(page, QStringLiteral("DeviceProfileItem")), !locked);
    }
  }
  keyCapture_ = locked;
}

}  // namespace qv::ui
