// The program's logging categories. Both are quiet by default, so that a user's terminal stays
// clear; QV5307_DEBUG=1 (see EnableDebugLogging) or QT_LOGGING_RULES turn them on:
//   qv5307.trace  the traces of the core (commands and answers, thread ends, ...)
//   qv5307.ui     the interface's own notes (no tray, no session bus, ...)
// Warnings (a missing layout) show in any case.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcTrace)
Q_DECLARE_LOGGING_CATEGORY(lcUi)

namespace qv {

// With QV5307_DEBUG in the environment both categories log debug messages; then the core's
// traces go to the trace category whenever it is on. Call once at start, after the
// application object exists.
void SetUpLogging();

}  // namespace qv
