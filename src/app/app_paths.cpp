#include "app/app_paths.h"

#include <QDir>

#include "profiles/data_folders.h"
#include "profiles/json_file_store.h"

namespace qv::ui {

QString FirmwareUpdateFolder() {
  return QString::fromStdString(InstallFolder()) + QStringLiteral("Updata") + QDir::separator();
}

int BuiltInEffectCount(uint32_t lightSet) {
  const Json::Value doc = JsonFileStore().ReadJsonFile(DefaultDataFolder() + "default_light.json");
  const Json::Value& sets = doc["DefaultLightName"];
  if (!sets.isArray() || lightSet >= sets.size()) return 0;
  const Json::Value& list = sets[static_cast<Json::ArrayIndex>(lightSet)];
  return list.isArray() ? static_cast<int>(list.size()) : 0;
}

}  // namespace qv::ui
