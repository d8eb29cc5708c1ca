// Placeholder until the hidraw backend lands: lists nothing, opens nothing.
#include "transport/hid_backend.h"

namespace qv {
namespace {
class EmptyBackend : public HidBackend {
 public:
  bool Enumerate(std::vector<HidInterfaceEntry>* entries) override {
    entries->clear();
    return true;
  }
  std::unique_ptr<HidHandle> Open(const std::string&, const HidOpenFlags&) override {
    return nullptr;
  }
  bool IsPresent(const std::string&) override { return false; }
};
}  // namespace

HidBackend& SystemHidBackend() {
  static EmptyBackend backend;
  return backend;
}
}  // namespace qv
