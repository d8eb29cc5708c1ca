#include "profiles/ui/device_profile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <array>

#include "ui/control_factory.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/msg_wnd.h"

namespace {

constexpr std::array<const char*, 8> kTabs = {
    "deng_Op_tab",   "key_Op_tab",        "macro_Op_tab", "system_Op_tab",
    "cursor_Op_tab", "6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab"};
constexpr int kItemHeight = 30;

}  // namespace

CDeviceProfileUI::CDeviceProfileUI(QWidget* parent) : QFrame(parent) {
  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(0, 0, 0, 0);
  QWidget* content =
      qv::ui::LoadLayout(QStringLiteral("XML\\CustomControlXML\\DeviceProfile.xml"), this);
  if (!content) return;
  box->addWidget(content);
  combo_ = qv::ui::FindControlAs<QComboBox>(this, QStringLiteral("device_profile_combo"));
  nameEdit_ = qv::ui::FindControlAs<QLineEdit>(this, QStringLiteral("device_profile_name_edit"));
  menu_ = qv::ui::FindControl(this, QStringLiteral("profile_menu_layout"));
  if (combo_) {
    combo_->setStyleSheet(
        combo_->styleSheet() +
        QStringLiteral("QComboBox QAbstractItemView::item { min-height: %1px; }").arg(kItemHeight));
  }
  ShowMenu(false);
}

void CDeviceProfileUI::SetDeviceKind(int kind) {
  list_.SetDeviceKind(kind);
}

void CDeviceProfileUI::SetFolders(const std::string& dataFolder,
                                  const std::string& defaultProfile) {
  list_.SetFolders(dataFolder, defaultProfile);
}

bool CDeviceProfileUI::Load() {
  const qv::ProfileResult result = list_.Load();
  SyncItems();
  if (nameEdit_ && combo_) nameEdit_->setText(combo_->currentText());
  for (const std::string& tab : qv::ProfileList::TabsHiddenFor(list_.DeviceKind())) {
    qv::ui::SetVisible(qv::ui::FindControl(this, QString::fromStdString(tab)), false);
  }
  for (const std::string& tab : qv::ProfileList::TabsShownFor(list_.DeviceKind())) {
    qv::ui::SetVisible(qv::ui::FindControl(this, QString::fromStdString(tab)), true);
  }
  Report(result);
  return result != qv::ProfileResult::kWriteFailed;
}

std::string CDeviceProfileUI::CurrentProfileId() const {
  return list_.CurrentProfileId();
}

void CDeviceProfileUI::SelectOperationTab(int type) {
  for (size_t i = 0; i < kTabs.size(); ++i) {
    auto* tab = qv::ui::FindControlAs<QAbstractButton>(this, QString::fromLatin1(kTabs[i]));
    if (!tab) continue;
    const QSignalBlocker quiet(tab);
    // Exclusive groups refuse to leave every option unselected; take the tab out for that.
    const bool exclusive = tab->autoExclusive();
    tab->setAutoExclusive(false);
    tab->setChecked(static_cast<int>(i) + 1 == type);
    tab->setAutoExclusive(exclusive);
  }
}

void CDeviceProfileUI::SelectProfile(int index, bool notify) {
  if (combo_) {
    if (notify) {
      combo_->setCurrentIndex(index);
    } else {
      const QSignalBlocker quiet(combo_);
      combo_->setCurrentIndex(index);
      // The notification adapter remembers the previous index through the signal it missed.
      combo_->setProperty("qv_previous_index", index);
    }
  }
  if (nameEdit_ && combo_) nameEdit_->setText(combo_->currentText());
  Report(list_.SelectProfile(index));
}

int CDeviceProfileUI::SelectedIndex() const {
  return combo_ ? combo_->currentIndex() : -1;
}

QString CDeviceProfileUI::NameEditText() const {
  return nameEdit_ ? nameEdit_->text() : QString();
}

void CDeviceProfileUI::SetNameEditText(const QString& text) {
  if (nameEdit_) nameEdit_->setText(text);
}

void CDeviceProfileUI::ShowMenu(bool shown) {
  qv::ui::SetVisible(menu_, shown);
}

bool CDeviceProfileUI::IsMenuShown() const {
  return menu_ && !menu_->isHidden();
}

int CDeviceProfileUI::ProfileCount() {
  return list_.ProfileCount();
}

QString CDeviceProfileUI::ProfileFilePath(int i) const {
  return QString::fromStdString(list_.ProfileFilePath(i));
}

qv::ProfileResult CDeviceProfileUI::NewProfile() {
  return Report(list_.NewProfile());
}

qv::ProfileResult CDeviceProfileUI::CopyProfile() {
  return Report(list_.CopyProfile());
}

qv::ProfileResult CDeviceProfileUI::DeleteProfile() {
  return Report(list_.DeleteProfile());
}

qv::ProfileResult CDeviceProfileUI::ImportProfile(const QString& path) {
  return Report(list_.ImportProfile(path.toStdString()));
}

qv::ProfileResult CDeviceProfileUI::ExportProfile(const QString& path) {
  return Report(list_.ExportProfile(path.toStdString()));
}

qv::ProfileResult CDeviceProfileUI::RenameProfile(const QString& name) {
  return Report(list_.RenameProfile(name.toStdString()));
}

qv::ProfileResult CDeviceProfileUI::ResetProfile() {
  return Report(list_.ResetProfile());
}

QStringList CDeviceProfileUI::ItemTexts() const {
  QStringList texts;
  if (!combo_) return texts;
  for (int i = 0; i < combo_->count(); ++i) texts << combo_->itemText(i);
  return texts;
}

void CDeviceProfileUI::SyncItems() {
  if (!combo_) return;
  const QSignalBlocker quiet(combo_);
  const std::vector<qv::ProfileEntry>& entries = list_.Entries();
  // Items are changed in place so that an open list keeps its place.
  while (combo_->count() > static_cast<int>(entries.size()))
    combo_->removeItem(combo_->count() - 1);
  for (size_t i = 0; i < entries.size(); ++i) {
    const QString name = QString::fromStdString(entries[i].name);
    const int row = static_cast<int>(i);
    if (row < combo_->count()) {
      if (combo_->itemText(row) != name) combo_->setItemText(row, name);
    } else {
      combo_->addItem(name);
    }
  }
  combo_->setCurrentIndex(list_.SelectedIndex());
  combo_->setProperty("qv_previous_index", list_.SelectedIndex());
}

qv::ProfileResult CDeviceProfileUI::Report(qv::ProfileResult result) {
  SyncItems();
  if (result == qv::ProfileResult::kWriteFailed) {
    qv::ui::ShowMessage(window(), QString(), QStringLiteral("profile_write_failed_text"), dpiValue_,
                        1, 0);
  }
  return result;
}
