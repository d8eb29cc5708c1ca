// The control factory and the layout loader.
//
// ControlFactory is the process-wide registry of the system's own control classes, keyed by
// class-name string ("CDeviceOptionUI", ...). It is filled once at start-up, before any layout
// loads, and read by every LayoutLoader; interface thread only.
//
// LayoutLoader is a QUiLoader that first asks the registry, then an optional per-window
// callback (for names that a window maps itself, e.g. placeholders replaced by sub-layouts),
// then Qt's own widget classes. LoadLayout() resolves a layout name through UiResources and
// returns the layout's top widget, owned by `parent` (nullptr on a missing or broken file).
#pragma once

#include <QString>
#include <QStringList>
#include <QUiLoader>
#include <functional>
#include <vector>

class QWidget;

namespace qv::ui {

using ControlCreator = std::function<QWidget*(QWidget* parent)>;
// Returns a widget for a class name it knows, nullptr otherwise.
using CreateControlCallback = std::function<QWidget*(const QString& className, QWidget* parent)>;

class ControlFactory {
 public:
  static ControlFactory& Instance();

  // Later registrations of the same name replace earlier ones.
  void Register(const QString& className, ControlCreator creator);
  template <typename T>
  void Register(const QString& className) {
    Register(className, [](QWidget* parent) -> QWidget* { return new T(parent); });
  }

  bool IsRegistered(const QString& className) const;
  // New instance owned by `parent`, or nullptr for an unknown name.
  QWidget* Create(const QString& className, QWidget* parent) const;
  // Names in registration order.
  QStringList Names() const;
  void Clear();

 private:
  struct Entry {
    QString name;
    ControlCreator creator;
  };
  std::vector<Entry> entries_;
};

class LayoutLoader : public QUiLoader {
 public:
  explicit LayoutLoader(CreateControlCallback callback = {}, QObject* parent = nullptr);

  QWidget* createWidget(const QString& className, QWidget* parent = nullptr,
                        const QString& name = QString()) override;

 private:
  CreateControlCallback callback_;
};

QWidget* LoadLayout(const QString& layoutName, QWidget* parent,
                    const CreateControlCallback& callback = {});

}  // namespace qv::ui
