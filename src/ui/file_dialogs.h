// The file dialogs of the import and export flows, as the functions the flows call (tests put
// their own in place of them). Interface thread only.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace qv::ui {

// The chosen path, empty when cancelled.
using FileDialog = std::function<QString(QWidget* owner, const QString& filter)>;

// Qt's open dialog.
FileDialog OpenFileDialog();
// Qt's save dialog; a chosen name that does not end with `extension` (".json") gets it.
FileDialog SaveFileDialog(const QString& extension);

}  // namespace qv::ui
