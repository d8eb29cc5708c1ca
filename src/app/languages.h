// The language list ("Language.config" in the default data folder), the stored choice (the
// value "LANGUAGE" of the product key) and the language combo of the settings window.
//
// The product key is the program's settings file, "QV5307/QV5307.conf" in the user's
// configuration folder (QSettings); on this platform no installer makes it, so storing a choice
// makes it too.
// Interface thread only.
#pragma once

#include <QString>
#include <vector>

class QComboBox;

namespace qv::ui {

inline constexpr int kDefaultLanguageId = 520;

struct LanguageEntry {
  int id = 0;
  QString name;    // handed to the resource manager
  QString file;    // the language text file
  QString textId;  // shown for the language in the combo
};

// The path of "Language.config".
QString LanguageConfigPath();
// The entries in file order; empty when the file is missing, does not parse or has no list.
std::vector<LanguageEntry> ReadLanguageConfig(const QString& path = LanguageConfigPath());

// The index of the stored language: the first entry whose id is the stored one (520 when none
// is stored), or 0.
int ReadStoredLanguage(const QString& configPath = LanguageConfigPath());
// Stores a language's id; false when the settings file cannot be written.
bool StoreLanguage(int languageId);

// Lists the languages, each showing its text id in the current language, and selects
// `current` without a notification.
void FillLanguageCombo(QComboBox* combo, int current,
                       const QString& configPath = LanguageConfigPath());

}  // namespace qv::ui
