#include "platform/qt/log.h"

#include <QString>

#include "platform/trace.h"

Q_LOGGING_CATEGORY(lcTrace, "qv5307.trace", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "qv5307.ui", QtWarningMsg)

namespace qv {

void SetUpLogging() {
  if (qEnvironmentVariableIsSet("QV5307_DEBUG")) {
    QLoggingCategory::setFilterRules(QStringLiteral("qv5307.*.debug=true"));
  }
  if (lcTrace().isDebugEnabled()) {
    SetTraceSink([](std::string_view line) {
      if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
      qCDebug(lcTrace).noquote() << QString::fromUtf8(line.data(),
                                                      static_cast<qsizetype>(line.size()));
    });
  } else {
    SetTraceSink([](std::string_view) {});
  }
}

}  // namespace qv
