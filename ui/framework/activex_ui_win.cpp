#include "ui/framework/activex_ui.h"

#include <string>

#include "ui/framework/activex_site_win.h"
#include "ui/framework/core/framework_log.h"
#include "ui/framework/core/values.h"
#include "ui/framework/paint_manager.h"

namespace uifw {

HRESULT ActiveXSite::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
  else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *out = static_cast<IOleInPlaceSite*>(this);
  else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) *out = static_cast<IOleInPlaceFrame*>(this);
  else if (iid == IID_IOleControlSite) *out = static_cast<IOleControlSite*>(this);
  else if (owner_) return owner_->QueryHostInterface(iid, out);
  else return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG ActiveXSite::AddRef() { return ++refs_; }

ULONG ActiveXSite::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT ActiveXSite::SaveObject() { return E_NOTIMPL; }
HRESULT ActiveXSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}
HRESULT ActiveXSite::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}
HRESULT ActiveXSite::ShowObject() { return S_OK; }
HRESULT ActiveXSite::OnShowWindow(BOOL) { return S_OK; }
HRESULT ActiveXSite::RequestNewObjectLayout() { return E_NOTIMPL; }

HRESULT ActiveXSite::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = owner_ && owner_->GetManager() ? owner_->GetManager()->GetPaintWindow() : nullptr;
  return *window ? S_OK : E_FAIL;
}
HRESULT ActiveXSite::ContextSensitiveHelp(BOOL) { return S_OK; }

HRESULT ActiveXSite::CanInPlaceActivate() { return owner_ ? S_OK : S_FALSE; }
HRESULT ActiveXSite::OnInPlaceActivate() { return S_OK; }
HRESULT ActiveXSite::OnUIActivate() { return S_OK; }

HRESULT ActiveXSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT pos,
                                      LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !document || !pos || !clip || !info) return E_POINTER;
  *document = nullptr;
  *frame = this;
  AddRef();
  const RECT place = owner_ ? owner_->GetPos() : RECT{};
  *pos = place;
  *clip = place;
  info->cb = sizeof *info;
  info->fMDIApp = FALSE;
  GetWindow(&info->hwndFrame);
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

HRESULT ActiveXSite::Scroll(SIZE) { return E_NOTIMPL; }
HRESULT ActiveXSite::OnUIDeactivate(BOOL) { return S_OK; }
HRESULT ActiveXSite::OnInPlaceDeactivate() { return S_OK; }
HRESULT ActiveXSite::DiscardUndoState() { return E_NOTIMPL; }
HRESULT ActiveXSite::DeactivateAndUndo() { return E_NOTIMPL; }

HRESULT ActiveXSite::OnPosRectChange(LPCRECT pos) {
  if (!pos) return E_POINTER;
  if (owner_ && owner_->in_place_) owner_->in_place_->SetObjectRects(pos, pos);
  return S_OK;
}

HRESULT ActiveXSite::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
HRESULT ActiveXSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
HRESULT ActiveXSite::SetBorderSpace(LPCBORDERWIDTHS) { return OLE_E_INVALIDRECT; }
HRESULT ActiveXSite::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) { return S_OK; }
HRESULT ActiveXSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return S_OK; }
HRESULT ActiveXSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
HRESULT ActiveXSite::RemoveMenus(HMENU) { return S_OK; }
HRESULT ActiveXSite::SetStatusText(LPCOLESTR) { return S_OK; }
HRESULT ActiveXSite::EnableModeless(BOOL) { return S_OK; }
HRESULT ActiveXSite::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

HRESULT ActiveXSite::OnControlInfoChanged() { return S_OK; }
HRESULT ActiveXSite::LockInPlaceActive(BOOL) { return S_OK; }
HRESULT ActiveXSite::GetExtendedControl(IDispatch** control) {
  if (control) *control = nullptr;
  return E_NOTIMPL;
}
HRESULT ActiveXSite::TransformCoords(POINTL*, POINTF*, DWORD) { return E_NOTIMPL; }
HRESULT ActiveXSite::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }
HRESULT ActiveXSite::OnFocus(BOOL) { return S_OK; }
HRESULT ActiveXSite::ShowPropertyFrame() { return E_NOTIMPL; }

}  // namespace uifw

CActiveXUI::CActiveXUI() = default;

CActiveXUI::~CActiveXUI() {
  if (GetManager()) GetManager()->RemoveNativeHost(this);
  ReleaseControl();
}

std::wstring_view CActiveXUI::GetClass() const { return L"ActiveXUI"; }

void* CActiveXUI::GetInterface(std::wstring_view name) {
  return name == L"ActiveX" ? this : CControlUI::GetInterface(name);
}

bool CActiveXUI::SetClsid(std::wstring_view text) {
  const std::wstring name(text);
  CLSID clsid{};
  const HRESULT hr = name.starts_with(L"{") ? ::CLSIDFromString(name.c_str(), &clsid)
                                            : ::CLSIDFromProgID(name.c_str(), &clsid);
  if (FAILED(hr)) return false;
  clsid_ = clsid;
  return true;
}

void CActiveXUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"clsid") SetClsid(value);
  else if (name == L"delaycreate") SetDelayCreate(uifw::ParseBool(value));
  else CControlUI::SetAttribute(name, value);
}

bool CActiveXUI::ShouldCreateNow() const {
  return !create_tried_ && GetManager() && GetManager()->GetPaintWindow() && (!delay_create_ || IsShown());
}

void CActiveXUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  if (GetManager() && GetManager() != manager) {
    GetManager()->RemoveNativeHost(this);
    ReleaseControl();  // its window belongs to the old one
    create_tried_ = false;
  }
  CControlUI::SetManager(manager, parent);
  if (manager) manager->AddNativeHost(this);
  if (!delay_create_ && ShouldCreateNow()) CreateControl();
}

void CActiveXUI::SetPos(const RECT& rect) {
  CControlUI::SetPos(rect);
  SyncNativeWindow();
}

void CActiveXUI::SetVisible(bool visible) {
  CControlUI::SetVisible(visible);
  SyncNativeWindow();
}

HWND CActiveXUI::GetNativeWindow() const {
  HWND window = nullptr;
  if (in_place_ && FAILED(in_place_->GetWindow(&window))) window = nullptr;
  return window;
}

void CActiveXUI::SyncNativeWindow() {
  if (ShouldCreateNow()) CreateControl();
  if (!in_place_) return;
  const RECT place = GetPos();
  in_place_->SetObjectRects(&place, &place);
  if (const HWND window = GetNativeWindow()) ::ShowWindow(window, IsShown() ? SW_SHOWNA : SW_HIDE);
}

bool CActiveXUI::CreateControl() {
  if (object_) return true;
  if (create_tried_ || !GetManager() || !GetManager()->GetPaintWindow()) return false;
  create_tried_ = true;
  const HRESULT init = ::OleInitialize(nullptr);
  ole_initialized_ = SUCCEEDED(init);
  Microsoft::WRL::ComPtr<IOleObject> object;
  HRESULT hr = ::CoCreateInstance(clsid_, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  IID_PPV_ARGS(object.GetAddressOf()));
  if (FAILED(hr)) {
    uifw::UiLog().Write("[ERROR] ActiveX %ls: CoCreateInstance 0x%08lx", GetName().c_str(), static_cast<unsigned long>(hr));
    return false;
  }
  site_ = new uifw::ActiveXSite(this);  // COM: released through Release
  object_ = object;
  hr = object->SetClientSite(site_);
  Microsoft::WRL::ComPtr<IPersistStreamInit> persist;
  if (SUCCEEDED(hr) && SUCCEEDED(object.As(&persist))) persist->InitNew();
  RECT place = GetPos();
  if (SUCCEEDED(hr)) {
    hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, GetManager()->GetPaintWindow(), &place);
  }
  if (SUCCEEDED(hr)) hr = object.As(&in_place_);
  if (FAILED(hr)) {
    uifw::UiLog().Write("[ERROR] ActiveX %ls: activation 0x%08lx", GetName().c_str(), static_cast<unsigned long>(hr));
    ReleaseControl();
    return false;
  }
  OnControlCreated();
  SyncNativeWindow();
  return true;
}

HRESULT CActiveXUI::GetControl(REFIID iid, void** out) const {
  if (!out) return E_POINTER;
  *out = nullptr;
  return object_ ? object_->QueryInterface(iid, out) : E_FAIL;
}

IOleClientSite* CActiveXUI::GetClientSite() const {
  if (!site_) return nullptr;
  site_->AddRef();
  return site_;
}

HRESULT CActiveXUI::QueryHostInterface(REFIID /*iid*/, void** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}

void CActiveXUI::ReleaseControl() {
  if (object_) {
    OnControlReleasing();
    if (in_place_) in_place_->InPlaceDeactivate();
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
  }
  in_place_.Reset();
  object_.Reset();
  if (site_) {
    site_->Detach();
    site_->Release();
    site_ = nullptr;
  }
  if (ole_initialized_) {
    ::OleUninitialize();
    ole_initialized_ = false;
  }
}
