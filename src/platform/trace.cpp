#include "platform/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace qv {

namespace {
std::mutex g_lock;
std::function<void(std::string_view)> g_sink;

bool DefaultEnabled() {
  static const bool enabled = std::getenv("QV5307_DEBUG") != nullptr;
  return enabled;
}
}  // namespace

void TraceText(std::string_view text) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (g_sink) {
    g_sink(text);
  } else if (DefaultEnabled()) {
    std::fprintf(stderr, "%.*s%s", static_cast<int>(text.size()), text.data(),
                 (!text.empty() && text.back() == '\n') ? "" : "\n");
  }
}

void Trace(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  TraceText(buffer);
}

void SetTraceSink(std::function<void(std::string_view)> sink) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_sink = std::move(sink);
}

}  // namespace qv
