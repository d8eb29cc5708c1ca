// The interface resources: the installation folder, its "skin/" resource folder and the
// resource map "skin/res.xml" that turns layout names ("XML_MAIN", "XML_MSG", ...) into files.
//
// The map file looks like
//   <Res>
//     <Layout name="XML_MAIN" file="XML/main.xml"/>
//   </Res>
// A name missing from the map is taken as a path relative to the skin folder, with backslashes
// turned into slashes ("XML\CustomControlXML\DeviceOption.xml"). Layout files keep their .xml
// names and hold Qt Designer (.ui) XML.
//
// Process-wide state like the framework's resource manager: set up once by start-up (or a test)
// before any layout is loaded; interface thread only.
#pragma once

#include <QHash>
#include <QString>

namespace qv::ui {

class UiResources {
 public:
  // Default: qv::InstallFolder(), the executable's folder or <exe dir>/../share/qv5307/ when
  // that exists, so skin, fonts and data are found alike from the build tree and from any
  // install prefix. Tests point it at the repository.
  static void SetInstallFolder(const QString& folder);
  static QString InstallFolder();
  // InstallFolder() + "/skin/".
  static QString SkinFolder();

  // Reads "res.xml" from the skin folder and makes the folder the "skin:" search path of file
  // names (style sheets use it). False when the file is missing or malformed; names then resolve
  // as plain relative paths.
  static bool LoadResourceMap(const QString& fileName = QStringLiteral("res.xml"));
  // Forgets the map and the folder override.
  static void Release();

  // Absolute path of a layout or other skin file named by `name`.
  static QString ResolvePath(const QString& name);

 private:
  static QString& folder();
  static QHash<QString, QString>& map();
};

}  // namespace qv::ui
