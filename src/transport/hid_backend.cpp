#include "transport/hid_backend.h"

#include <atomic>

namespace qv {

namespace {
std::atomic<HidBackend*> g_default{nullptr};
}

HidBackend& DefaultHidBackend() {
  HidBackend* b = g_default.load();
  return b ? *b : SystemHidBackend();
}

void SetDefaultHidBackend(HidBackend* backend) {
  g_default.store(backend);
}

}  // namespace qv
