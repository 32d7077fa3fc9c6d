#pragma once
// Message maps: each window class lists (notification type, control name, handler)
// entries; an empty control name matches every control. The first entry that matches
// a notification's type and its sender's name handles it.
#include <span>
#include <string_view>
#include <type_traits>

#include "ui/framework/ui_defs.h"

class CNotifyPump;
using NotifyHandler = void (CNotifyPump::*)(TNotifyUI&);

struct NotifyMapEntry {
  std::wstring_view type;
  std::wstring_view control;  // empty: any control
  NotifyHandler handler;
};

// An entry for a handler of a class derived from CNotifyPump:
//   static const NotifyMapEntry kMap[] = {MapNotify(L"click", L"", &MyWnd::OnClick)};
template <class T>
constexpr NotifyMapEntry MapNotify(std::wstring_view type, std::wstring_view control, void (T::*handler)(TNotifyUI&)) {
  static_assert(std::is_base_of_v<CNotifyPump, T>);
  return {type, control, static_cast<NotifyHandler>(handler)};
}

class CNotifyPump {
 public:
  virtual ~CNotifyPump() = default;
  // True when an entry of the map handled the notification.
  bool LoopDispatch(TNotifyUI& msg);

 protected:
  virtual std::span<const NotifyMapEntry> GetNotifyMap() const { return {}; }
};
