#include "ui/framework/notify_pump.h"

#include "ui/framework/control_ui.h"

bool CNotifyPump::LoopDispatch(TNotifyUI& msg) {
  const std::wstring_view sender = msg.sender ? std::wstring_view(msg.sender->GetName()) : std::wstring_view();
  for (const NotifyMapEntry& entry : GetNotifyMap()) {
    if (entry.type == msg.type && (entry.control.empty() || entry.control == sender)) {
      (this->*entry.handler)(msg);
      return true;
    }
  }
  return false;
}
