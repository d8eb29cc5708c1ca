// CDeviceProfileUI ("DeviceProfileItem" on a device page): the profile drop-down list with the
// fold-out of profile operations and the row of operation tabs. It keeps the drop-down items
// in step with its ProfileList (which keeps "ProfileList.ini"), and carries out each operation
// the main window routes to it; a failed write is told to the user in a message box and changes
// nothing.
//
// Its own controls, from the layout "XML\CustomControlXML\DeviceProfile.xml":
// "device_profile_combo", "device_profile_name_edit", "profile_menu_layout",
// "profile_fun_spread_btn", the operation buttons ("device_add_btn", "device_sub_btn",
// "device_copy_btn", "device_import_btn", "device_export_btn", "device_reset_btn",
// "default_btn", "device_profile_edit_save_btn") and the eight operation tabs.
//
// In the global namespace: the meta-object class name is what layouts and look-ups compare.
// Interface thread only.
#pragma once

#include <QFrame>
#include <QPointer>
#include <QString>

#include "devices/device_page_view.h"
#include "profiles/json_file_store.h"
#include "profiles/profile_list.h"

class QComboBox;
class QLineEdit;

class CDeviceProfileUI : public QFrame, public qv::ProfilePanelView {
  Q_OBJECT

 public:
  explicit CDeviceProfileUI(QWidget* parent = nullptr);

  // ProfilePanelView.
  void SetDeviceKind(int kind) override;
  void SetFolders(const std::string& dataFolder, const std::string& defaultProfile) override;
  bool Load() override;
  std::string CurrentProfileId() const override;
  void SelectOperationTab(int type) override;

  // Selects entry `index`: the drop-down list (raising "itemselect" only with `notify`), the
  // name field, and "profileselect".
  void SelectProfile(int index, bool notify);
  // The drop-down list's selection, or -1.
  int SelectedIndex() const;
  QString NameEditText() const;
  void SetNameEditText(const QString& text);
  void ShowMenu(bool shown);
  bool IsMenuShown() const;
  int ProfileCount();
  QString ProfileFilePath(int i) const;

  // The operations; each tells the user of a failed write itself.
  qv::ProfileResult NewProfile();
  qv::ProfileResult CopyProfile();
  qv::ProfileResult DeleteProfile();
  qv::ProfileResult ImportProfile(const QString& path);
  qv::ProfileResult ExportProfile(const QString& path);
  qv::ProfileResult RenameProfile(const QString& name);
  qv::ProfileResult ResetProfile();

  // The names shown in the drop-down list, in order.
  QStringList ItemTexts() const;
  const qv::ProfileList& Model() const { return list_; }
  // The store the panel writes through (tests fail its writes).
  qv::JsonFileStore& Store() { return store_; }
  // The DPI value message boxes are shown at.
  void SetDpiValue(int dpi) { dpiValue_ = dpi; }

 private:
  // The drop-down items again from the model, with the model's selection, without notifying.
  void SyncItems();
  // A failed write: a message box, and the list shown as the model has it.
  qv::ProfileResult Report(qv::ProfileResult result);

  qv::JsonFileStore store_;
  qv::ProfileList list_{store_};
  QPointer<QComboBox> combo_;
  QPointer<QLineEdit> nameEdit_;
  QPointer<QWidget> menu_;
  int dpiValue_ = 96;
};
