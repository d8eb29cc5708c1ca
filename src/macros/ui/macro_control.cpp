#include "macros/ui/macro_control.h"

#include <json/json.h>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>

#include "keys/key_code_tables.h"
#include "macros/macro_actions.h"
#include "ui/control_factory.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/notify_adapter.h"

namespace {

using qv::MacroEvent;
using qv::MacroResult;

constexpr int kRowHeight = 30;
constexpr int kDelayFieldHeight = 25;
constexpr int kScrollDelayMs = 50;

// The controls that need a selected macro.
constexpr const char* kEditingControls[] = {"macro_action_layout", "mouse_move_layout",
                                            "macro_btn_export", "macro_btn_name_sub",
                                            "macro_btn_name_edit"};

uint64_t SteadyMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void SetStyleName(QLabel* label, const char* style) {
  if (label->property("qvstyle").toString() == QLatin1String(style)) return;
  label->setProperty("qvstyle", QString::fromLatin1(style));
  label->style()->unpolish(label);
  label->style()->polish(label);
}

// The name a step shows: the key code table's name of its key or modifier, the mouse action
// table's name of its button or move; none for anything else.
std::string_view StepTextId(const MacroEvent& event) {
  const auto keys = qv::KeyCodeTable();
  if (event.type == qv::kMacroKey) {
    if (const auto row = qv::KeyRowOfUsage(event.button)) return keys[*row].textId;
    return {};
  }
  if (event.type == qv::kMacroModifier) {
    if (const auto row = qv::ModifierRowOfBit(event.button)) return keys[*row].textId;
    return {};
  }
  const int row = qv::MouseActionRowOf(event);
  return row < 0 ? std::string_view() : std::string_view(qv::MouseActionTable()[row].textId);
}

// The first mouse action table row of a button item name ("left", "middle", ...): its press
// row; the release row follows it.
int ButtonPressRow(const QString& button) {
  if (button == QLatin1String("left")) return 0;
  if (button == QLatin1String("right")) return 2;
  if (button == QLatin1String("middle")) return 4;
  if (button == QLatin1String("forward")) return 6;
  if (button == QLatin1String("back")) return 8;
  return -1;
}

}  // namespace

CMacroControlUI::CMacroControlUI(QWidget* parent) : QFrame(parent), recorder_(SteadyMs) {
  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(0, 0, 0, 0);
  QWidget* content =
      qv::ui::LoadLayout(QStringLiteral("XML\\CustomControlXML\\MacroControl.xml"), this);
  scrollTimer_ = new QTimer(this);
  scrollTimer_->setSingleShot(true);
  scrollTimer_->setInterval(kScrollDelayMs);
  connect(scrollTimer_, &QTimer::timeout, this, [this] {
    if (steps_ && steps_->currentItem()) steps_->scrollToItem(steps_->currentItem());
  });
  if (!content) return;
  box->addWidget(content);
  names_ = qv::ui::FindControlAs<QListWidget>(this, QStringLiteral("macro_name_list"));
  steps_ = qv::ui::FindControlAs<QListWidget>(this, QStringLiteral("macro_action_list"));
  if (steps_) {
    steps_->setSelectionMode(QAbstractItemView::SingleSelection);
    steps_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The user's pick of a step is the working list's selection.
    connect(steps_, &QListWidget::currentRowChanged, this, [this](int row) {
      if (!syncing_) list_.Select(row);
    });
    // A step's row raises the activation itself: routing knows the rows by their name.
    connect(steps_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
      if (QWidget* row = steps_->itemWidget(item)) {
        qv::ui::SendNotify(row, QStringLiteral("itemactivate"), steps_->row(item));
      }
    });
  }
  for (const char* name :
       {"mouse_x_left_edit", "mouse_x_right_edit", "mouse_y_up_edit", "mouse_y_down_edit"}) {
    qv::ui::SetNumberOnly(Control(name), true);
  }
  qv::ui::SetNumberOnly(Control("macro_fixed_time_edit"), true);
  ShowEditing(false);
}

CMacroControlUI::~CMacroControlUI() = default;

QWidget* CMacroControlUI::Control(const char* name) const {
  return qv::ui::FindControl(this, QString::fromLatin1(name));
}

void CMacroControlUI::SetClock(qv::MacroRecorder::Clock clock) {
  recorder_ = qv::MacroRecorder(std::move(clock));
}

void CMacroControlUI::Tell(const char* textId) {
  if (tell_) tell_(QString::fromLatin1(textId));
}

void CMacroControlUI::TellResult(MacroResult result) {
  switch (result) {
    case MacroResult::kWriteFailed:
      Tell("macro_write_failed_text");
      break;
    case MacroResult::kBadFile:
      Tell("macro_import_bad_text");
      break;
    case MacroResult::kNameTaken:
      Tell("message_text_5");
      break;
    case MacroResult::kTooManyEvents:
      Tell("message_text_17");
      break;
    default:
      break;
  }
}

void CMacroControlUI::SetFolder(const std::string& dataFolder, const std::string& configFileName) {
  macros_.SetFolder(dataFolder, configFileName);
}

QStringList CMacroControlUI::LoadNames() {
  TellResult(macros_.Load());
  FillNames(-1);
  SelectMacro();
  return Names();
}

QStringList CMacroControlUI::Names() const {
  QStringList names;
  for (const std::string& name : macros_.Names()) names << QString::fromStdString(name);
  return names;
}

void CMacroControlUI::FillNames(int select) {
  if (!names_) return;
  // Filling is not the user's pick: the selection is applied by the caller.
  const QSignalBlocker quiet(names_);
  names_->clear();
  for (const qv::MacroEntry& entry : macros_.Entries()) {
    auto* item = new QListWidgetItem(QString::fromStdString(entry.name), names_);
    item->setData(Qt::UserRole, QString::fromStdString(entry.id));
    item->setSizeHint(QSize(0, kRowHeight));
  }
  names_->setCurrentRow(select);
  names_->setProperty("qv_previous_index", names_->currentRow());
}

void CMacroControlUI::ShowEditing(bool enabled) {
  for (const char* name : kEditingControls) qv::ui::SetEnabled(Control(name), enabled);
}

void CMacroControlUI::SelectMacro() {
  const int row = names_ ? names_->currentRow() : -1;
  macros_.Select(row);
  auto* name = qobject_cast<QLineEdit*>(Control("macro_edit_macroname"));
  const int selected = macros_.Selected();
  if (selected >= 0 && !macros_.Entries()[selected].id.empty()) {
    ShowEditing(true);
    LoadSteps();
    if (name) name->setText(QString::fromStdString(macros_.Entries()[selected].name));
    return;
  }
  if (name) name->setText(macros_.Entries().empty() ? QString() : QStringLiteral(" "));
  list_.Clear();
  SyncRows();
  ShowEditing(false);
}

void CMacroControlUI::LoadSteps() {
  qv::MacroEventsRead read;
  const MacroResult result = macros_.LoadEvents(macros_.Selected(), &read);
  list_.Load(read.events);
  SyncRows();
  if (result == MacroResult::kBadFile) {
    Tell("macro_file_damaged_text");
  } else if (read.Trimmed()) {
    Tell("macro_trimmed_text");
  }
}

MacroResult CMacroControlUI::Create() {
  if (static_cast<int>(macros_.Entries().size()) >= qv::kMaxMacros) return MacroResult::kListFull;
  return ListChanged(macros_.Create());
}

MacroResult CMacroControlUI::ListChanged(MacroResult result) {
  if (result != MacroResult::kDone) {
    TellResult(result);
    return result;
  }
  FillNames(macros_.Selected());
  SelectMacro();
  Q_EMIT NamesChanged();
  return result;
}

MacroResult CMacroControlUI::Rename() {
  const int selected = macros_.Selected();
  if (selected < 0) return MacroResult::kRefused;
  const QString text = qv::ui::Text(Control("macro_edit_macroname"));
  const MacroResult result = macros_.Rename(selected, text.toStdString());
  if (result == MacroResult::kDone) {
    if (names_ && names_->item(selected)) names_->item(selected)->setText(text);
    Q_EMIT NamesChanged();
  } else {
    TellResult(result);
  }
  return result;
}

MacroResult CMacroControlUI::Remove(const std::vector<std::string>& profilePaths,
                                    std::vector<std::string>* changedProfiles) {
  const int selected = macros_.Selected();
  if (selected < 0) return MacroResult::kRefused;
  return ListChanged(macros_.Remove(selected, profilePaths, changedProfiles));
}

void CMacroControlUI::ReadDelayFields() {
  for (size_t i = 0; i < list_.Size(); ++i) {
    const auto& event = list_.Row(i).event;
    QWidget* row = RowWidget(static_cast<int>(i));
    auto* field = row ? row->findChild<QLineEdit*>(QStringLiteral("macro_delay")) : nullptr;
    if (!event || !field) continue;
    const uint16_t delay = qv::ParseDelayText(field->text().toStdString());
    if (delay != event->delay) {
      MacroEvent changed = *event;
      changed.delay = delay;
      list_.Update(i, changed);
    } else if (field->text() != QString::number(delay)) {
      field->setText(QString::number(delay));  // "" and "007" are saved as "0" and "7"
    }
  }
}

bool CMacroControlUI::SaveEvents() {
  const int selected = macros_.Selected();
  if (selected < 0 || macros_.Entries()[selected].id.empty()) return false;
  ReadDelayFields();
  bool trimmed = false;
  const std::vector<MacroEvent> events = list_.TakeEventsForSave(&trimmed);
  SyncRows();
  if (trimmed) {
    Tell("message_text_17");
    return false;
  }
  const MacroResult result = macros_.SaveEvents(selected, events);
  TellResult(result);
  return result == MacroResult::kDone;
}

void CMacroControlUI::Reload() {
  SelectMacro();
}

MacroResult CMacroControlUI::Import(const QString& path) {
  if (static_cast<int>(macros_.Entries().size()) >= qv::kMaxMacros) return MacroResult::kListFull;
  qv::MacroEventsRead imported;
  const MacroResult result = ListChanged(macros_.Import(path.toStdString(), &imported));
  if (result != MacroResult::kDone) return result;
  lastImport_ = path;
  if (imported.Trimmed()) Tell("macro_trimmed_text");
  return result;
}

MacroResult CMacroControlUI::Export(const QString& path) {
  const int selected = macros_.Selected();
  if (selected < 0) return MacroResult::kRefused;
  qv::MacroEventsRead exported;
  const MacroResult result = macros_.Export(selected, path.toStdString(), &exported);
  TellResult(result);
  if (result == MacroResult::kDone && exported.Trimmed()) Tell("macro_trimmed_text");
  return result;
}

int CMacroControlUI::CheckedTimingMode() const {
  auto* check = qobject_cast<QCheckBox*>(Control("macro_check_time"));
  return check && check->isChecked() ? qv::kTimingFixed : qv::kTimingMeasured;
}

void CMacroControlUI::StartRecording(int timingMode, qv::RecordKind kind) {
  if (recorder_.Recording()) return;
  auto* fixed = qobject_cast<QLineEdit*>(Control("macro_fixed_time_edit"));
  const std::string text = fixed ? fixed->text().toStdString() : std::string();
  if (const auto corrected = recorder_.Start(timingMode, kind, text); corrected && fixed) {
    fixed->setText(QString::fromStdString(*corrected));
    fixed->setCursorPosition(static_cast<int>(fixed->text().size()));
  }
  SetRecordingState(true);
  recorder_.SetStopButton(StopButtonRect());
}

void CMacroControlUI::StopRecording() {
  if (!recorder_.Recording()) return;
  recorder_.Stop();
  SetRecordingState(false);
  SaveEvents();
}

QWidget* CMacroControlUI::StopButton() const {
  return Control("macro_btn_stopredio");
}

void CMacroControlUI::ShowCaptureHint(bool devicesRefused) {
  qv::ui::SetTextId(Control("macro_record_hint"), devicesRefused
                                                      ? QStringLiteral("macro_input_access_text")
                                                      : QStringLiteral("macro_record_hint_text"));
}

qv::ScreenRect CMacroControlUI::StopButtonRect() const {
  QWidget* stop = Control("macro_btn_stopredio");
  if (!stop || !stop->isVisible()) return {};
  const QPoint origin = stop->mapToGlobal(QPoint(0, 0));
  return {origin.x(), origin.y(), stop->width(), stop->height()};
}

void CMacroControlUI::SetRecordingState(bool recording) {
  for (const char* name : {"macro_name_tab", "macro_action_list"}) {
    QWidget* area = Control(name);
    if (!area) continue;
    area->setAttribute(Qt::WA_TransparentForMouseEvents, recording);
    for (QWidget* child : area->findChildren<QWidget*>()) {
      child->setAttribute(Qt::WA_TransparentForMouseEvents, recording);
    }
  }
  qv::ui::SetEnabled(Control("macro_tab_macroaction_edit"), !recording);
  qv::ui::SetEnabled(Control("macro_tab_macrodelay_edit"), !recording);
  QWidget* start = Control("macro_btn_starredio");
  QWidget* stop = Control("macro_btn_stopredio");
  qv::ui::SetVisible(start, !recording);
  qv::ui::SetVisible(stop, recording);
  // The stop button takes the start button's place now, not at the next layout pass: its
  // rectangle is what keeps the click that ends the recording out of it.
  if (stop && stop->parentWidget() && stop->parentWidget()->layout()) {
    stop->parentWidget()->layout()->activate();
  }
}

void CMacroControlUI::OnKey(qv::RecordKind kind, const qv::KeyInput& key) {
  if (recorder_.Recording()) Recorded(recorder_.OnKey(list_, kind, key));
}

void CMacroControlUI::OnMouse(qv::RecordKind kind, const qv::MouseInput& mouse) {
  if (recorder_.Recording()) Recorded(recorder_.OnMouse(list_, kind, mouse));
}

void CMacroControlUI::Recorded(const qv::RecordResult& result) {
  if (!result.changed) return;
  SyncRows();
  scrollTimer_->start();
}

void CMacroControlUI::Edited() {
  SyncRows();
  SaveEvents();
}

void CMacroControlUI::MoveAction(StepMove move) {
  // Moves at the list's ends change nothing and still save, as every step edit does.
  switch (move) {
    case StepMove::kUp:
      list_.MoveUp();
      break;
    case StepMove::kDown:
      list_.MoveDown();
      break;
    case StepMove::kToTop:
      list_.MoveToTop();
      break;
    case StepMove::kToBottom:
      list_.MoveToBottom();
      break;
  }
  Edited();
}

void CMacroControlUI::DeleteAction() {
  if (!list_.RemoveSelected()) return;
  Edited();
}

void CMacroControlUI::DeleteAll() {
  list_.Clear();
  Edited();
}

uint16_t CMacroControlUI::MoveDistance(const char* editName) const {
  bool ok = false;
  const qlonglong value = qv::ui::Text(Control(editName)).trimmed().toLongLong(&ok);
  return ok ? static_cast<uint16_t>(value & 0xFF) : 0;  // the device takes one byte
}

void CMacroControlUI::InsertMove(int direction) {
  static constexpr const char* kFields[] = {"mouse_x_left_edit", "mouse_x_right_edit",
                                            "mouse_y_up_edit", "mouse_y_down_edit"};
  if (direction < 0 || direction > 3 || macros_.Selected() < 0) return;
  auto event = qv::MouseActionEvent(qv::kFirstMoveRow + static_cast<size_t>(direction),
                                    recorder_.FixedDelay());
  if (!event) return;
  event->button = static_cast<uint8_t>(MoveDistance(kFields[direction]));
  list_.InsertAfterSelection(*event);
  Edited();
  scrollTimer_->start();
}

bool CMacroControlUI::InsertMenuAction(const QString& item) {
  const qsizetype cut = item.lastIndexOf(QLatin1Char('_'));
  if (cut <= 0) return false;
  const int press = ButtonPressRow(item.left(cut));
  const QString what = item.mid(cut + 1);
  const bool down = what == QLatin1String("down");
  const bool up = what == QLatin1String("up");
  const bool click = what == QLatin1String("click");
  if (press < 0 || !(down || up || click)) return false;
  if (macros_.Selected() < 0) return true;
  const uint16_t delay = recorder_.FixedDelay();
  if (down || click) list_.InsertAfterSelection(*qv::MouseActionEvent(press, delay));
  if (up || click) list_.InsertAfterSelection(*qv::MouseActionEvent(press + 1, delay));
  Edited();
  scrollTimer_->start();
  return true;
}

void CMacroControlUI::OnDelayEdited() {
  SaveEvents();
}

QWidget* CMacroControlUI::RowWidget(int index) const {
  if (!steps_ || index < 0 || index >= steps_->count()) return nullptr;
  return steps_->itemWidget(steps_->item(index));
}

QWidget* CMacroControlUI::BuildRow(const qv::MacroActionRow& row) {
  auto* widget = new QWidget;
  widget->setObjectName(QStringLiteral("macro_action"));
  widget->setFixedHeight(kRowHeight);
  if (!row.event) return widget;  // past the limit: a bare row, trimmed at the next save
  auto* box = new QHBoxLayout(widget);
  box->setContentsMargins(10, 0, 10, 0);
  box->setSpacing(8);
  auto* name = new QLabel(widget);
  name->setObjectName(QStringLiteral("macro_action_name"));
  name->setMinimumWidth(96);
  auto* direction = new QLabel(widget);
  direction->setObjectName(QStringLiteral("macro_action_direction"));
  direction->setMinimumWidth(60);
  auto* delay = new QLineEdit(widget);
  delay->setObjectName(QStringLiteral("macro_delay"));
  delay->setFixedHeight(kDelayFieldHeight);
  delay->setFixedWidth(60);
  delay->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  qv::ui::SetMaxChar(delay, 6);
  qv::ui::SetNumberRange(delay, 0, qv::kMaxMacroDelay);
  box->addWidget(name, 0, Qt::AlignVCenter);
  box->addWidget(direction, 0, Qt::AlignVCenter);
  box->addStretch(1);
  box->addWidget(delay, 0, Qt::AlignVCenter);
  FillRow(widget, *row.event);
  return widget;
}

void CMacroControlUI::FillRow(QWidget* rowWidget, const MacroEvent& event) {
  auto* name = rowWidget->findChild<QLabel*>(QStringLiteral("macro_action_name"));
  auto* direction = rowWidget->findChild<QLabel*>(QStringLiteral("macro_action_direction"));
  auto* delay = rowWidget->findChild<QLineEdit*>(QStringLiteral("macro_delay"));
  if (!name || !direction || !delay) return;
  const bool key = event.type == qv::kMacroKey || event.type == qv::kMacroModifier;
  SetStyleName(name, key ? "macro_label_keyboard_style" : "macro_label_mouse_style");
  const std::string_view id = StepTextId(event);
  if (id.empty()) {
    qv::ui::SetPlainText(name, QString());
  } else {
    qv::ui::SetTextId(name, FromView(id));
  }
  if (event.type == qv::kMacroMoveX || event.type == qv::kMacroMoveY) {
    SetStyleName(direction, "macro_label_text_style");
    qv::ui::SetPlainText(direction, QString::number(event.button));
  } else {
    SetStyleName(direction, event.down ? "macro_label_down_style" : "macro_label_up_style");
    qv::ui::SetTextId(direction, event.down ? QStringLiteral("macro_state_down_text")
                                            : QStringLiteral("macro_state_up_text"));
  }
  delay->setText(QString::number(event.delay));
  Json::StreamWriterBuilder styled;
  styled["indentation"] = "\t";
  rowWidget->setProperty(
      "userdata", QString::fromStdString(Json::writeString(styled, qv::MacroEventJson(event))));
}

void CMacroControlUI::SelectRowInView() {
  if (!steps_) return;
  const int selected = list_.Selected();
  if (steps_->currentRow() == selected) return;
  if (selected < 0) {
    steps_->setCurrentRow(-1);
    steps_->clearSelection();
  } else {
    steps_->setCurrentRow(selected);
  }
}

void CMacroControlUI::SyncRows() {
  if (!steps_) return;
  syncing_ = true;
  const QSignalBlocker quiet(steps_);
  auto insert = [this](size_t index) {
    auto* item = new QListWidgetItem;
    item->setSizeHint(QSize(0, kRowHeight));
    steps_->insertItem(static_cast<int>(index), item);
    QWidget* row = BuildRow(list_.Row(index));
    steps_->setItemWidget(item, row);
    if (auto* adapter = qv::ui::NotifyAdapter::For(this)) adapter->Attach(row);
  };
  for (const qv::MacroListChange& change : list_.TakeChanges()) {
    using Kind = qv::MacroListChange::Kind;
    switch (change.kind) {
      case Kind::kReset:
        steps_->clear();
        for (size_t i = 0; i < list_.Size(); ++i) insert(i);
        break;
      case Kind::kInserted:
        if (change.index < list_.Size()) insert(change.index);
        break;
      case Kind::kRemoved:
        delete steps_->takeItem(static_cast<int>(change.index));
        break;
      case Kind::kUpdated:
        if (QWidget* row = RowWidget(static_cast<int>(change.index));
            row && change.index < list_.Size() && list_.Row(change.index).event) {
          FillRow(row, *list_.Row(change.index).event);
        }
        break;
      case Kind::kSelected:
        break;
    }
  }
  // A log replayed out of step with the list (never expected) is mended by a rebuild.
  if (static_cast<size_t>(steps_->count()) != list_.Size()) {
    steps_->clear();
    for (size_t i = 0; i < list_.Size(); ++i) insert(i);
  }
  SelectRowInView();
  steps_->setProperty("qv_previous_index", steps_->currentRow());
  syncing_ = false;
}
