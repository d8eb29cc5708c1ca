#include "app/languages.h"

#include <QComboBox>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>

#include "platform/trace.h"
#include "profiles/data_folders.h"
#include "profiles/json_access.h"
#include "profiles/json_file_store.h"
#include "ui/language.h"

namespace qv::ui {

namespace {

constexpr char kLanguageValue[] = "LANGUAGE";

// The file is named afresh on each use: QSettings' own default path is fixed at its first use,
// which would hide a changed configuration folder (tests, a new session).
QSettings ProductKey() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return QSettings(folder + QStringLiteral("/QV5307/QV5307.conf"), QSettings::IniFormat);
}

}  // namespace

QString LanguageConfigPath() {
  return QString::fromStdString(qv::DefaultDataFolder()) + QStringLiteral("Language.config");
}

std::vector<LanguageEntry> ReadLanguageConfig(const QString& path) {
  JsonFileStore store;
  const Json::Value root = store.ReadJsonFile(path.toStdString());
  const Json::Value* list = JsonMember(root, "Language");
  std::vector<LanguageEntry> entries;
  if (list == nullptr || !list->isArray()) return entries;
  for (Json::ArrayIndex i = 0; i < list->size(); ++i) {
    const Json::Value& item = (*list)[i];
    LanguageEntry entry;
    std::string text;
    JsonInt(item, "Language_ID", &entry.id);
    if (JsonString(item, "Language_name", &text)) entry.name = QString::fromStdString(text);
    if (JsonString(item, "Language_file", &text)) entry.file = QString::fromStdString(text);
    if (JsonString(item, "Language_text", &text)) entry.textId = QString::fromStdString(text);
    entries.push_back(entry);
  }
  return entries;
}

int ReadStoredLanguage(const QString& configPath) {
  QSettings key = ProductKey();
  bool ok = false;
  int id = key.value(QLatin1String(kLanguageValue)).toInt(&ok);
  if (!ok) id = kDefaultLanguageId;
  const std::vector<LanguageEntry> entries = ReadLanguageConfig(configPath);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].id == id) return static_cast<int>(i);
  }
  return 0;
}

bool StoreLanguage(int languageId) {
  QSettings key = ProductKey();
  key.setValue(QLatin1String(kLanguageValue), languageId);
  key.sync();
  if (key.status() != QSettings::NoError) return false;
  TraceText("写成功！");
  return true;
}

void FillLanguageCombo(QComboBox* combo, int current, const QString& configPath) {
  if (!combo) return;
  const QSignalBlocker quiet(combo);
  combo->clear();
  for (const LanguageEntry& entry : ReadLanguageConfig(configPath)) {
    AddTextIdItem(combo, entry.textId);
  }
  combo->setCurrentIndex(current >= 0 && current < combo->count() ? current : -1);
}

}  // namespace qv::ui
