#include "keys/ui/key_set_control.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "keys/key_code_tables.h"
#include "macros/scan_code_table.h"
#include "ui/control_factory.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/window_input_source.h"

namespace {

using qv::KeyCategory;
using qv::KeyFunction;

constexpr const char* kCategoryTextIds[qv::kKeyCategoryCount] = {
    "keyset_cat_default_text",  "keyset_cat_mouse_text", "keyset_cat_swing_text",
    "keyset_cat_wheel_text",    "keyset_cat_dpi_text",   "keyset_cat_fire_text",
    "keyset_cat_keyboard_text", "keyset_cat_media_text", "keyset_cat_system_text",
    "keyset_cat_macro_text",    "keyset_cat_gun_text",   "keyset_cat_combo_text"};
constexpr const char* kEndModeTextIds[] = {"keyset_end_mode_0_text", "keyset_end_mode_1_text",
                                           "keyset_end_mode_2_text", "keyset_end_mode_3_text",
                                           "keyset_end_repeat_text"};
constexpr int kGunKeys = 8;
constexpr int kHiddenRole = Qt::UserRole + 1;
constexpr int kMacroItemHeight = 30;

// The combo of each table-backed category.
const char* TableCombo(KeyCategory category) {
  switch (category) {
    case KeyCategory::kMouseButton:
      return "keyset_mousekey_combo";
    case KeyCategory::kDpi:
      return "keyset_mousedpi_combo";
    case KeyCategory::kMedia:
      return "keyset_media_combo";
    case KeyCategory::kSystem:
      return "keyset_system_combo";
    case KeyCategory::kCombination:
      return "keyset_combokey_combo";
    default:
      return nullptr;
  }
}

// The keyboard usage of a key as Qt names it (the window's own key events). Keys the code
// tables do not name give 0.
uint8_t UsageOfQtKey(int key, bool keypad) {
  if (keypad) {
    if (key >= Qt::Key_1 && key <= Qt::Key_9) return static_cast<uint8_t>(0x59 + key - Qt::Key_1);
    switch (key) {
      case Qt::Key_0:
        return 0x62;
      case Qt::Key_Period:
        return 0x63;
      case Qt::Key_Slash:
        return 0x54;
      case Qt::Key_Asterisk:
        return 0x55;
      case Qt::Key_Minus:
        return 0x56;
      case Qt::Key_Plus:
        return 0x57;
      case Qt::Key_Enter:
        return 0x58;
      default:
        break;
    }
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<uint8_t>(0x04 + key - Qt::Key_A);
  if (key >= Qt::Key_1 && key <= Qt::Key_9) return static_cast<uint8_t>(0x1E + key - Qt::Key_1);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return static_cast<uint8_t>(0x3A + key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_0:
      return 0x27;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 0x28;
    case Qt::Key_Escape:
      return 0x29;
    case Qt::Key_Backspace:
      return 0x2A;
    case Qt::Key_Tab:
      return 0x2B;
    case Qt::Key_Space:
      return 0x2C;
    case Qt::Key_Minus:
      return 0x2D;
    case Qt::Key_Equal:
      return 0x2E;
    case Qt::Key_BracketLeft:
      return 0x2F;
    case Qt::Key_BracketRight:
      return 0x30;
    case Qt::Key_Backslash:
      return 0x31;
    case Qt::Key_Semicolon:
      return 0x33;
    case Qt::Key_Apostrophe:
      return 0x34;
    case Qt::Key_QuoteLeft:
      return 0x35;
    case Qt::Key_Comma:
      return 0x36;
    case Qt::Key_Period:
      return 0x37;
    case Qt::Key_Slash:
      return 0x38;
    case Qt::Key_CapsLock:
      return 0x39;
    case Qt::Key_Print:
      return 0x46;
    case Qt::Key_ScrollLock:
      return 0x47;
    case Qt::Key_Pause:
      return 0x48;
    case Qt::Key_Insert:
      return 0x49;
    case Qt::Key_Home:
      return 0x4A;
    case Qt::Key_PageUp:
      return 0x4B;
    case Qt::Key_Delete:
      return 0x4C;
    case Qt::Key_End:
      return 0x4D;
    case Qt::Key_PageDown:
      return 0x4E;
    case Qt::Key_Right:
      return 0x4F;
    case Qt::Key_Left:
      return 0x50;
    case Qt::Key_Down:
      return 0x51;
    case Qt::Key_Up:
      return 0x52;
    case Qt::Key_NumLock:
      return 0x53;
    case Qt::Key_Menu:
      return 0x65;
    default:
      return 0;
  }
}

QString Number(int value) {
  return QString::number(value);
}

uint8_t EditByte(const QWidget* edit) {
  return qv::EditFieldByte(qv::ui::Text(edit).toStdString());
}

void SelectQuietly(QComboBox* combo, int index) {
  if (!combo) return;
  const QSignalBlocker quiet(combo);
  combo->setCurrentIndex(index);
  // The notification adapter remembers the index it last reported.
  combo->setProperty("qv_previous_index", index);
}

}  // namespace

CKeySetControlUI::CKeySetControlUI(QWidget* parent) : QFrame(parent) {
  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(0, 0, 0, 0);
  QWidget* content =
      qv::ui::LoadLayout(QStringLiteral("XML\\CustomControlXML\\KeySetControl.xml"), this);
  if (!content) return;
  box->addWidget(content);
  FillTables();
  qv::ui::SetVisible(qv::ui::FindControl(this, QStringLiteral("keyset_layout")), false);
  if (QWidget* name = qv::ui::FindControl(this, QStringLiteral("keyset_keyboard_text_edit"))) {
    name->installEventFilter(this);
  }
}

QComboBox* CKeySetControlUI::Combo(const char* name) const {
  return qv::ui::FindControlAs<QComboBox>(this, QString::fromLatin1(name));
}

void CKeySetControlUI::FillTables() {
  if (QComboBox* categories = Combo("keyset_function_combo")) {
    for (int c = 0; c < qv::kKeyCategoryCount; ++c) {
      qv::ui::AddTextIdItem(categories, QString::fromLatin1(kCategoryTextIds[c]));
      categories->setItemData(c, Number(c), Qt::UserRole);
    }
  }
  for (int c = 0; c < qv::kKeyCategoryCount; ++c) {
    const auto category = static_cast<KeyCategory>(c);
    QComboBox* combo = TableCombo(category) ? Combo(TableCombo(category)) : nullptr;
    if (!combo) continue;
    for (const qv::CodeRow& row : qv::CategoryTable(category)) {
      const std::string_view id = row.textId;
      qv::ui::AddTextIdItem(combo, QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size())));
    }
  }
  for (const char* name : {"keyset_mouseswing_combo", "keyset_mousewheel_combo"}) {
    QComboBox* combo = Combo(name);
    const bool swing = name[13] == 's';
    qv::ui::AddTextIdItem(combo, swing ? QStringLiteral("mouse_key_left_Swing")
                                       : QStringLiteral("mouse_key_up_Swing"));
    qv::ui::AddTextIdItem(combo, swing ? QStringLiteral("mouse_key_right_Swing")
                                       : QStringLiteral("mouse_key_down_Swing"));
  }
  if (QComboBox* endModes = Combo("keyset_macro_over_combo")) {
    for (const char* id : kEndModeTextIds) qv::ui::AddTextIdItem(endModes, QString::fromLatin1(id));
  }
  if (QComboBox* guns = Combo("keyset_gunkey_combo")) {
    for (int i = 0; i < kGunKeys; ++i) guns->addItem(Number(i + 1));
  }
  if (QComboBox* macros = Combo("keyset_macro_combo")) {
    macros->setStyleSheet(QStringLiteral("QComboBox QAbstractItemView::item { min-height: %1px; }")
                              .arg(kMacroItemHeight));
  }
}

void CKeySetControlUI::SetDeviceKind(int kind) {
  kind_ = kind;
  QComboBox* categories = Combo("keyset_function_combo");
  if (!categories) return;
  // Items stay in the list, so that their numbers do not move, but cannot be seen or picked.
  auto* rows = qobject_cast<QListView*>(categories->view());
  for (int c = 0; c < categories->count(); ++c) {
    const auto category =
        static_cast<KeyCategory>(categories->itemData(c, Qt::UserRole).toString().toInt());
    const bool hidden = kind == 1 && qv::IsCategoryHiddenOnKeyboard(category);
    categories->setItemData(c, hidden, kHiddenRole);
    if (rows) rows->setRowHidden(c, hidden);
  }
}

void CKeySetControlUI::FillMacroList(const QStringList& names) {
  QComboBox* macros = Combo("keyset_macro_combo");
  if (!macros) return;
  const QSignalBlocker quiet(macros);
  macros->clear();
  macros->addItems(names);
  macros->setCurrentIndex(-1);
}

void CKeySetControlUI::AddMacroItem(const QString& name) {
  if (QComboBox* macros = Combo("keyset_macro_combo")) macros->addItem(name);
}

void CKeySetControlUI::RemoveMacroItem(int index) {
  if (QComboBox* macros = Combo("keyset_macro_combo")) macros->removeItem(index);
}

void CKeySetControlUI::RenameMacroItem(int index, const QString& name) {
  if (QComboBox* macros = Combo("keyset_macro_combo")) macros->setItemText(index, name);
}

KeyFunction CKeySetControlUI::Current() const {
  return {key_.kind, key_.first, key_.second};
}

KeyFunction CKeySetControlUI::Default() const {
  return {key_.defaultKind, key_.defaultFirst, key_.defaultSecond};
}

int CKeySetControlUI::CategoryItem(int category) const {
  QComboBox* categories = Combo("keyset_function_combo");
  if (!categories) return -1;
  for (int i = 0; i < categories->count(); ++i) {
    const QString number = categories->itemData(i, Qt::UserRole).toString();
    if (number.isEmpty() || categories->itemData(i, kHiddenRole).toBool()) continue;
    if (number.toInt() == category) return i;
  }
  return -1;
}

int CKeySetControlUI::SelectedModifier() const {
  for (int i = 0; i < qv::kModifierOptionCount; ++i) {
    if (qv::ui::IsSelected(qv::ui::FindRowControl(this, QStringLiteral("key_ComBox_check_"), i))) {
      return i;
    }
  }
  return -1;
}

void CKeySetControlUI::SelectModifier(int option) {
  for (int i = 0; i < qv::kModifierOptionCount; ++i) {
    auto* button = qobject_cast<QAbstractButton*>(
        qv::ui::FindRowControl(this, QStringLiteral("key_ComBox_check_"), i));
    if (!button) continue;
    const QSignalBlocker quiet(button);
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(i == option);
    button->setAutoExclusive(exclusive);
  }
}

void CKeySetControlUI::SetKey(const qv::KeyAssignment& assignment) {
  key_ = assignment;
  hasKey_ = true;
  ShowCurrent();
}

void CKeySetControlUI::ShowCurrent() {
  Show(Current());
}

void CKeySetControlUI::ShowDefault() {
  Show(Default());
}

void CKeySetControlUI::Show(const KeyFunction& code) {
  const std::optional<KeyCategory> category = qv::ClassifyKeyFunction(code, Default());
  const auto at = [this](const char* name) {
    return qv::ui::FindControl(this, QString::fromLatin1(name));
  };
  if (category) {
    switch (*category) {
      case KeyCategory::kMouseSwing:
      case KeyCategory::kMouseWheel: {
        const bool swing = *category == KeyCategory::kMouseSwing;
        const qv::MotionFields f = swing ? qv::SwingFields(code) : qv::WheelFields(code);
        const char* prefix = swing ? "keyset_mouseswing_" : "keyset_mousewheel_";
        const auto named = [&](const char* suffix) {
          return qv::ui::FindControl(this, QString::fromLatin1(prefix) + QLatin1String(suffix));
        };
        qv::ui::ShowText(named("delay_edit"), Number(f.delay));
        qv::ui::ShowText(named("speed_edit"), Number(f.speed));
        qv::ui::ShowText(named("num_edit"), Number(f.count));
        SelectQuietly(qobject_cast<QComboBox*>(named("combo")), f.secondDirection ? 1 : 0);
        break;
      }
      case KeyCategory::kFire: {
        const qv::FireFields f = qv::FireFieldsOf(code);
        qv::ui::ShowText(at("keyset_mousefire_interval_edit"), Number(f.interval));
        qv::ui::ShowText(at("keyset_mousefire_num_edit"), Number(f.count));
        break;
      }
      case KeyCategory::kKeyboardKey: {
        const qv::KeyboardFields f = qv::KeyboardFieldsOf(code);
        const std::optional<size_t> row = qv::KeyRowOfUsage(f.usage);
        if (f.usage == 0 && code.first == 0) {
          SelectModifier(-1);
          qv::ui::ShowText(at("keyset_keyboard_text_edit"), QString());
          key_.first = 0;
          key_.second = 0;
        } else {
          SelectModifier(f.modifierOption);
          QString name;
          if (row) {
            const std::string_view id = qv::KeyCodeTable()[*row].textId;
            name = qv::ui::CResourceManager::Text(
                QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size())));
          }
          qv::ui::ShowText(at("keyset_keyboard_text_edit"), name);
        }
        break;
      }
      case KeyCategory::kMacro: {
        QComboBox* macros = Combo("keyset_macro_combo");
        const qv::MacroFields f = qv::MacroFieldsOf(code);
        const bool known = macros && f.macroIndex < macros->count();
        SelectQuietly(macros, known ? f.macroIndex : -1);
        const bool repeat = code.kind == qv::kKindMacroRepeat;
        if (repeat) qv::ui::ShowText(at("keyset_macro_cycle_edit"), Number(f.repeatCount));
        SelectQuietly(Combo("keyset_macro_over_combo"),
                      repeat ? qv::kMacroRepeatItem : f.endModeItem);
        qv::ui::SetVisible(at("keyset_macro_cycle_layout"), repeat && known);
        break;
      }
      case KeyCategory::kGunKey:
        SelectQuietly(Combo("keyset_gunkey_combo"), code.first);
        break;
      default:
        if (const char* name = TableCombo(*category)) {
          const std::optional<size_t> row =
              qv::FindRowByParams(qv::CategoryTable(*category), code.first, code.second);
          if (row) SelectQuietly(Combo(name), static_cast<int>(*row));
        }
        break;
    }
  }
  const int item = category ? CategoryItem(static_cast<int>(*category)) : -1;
  QWidget* editor = at("keyset_layout");
  if (item < 0) {
    qv::ui::SetVisible(editor, false);
    return;
  }
  qv::ui::SetVisible(editor, true);
  SelectQuietly(Combo("keyset_function_combo"), item);
  qv::ui::SelectItem(at("function_switch_tablayout"), static_cast<int>(*category));
}

qv::KeyAssignment CKeySetControlUI::BuildCode() {
  QComboBox* categories = Combo("keyset_function_combo");
  qv::CategoryInputs in;
  in.category = categories && categories->currentIndex() >= 0
                    ? categories->currentData(Qt::UserRole).toString().toInt()
                    : 0;
  const auto category = static_cast<KeyCategory>(in.category);
  if (const char* name = TableCombo(category)) {
    if (QComboBox* combo = Combo(name)) in.tableRow = combo->currentIndex();
  }
  const bool swing = category == KeyCategory::kMouseSwing;
  const QString prefix =
      swing ? QStringLiteral("keyset_mouseswing_") : QStringLiteral("keyset_mousewheel_");
  in.motion.delay = EditByte(qv::ui::FindControl(this, prefix + QStringLiteral("delay_edit")));
  in.motion.speed = EditByte(qv::ui::FindControl(this, prefix + QStringLiteral("speed_edit")));
  in.motion.count = EditByte(qv::ui::FindControl(this, prefix + QStringLiteral("num_edit")));
  if (auto* direction = qv::ui::FindControlAs<QComboBox>(this, prefix + QStringLiteral("combo"))) {
    in.motion.secondDirection = direction->currentIndex() == 1;
  }
  in.fire.interval =
      EditByte(qv::ui::FindControl(this, QStringLiteral("keyset_mousefire_interval_edit")));
  in.fire.count = EditByte(qv::ui::FindControl(this, QStringLiteral("keyset_mousefire_num_edit")));
  in.keyboard.modifierOption = SelectedModifier();
  in.keyboard.usage = key_.kind == qv::kKindKey && key_.first <= 8 ? key_.second : 0;
  if (QComboBox* macros = Combo("keyset_macro_combo")) in.macroIndex = macros->currentIndex();
  if (QComboBox* endModes = Combo("keyset_macro_over_combo"))
    in.endModeItem = endModes->currentIndex();
  in.repeatCount = EditByte(qv::ui::FindControl(this, QStringLiteral("keyset_macro_cycle_edit")));
  if (QComboBox* guns = Combo("keyset_gunkey_combo")) in.gunKey = guns->currentIndex();
  QComboBox* macros = Combo("keyset_macro_combo");
  const KeyFunction code = qv::BuildKeyFunction(in, Current(), Default(),
                                                macros ? static_cast<size_t>(macros->count()) : 0);
  key_.kind = code.kind;
  key_.first = code.first;
  key_.second = code.second;
  // Shown back as it was stored (a fire interval below the minimum, say). A category picked
  // before its choices are made (no macro chosen yet) keeps its page: the code stays as it was
  // until they are, and showing it would take the user back to the old category.
  if (qv::ClassifyKeyFunction(code, Default()) == category) Show(code);
  return key_;
}

void CKeySetControlUI::OnCategorySelected() {
  QComboBox* categories = Combo("keyset_function_combo");
  if (!categories || categories->currentIndex() < 0) return;
  const int category = categories->currentData(Qt::UserRole).toString().toInt();
  qv::ui::SelectItem(qv::ui::FindControl(this, QStringLiteral("function_switch_tablayout")),
                     category);
  if (category == static_cast<int>(KeyCategory::kKeyboardKey)) {
    qv::ui::ShowText(qv::ui::FindControl(this, QStringLiteral("keyset_keyboard_text_edit")),
                     QString());
    SelectModifier(-1);
    key_.kind = qv::kKindKey;
    key_.first = 0;
    key_.second = 0;
  }
}

void CKeySetControlUI::OnEndModeSelected() {
  QComboBox* endModes = Combo("keyset_macro_over_combo");
  qv::ui::SetVisible(qv::ui::FindControl(this, QStringLiteral("keyset_macro_cycle_layout")),
                     endModes && endModes->currentIndex() == qv::kMacroRepeatItem);
}

void CKeySetControlUI::OnModifierSelected(int option) {
  SelectModifier(option);
}

bool CKeySetControlUI::CaptureKey(int qtKey, bool keypad) {
  QWidget* name = qv::ui::FindControl(this, QStringLiteral("keyset_keyboard_text_edit"));
  int modifier = -1;
  switch (qtKey) {
    case Qt::Key_Control:
      modifier = 1;
      break;
    case Qt::Key_Shift:
      modifier = 2;
      break;
    case Qt::Key_Alt:
      modifier = 3;
      break;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
      modifier = 4;
      break;
    default:
      break;
  }
  if (modifier > 0) {
    // A modifier alone: its option, and no key yet.
    SelectModifier(modifier);
    qv::ui::ShowText(name, QString());
    key_.kind = qv::kKindKey;
    key_.first = 0;
    key_.second = 0;
    return true;
  }
  const uint8_t usage = UsageOfQtKey(qtKey, keypad);
  const std::optional<size_t> row = usage ? qv::KeyRowOfUsage(usage) : std::nullopt;
  if (!row) return false;
  if (SelectedModifier() < 0) SelectModifier(0);
  const std::string_view id = qv::KeyCodeTable()[*row].textId;
  qv::ui::ShowText(name, qv::ui::CResourceManager::Text(
                             QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()))));
  key_.kind = qv::kKindKey;
  key_.second = usage;
  return true;
}

bool CKeySetControlUI::CaptureScan(uint8_t scanCode, bool extended) {
  const std::optional<size_t> row = qv::ScanCodeRowOf(scanCode, extended);
  if (!row) return false;
  const qv::CodeRow& code = qv::KeyCodeTable()[*row];
  if (code.function.kind != qv::kKindKey) return false;
  QWidget* name = qv::ui::FindControl(this, QStringLiteral("keyset_keyboard_text_edit"));
  key_.kind = qv::kKindKey;
  key_.first = 0;
  if (*row < qv::kFirstPlainKeyRow) {
    SelectModifier(1 + static_cast<int>(*row % 4));
    qv::ui::ShowText(name, QString());
    key_.second = 0;
    return true;
  }
  if (SelectedModifier() < 0) SelectModifier(0);
  qv::ui::ShowText(name, qv::ui::CResourceManager::Text(QString::fromUtf8(
                             code.textId.data(), static_cast<qsizetype>(code.textId.size()))));
  key_.second = code.function.second;
  return true;
}

bool CKeySetControlUI::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress &&
      watched == qv::ui::FindControl(this, QStringLiteral("keyset_keyboard_text_edit"))) {
    const auto* press = static_cast<QKeyEvent*>(event);
    if (press->isAutoRepeat()) return true;
    // By the key's scan code where the platform gives one, as recording finds keys; by Qt's
    // key otherwise.
    const std::optional<qv::InputEvent> input = qv::ui::WindowInputSource::Translate(*press);
    const bool captured =
        input && input->kind == qv::InputEvent::Kind::kKey
            ? CaptureScan(input->key.scanCode, input->key.extended)
            : CaptureKey(press->key(), press->modifiers().testFlag(Qt::KeypadModifier));
    if (captured) Q_EMIT Captured();
    return true;  // the field shows names, not typed text
  }
  return QFrame::eventFilter(watched, event);
}

void CKeySetControlUI::SetPending(bool pending) {
  pending_ = pending;
  for (const char* name : {"key_butt_keysave", "key_butt_keycancel", "key_butt_prosave"}) {
    qv::ui::SetEnabled(qv::ui::FindControl(this, QString::fromLatin1(name)), pending);
  }
}
