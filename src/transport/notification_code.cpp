#include "transport/notification_code.h"

namespace qv {

Notification DecodeNotification(uint16_t code) {
  Notification n;
  const uint8_t low = static_cast<uint8_t>(code & 0xFF);
  switch (code) {
    case kNotifyReread:
      n.kind = NotificationKind::kReread;
      return n;
    case kNotifyResetReread:
      n.kind = NotificationKind::kResetReread;
      return n;
    case kNotifyNoAction:
      n.kind = NotificationKind::kNoAction;
      return n;
    default:
      break;
  }
  switch (code & 0xFF00) {
    case kNotifyKeyDownBase:
      n.kind = NotificationKind::kKeyDown;
      n.key = low;
      break;
    case kNotifyKeyUpBase:
      n.kind = NotificationKind::kKeyUp;
      n.key = low;
      break;
    case kNotifySlotBase:
      n.kind = NotificationKind::kSlotChanged;
      n.slot = low & 0x0F;
      break;
    case kNotifySlotPairBase:
      n.kind = NotificationKind::kSlotChangedWithValue;
      n.slot = low & 0x0F;
      n.second = (low >> 4) & 0x0F;
      break;
    default:
      break;
  }
  return n;
}

}  // namespace qv
