#include "ui/language.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QWidget>
#include <QXmlStreamReader>

#include "platform/trace.h"
#include "profiles/data_folders.h"
#include "ui/control_ops.h"

namespace qv::ui {

namespace {

struct State {
  QString language;
  QString folder;
  QHash<QString, QString> texts;
  std::function<QString(const QString&)> query;
};

State& state() {
  static State s;
  return s;
}

void ReloadOne(QWidget* control) {
  const QVariant id = control->property(kTextIdProperty);
  if (id.isValid()) ShowText(control, CResourceManager::Text(id.toString()));
  const QVariant tip = control->property(kToolTipIdProperty);
  if (tip.isValid()) control->setToolTip(CResourceManager::Text(tip.toString()));
  if (auto* combo = qobject_cast<QComboBox*>(control)) {
    for (int i = 0; i < combo->count(); ++i) {
      const QVariant item = combo->itemData(i, kItemTextIdRole);
      if (item.isValid()) combo->setItemText(i, CResourceManager::Text(item.toString()));
    }
  } else if (auto* list = qobject_cast<QListWidget*>(control)) {
    for (int i = 0; i < list->count(); ++i) {
      QListWidgetItem* row = list->item(i);
      const QVariant item = row->data(kItemTextIdRole);
      if (item.isValid()) row->setText(CResourceManager::Text(item.toString()));
    }
  }
  for (QAction* action : control->actions()) {
    const QVariant actionId = action->property(kTextIdProperty);
    if (actionId.isValid()) action->setText(CResourceManager::Text(actionId.toString()));
  }
}

}  // namespace

void CResourceManager::SetLanguage(const QString& name) {
  state().language = name;
}

QString CResourceManager::Language() {
  return state().language;
}

QString CResourceManager::LanguageFolder() {
  const QString& folder = state().folder;
  if (!folder.isEmpty()) return folder.endsWith('/') ? folder : folder + '/';
  return QString::fromStdString(qv::InstallFolder()) + QStringLiteral("Language/");
}

void CResourceManager::SetLanguageFolder(const QString& folder) {
  state().folder = folder;
}

bool CResourceManager::ReadLanguageFile(const QString& path, QHash<QString, QString>* texts,
                                        QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  QHash<QString, QString> read;
  QXmlStreamReader xml(&file);
  bool inLanguage = false;
  while (xml.readNextStartElement()) {
    if (!inLanguage) {
      if (xml.name() != QLatin1String("Language")) {
        xml.raiseError(QStringLiteral("the root element is not <Language>"));
        break;
      }
      inLanguage = true;
      continue;
    }
    if (xml.name() != QLatin1String("Text")) {
      xml.skipCurrentElement();
      continue;
    }
    const QString id = xml.attributes().value(QLatin1String("id")).toString();
    const QString text = xml.readElementText();
    if (!id.isEmpty()) read.insert(id, text);
  }
  if (xml.hasError() || !inLanguage) {
    if (error) {
      *error = xml.hasError()
                   ? QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString())
                   : QStringLiteral("empty file");
    }
    return false;
  }
  *texts = std::move(read);
  return true;
}

bool CResourceManager::LoadLanguage(const QString& file) {
  if (file.isEmpty()) return false;
  const QString path = file.contains('/') ? file : LanguageFolder() + file;
  QHash<QString, QString> texts;
  QString error;
  if (!ReadLanguageFile(path, &texts, &error)) {
    Trace("language file %s not loaded: %s", path.toUtf8().constData(), error.toUtf8().constData());
    return false;
  }
  state().texts = std::move(texts);
  return true;
}

bool CResourceManager::HasText(const QString& id) {
  return state().texts.contains(id);
}

QString CResourceManager::Text(const QString& id) {
  if (state().query) {
    const QString text = state().query(id);
    if (!text.isEmpty()) return text;
  }
  const auto it = state().texts.constFind(id);
  return it == state().texts.constEnd() ? id : it.value();
}

void CResourceManager::SetTextQueryInterface(std::function<QString(const QString&)> query) {
  state().query = std::move(query);
}

void CResourceManager::ReloadText(QWidget* root) {
  if (!root) return;
  ReloadOne(root);
  for (QWidget* child : root->findChildren<QWidget*>()) ReloadOne(child);
}

void CResourceManager::ReloadText() {
  for (QWidget* top : QApplication::topLevelWidgets()) ReloadText(top);
}

void CResourceManager::Release() {
  state() = State{};
}

void SetTextId(QWidget* control, const QString& id) {
  if (!control) return;
  control->setProperty(kTextIdProperty, id);
  ShowText(control, CResourceManager::Text(id));
}

QString TextIdOf(const QWidget* control) {
  return control ? control->property(kTextIdProperty).toString() : QString();
}

void SetPlainText(QWidget* control, const QString& text) {
  if (!control) return;
  control->setProperty(kTextIdProperty, QVariant());
  ShowText(control, text);
}

void SetToolTipId(QWidget* control, const QString& id) {
  if (!control) return;
  control->setProperty(kToolTipIdProperty, id);
  control->setToolTip(CResourceManager::Text(id));
}

void AddTextIdItem(QComboBox* combo, const QString& id) {
  if (!combo) return;
  combo->addItem(CResourceManager::Text(id));
  combo->setItemData(combo->count() - 1, id, kItemTextIdRole);
}

}  // namespace qv::ui
