#include "platform/registered_messages.h"

namespace qv {

std::string_view RegisteredMessageName(uint32_t id) {
  for (std::string_view name : kRegisteredMessageNames) {
    if (RegisteredMessageId(name) == id) return name;
  }
  return {};
}

}  // namespace qv
