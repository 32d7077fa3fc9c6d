#pragma once
// A control that hosts an ActiveX control (an OLE object activated in place in the
// window) over its rectangle. The hosting site answers the object's questions about
// its container (IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, IOleControlSite);
// derived controls add host interfaces through QueryHostInterface. When the object
// cannot be made (no such class, no OLE), the control stays empty: nothing fails.
#include <ole2.h>
#include <wrl/client.h>

#include <string_view>

#include "ui/framework/control_ui.h"
#include "ui/framework/ui_defs.h"

namespace uifw {
class ActiveXSite;
}

class CActiveXUI : public CControlUI, public INativeHostUI {
 public:
  CActiveXUI();
  ~CActiveXUI() override;
  std::wstring_view GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  // "{xxxxxxxx-...}" or a ProgID; false for text that names no class.
  bool SetClsid(std::wstring_view text);
  const CLSID& GetClsid() const { return clsid_; }
  // false: the object is made as soon as the control joins a window, not when first
  // laid out while shown.
  bool IsDelayCreate() const { return delay_create_; }
  void SetDelayCreate(bool delay) { delay_create_ = delay; }

  // Makes the object and activates it in place (once); false when that failed.
  bool CreateControl();
  bool IsCreated() const { return static_cast<bool>(object_); }
  // An interface of the hosted object; E_FAIL before it exists.
  HRESULT GetControl(REFIID iid, void** out) const;
  // The hosting site (a new reference), null before the object exists.
  IOleClientSite* GetClientSite() const;

  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;
  void SetPos(const RECT& rect) override;
  void SetVisible(bool visible = true) override;

  // INativeHostUI: the object's in-place window follows the control.
  HWND GetNativeWindow() const override;
  void SyncNativeWindow() override;
  bool CanTakeFocus() const override { return false; }
  void TakeNativeFocus() override {}
  bool HandleNativeMessage(UINT, WPARAM, LPARAM, LRESULT&) override { return false; }

 protected:
  // After the object is active in place; derived controls connect to it here.
  virtual void OnControlCreated() {}
  // Before the object is let go.
  virtual void OnControlReleasing() {}
  // Interfaces the site answers with something of the control (E_NOINTERFACE: none).
  virtual HRESULT QueryHostInterface(REFIID iid, void** out);
  void ReleaseControl();

 private:
  friend class uifw::ActiveXSite;
  bool ShouldCreateNow() const;

  CLSID clsid_{};
  bool delay_create_ = true;
  bool create_tried_ = false;
  bool ole_initialized_ = false;
  Microsoft::WRL::ComPtr<IOleObject> object_;
  Microsoft::WRL::ComPtr<IOleInPlaceObject> in_place_;
  uifw::ActiveXSite* site_ = nullptr;  // one reference held while the object exists
};
