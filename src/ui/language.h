// The interface's texts by text id, in the loaded language (the framework's resource manager).
//
// A control is "resource text" when it carries the dynamic property "textid" (layouts set it;
// SetTextId() sets it in code): it shows the loaded language's text of that id, and
// ReloadText() shows it again after a language change. "tooltiptextid" does the same for the
// tool tip, and combo and list items keep their id under kItemTextIdRole. A text id the
// language lacks shows as the id itself, so that a missing translation is seen, not hidden.
//
// Language text files are a plain id-to-text table in XML, one per language:
//   <Language name="English">
//     <Text id="message_text_22">Reset this profile to its factory settings?</Text>
//   </Language>
// They live in the "Language" folder of the installation folder, beside "DefaultData".
//
// Process-wide, like the layouts' resource map; interface thread only.
#pragma once

#include <QHash>
#include <QString>
#include <functional>

class QComboBox;
class QWidget;

namespace qv::ui {

inline constexpr char kTextIdProperty[] = "textid";
inline constexpr char kToolTipIdProperty[] = "tooltiptextid";
inline constexpr int kItemTextIdRole = 0x0100 + 77;  // Qt::UserRole + 77

class CResourceManager {
 public:
  // The language's name as the language list gives it.
  static void SetLanguage(const QString& name);
  static QString Language();

  // Reads a language text file: a bare file name is looked for in LanguageFolder(). False
  // (and the texts kept) when it is missing or malformed.
  static bool LoadLanguage(const QString& file);
  // The "Language" folder of the installation folder (qv::InstallFolder()) unless set.
  static QString LanguageFolder();
  static void SetLanguageFolder(const QString& folder);

  // Parses a language text file into `texts`; false, with a reason, when it is not one.
  static bool ReadLanguageFile(const QString& path, QHash<QString, QString>* texts,
                               QString* error = nullptr);

  static bool HasText(const QString& id);
  // The text of `id`; the id itself when the language has none. A text query hook, when set,
  // is asked first and wins when it gives a text.
  static QString Text(const QString& id);
  static void SetTextQueryInterface(std::function<QString(const QString&)> query);

  // Shows every resource text below `root` (and root's own) in the loaded language.
  static void ReloadText(QWidget* root);
  // The same for every top-level window.
  static void ReloadText();

  // Forgets the language, its texts, the folder override and the hook (tests).
  static void Release();
};

// Marks `control` as resource text with `id` and shows the id's text.
void SetTextId(QWidget* control, const QString& id);
QString TextIdOf(const QWidget* control);
// Shows `text` as it is: the control is no longer resource text.
void SetPlainText(QWidget* control, const QString& text);
void SetToolTipId(QWidget* control, const QString& id);
// Appends an item that shows the text of `id`, kept under kItemTextIdRole.
void AddTextIdItem(QComboBox* combo, const QString& id);

}  // namespace qv::ui
