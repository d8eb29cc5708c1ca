// The debug output: traces of command bytes, thread ends and the like. They carry no behaviour.
// By default they go to standard error when QV5307_DEBUG is set in the environment, else
// nowhere; a test or the interface may install a sink of its own. Callable from any thread.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qv {

void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
void TraceText(std::string_view text);

// Replaces the sink (nullptr restores the default). The sink is called under a lock, one line at
// a time, and must not trace itself.
void SetTraceSink(std::function<void(std::string_view)> sink);

}  // namespace qv
