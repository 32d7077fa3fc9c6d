#include "ui/framework/web_browser_ui.h"

#include <exdispid.h>
#include <ocidl.h>

#include <vector>

#include "ui/framework/paint_manager.h"

namespace {

// The document host's command group (mshtmhst.h declares it; no import library defines it).
constexpr GUID kDocHostCommandHandler = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};

// Every operation keeps its default when no handler is set.
CWebBrowserEventHandler g_default_handler;

// Argument `index` in call order (DISPPARAMS lists them last first); a VT_BYREF
// VARIANT is followed to the VARIANT it points at. Null when missing.
VARIANT* Arg(const DISPPARAMS& params, UINT index) {
  if (!params.rgvarg || index >= params.cArgs) return nullptr;
  VARIANT* v = &params.rgvarg[params.cArgs - 1 - index];
  if (v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
  return v;
}

IDispatch* DispatchArg(const DISPPARAMS& params, UINT index) {
  const VARIANT* v = Arg(params, index);
  if (!v) return nullptr;
  if (v->vt == VT_DISPATCH) return v->pdispVal;
  if (v->vt == (VT_BYREF | VT_DISPATCH) && v->ppdispVal) return *v->ppdispVal;
  return nullptr;
}

VARIANT_BOOL* BoolRefArg(const DISPPARAMS& params, UINT index) {
  VARIANT* v = Arg(params, index);
  return v && v->vt == (VT_BYREF | VT_BOOL) ? v->pboolVal : nullptr;
}

bool LongArg(const DISPPARAMS& params, UINT index, LONG& out) {
  VARIANT* v = Arg(params, index);
  if (!v) return false;
  VARIANT converted;
  ::VariantInit(&converted);
  if (FAILED(::VariantChangeType(&converted, v, 0, VT_I4))) return false;
  out = converted.lVal;
  return true;
}

BSTR BstrArg(const DISPPARAMS& params, UINT index) {
  const VARIANT* v = Arg(params, index);
  if (!v) return nullptr;
  if (v->vt == VT_BSTR) return v->bstrVal;
  if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal) return *v->pbstrVal;
  return nullptr;
}

// A throwaway VARIANT_BOOL for events whose cancel flag is missing or malformed.
struct CancelSlot {
  VARIANT_BOOL value = VARIANT_FALSE;
  VARIANT_BOOL* Or(VARIANT_BOOL* given) { return given ? given : &value; }
};

}  // namespace

CWebBrowserUI::CWebBrowserUI() : handler_(&g_default_handler) {
  SetClsid(L"{8856F961-340A-11D0-A96B-00C04FD705A2}");  // the system's web browser control
}

CWebBrowserUI::~CWebBrowserUI() {
  CPaintManagerUI::RemoveTranslateAccelerator(this);
  ReleaseControl();  // while this part still exists: the browser lets go of it here
}

std::wstring_view CWebBrowserUI::GetClass() const { return L"WebBrowserUI"; }

void* CWebBrowserUI::GetInterface(std::wstring_view name) {
  return name == L"WebBrowser" ? this : CActiveXUI::GetInterface(name);
}

void CWebBrowserUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"homepage") SetHomePage(value);
  else CActiveXUI::SetAttribute(name, value);
}

void CWebBrowserUI::SetWebBrowserEventHandler(CWebBrowserEventHandler* handler) {
  if (handler && handler != handler_) handler_ = handler;
}

void CWebBrowserUI::Navigate2(std::wstring_view url) {
  if (url.empty()) return;
  if (!browser_) {
    pending_url_ = url;
    return;
  }
  VARIANT address;
  ::VariantInit(&address);
  address.vt = VT_BSTR;
  address.bstrVal = ::SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
  VARIANT empty;
  ::VariantInit(&empty);
  browser_->Navigate2(&address, &empty, &empty, &empty, &empty);
  ::VariantClear(&address);
}

void CWebBrowserUI::NavigateHomePage() {
  if (!home_page_.empty()) Navigate2(home_page_);
}

void CWebBrowserUI::Refresh() {
  if (browser_) browser_->Refresh();
}

HRESULT CWebBrowserUI::InvokeScript(std::wstring_view name, std::span<const VARIANT> args, VARIANT* result) {
  if (!browser_) return E_FAIL;
  Microsoft::WRL::ComPtr<IDispatch> document;
  HRESULT hr = browser_->get_Document(document.GetAddressOf());
  if (FAILED(hr) || !document) return FAILED(hr) ? hr : E_FAIL;
  // The document's "Script" property is the page's global scope.
  std::wstring member = L"Script";
  LPOLESTR names[] = {member.data()};
  DISPID id = DISPID_UNKNOWN;
  hr = document->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS none{};
  VARIANT script_value;
  ::VariantInit(&script_value);
  hr = document->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &script_value, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  if (script_value.vt != VT_DISPATCH || !script_value.pdispVal) {
    ::VariantClear(&script_value);
    return E_FAIL;
  }
  Microsoft::WRL::ComPtr<IDispatch> script;
  script.Attach(script_value.pdispVal);

  std::wstring function(name);
  names[0] = function.data();
  hr = script->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());  // DISPPARAMS wants the last first
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO exception{};
  UINT arg_error = 0;
  hr = script->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, &exception, &arg_error);
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
  return hr;
}

void CWebBrowserUI::OnControlCreated() {
  if (FAILED(GetControl(IID_PPV_ARGS(browser_.ReleaseAndGetAddressOf())))) return;
  browser_->put_Silent(VARIANT_TRUE);  // no dialog may wait for a person
  Microsoft::WRL::ComPtr<IConnectionPointContainer> container;
  Microsoft::WRL::ComPtr<IConnectionPoint> point;
  if (SUCCEEDED(browser_.As(&container)) &&
      SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.GetAddressOf()))) {
    DWORD cookie = 0;
    if (SUCCEEDED(point->Advise(static_cast<IDispatch*>(this), &cookie))) advise_cookie_ = cookie;
  }
  CPaintManagerUI::AddTranslateAccelerator(this);
  if (!pending_url_.empty()) {
    const std::wstring url = std::move(pending_url_);
    pending_url_.clear();
    Navigate2(url);
  }
}

void CWebBrowserUI::OnControlReleasing() {
  CPaintManagerUI::RemoveTranslateAccelerator(this);
  if (advise_cookie_ && browser_) {
    Microsoft::WRL::ComPtr<IConnectionPointContainer> container;
    Microsoft::WRL::ComPtr<IConnectionPoint> point;
    if (SUCCEEDED(browser_.As(&container)) &&
        SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.GetAddressOf()))) {
      point->Unadvise(advise_cookie_);
    }
  }
  advise_cookie_ = 0;
  if (browser_) browser_->Stop();
  browser_.Reset();
}

HRESULT CWebBrowserUI::QueryHostInterface(REFIID iid, void** out) {
  if (iid == IID_IDocHostUIHandler || iid == IID_IServiceProvider || iid == IID_IOleCommandTarget ||
      iid == IID_IDispatch || iid == IID_IInternetSecurityManager) {
    return QueryInterface(iid, out);
  }
  return CActiveXUI::QueryHostInterface(iid, out);
}

HRESULT CWebBrowserUI::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDocHostUIHandler) *out = static_cast<IDocHostUIHandler*>(this);
  else if (iid == IID_IServiceProvider) *out = static_cast<IServiceProvider*>(this);
  else if (iid == IID_IOleCommandTarget) *out = static_cast<IOleCommandTarget*>(this);
  else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) *out = static_cast<IDispatch*>(this);
  else if (iid == IID_IInternetSecurityManager) *out = static_cast<IInternetSecurityManager*>(this);
  else return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG CWebBrowserUI::AddRef() { return ++refs_; }
ULONG CWebBrowserUI::Release() { return refs_ ? --refs_ : 0; }

HRESULT CWebBrowserUI::ShowContextMenu(DWORD id, POINT* point, IUnknown* target, IDispatch* object) {
  return handler_->ShowContextMenu(id, point, target, object);
}

HRESULT CWebBrowserUI::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return E_POINTER;
  info->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER;
  return handler_->GetHostInfo(info);
}

HRESULT CWebBrowserUI::ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                              IOleInPlaceFrame* frame, IOleInPlaceUIWindow* document) {
  return handler_->ShowUI(id, active, target, frame, document);
}
HRESULT CWebBrowserUI::HideUI() { return handler_->HideUI(); }
HRESULT CWebBrowserUI::UpdateUI() { return handler_->UpdateUI(); }
HRESULT CWebBrowserUI::EnableModeless(BOOL enable) { return handler_->EnableModeless(enable); }
HRESULT CWebBrowserUI::OnDocWindowActivate(BOOL activate) { return handler_->OnDocWindowActivate(activate); }
HRESULT CWebBrowserUI::OnFrameWindowActivate(BOOL activate) { return handler_->OnFrameWindowActivate(activate); }
HRESULT CWebBrowserUI::ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) {
  return handler_->ResizeBorder(border, window, frame);
}
HRESULT CWebBrowserUI::TranslateAccelerator(LPMSG msg, const GUID* group, DWORD command) {
  return handler_->TranslateAccelerator(msg, group, command);
}
HRESULT CWebBrowserUI::GetOptionKeyPath(LPOLESTR* key, DWORD reserved) {
  return handler_->GetOptionKeyPath(key, reserved);
}
HRESULT CWebBrowserUI::GetDropTarget(IDropTarget* target, IDropTarget** replacement) {
  return handler_->GetDropTarget(target, replacement);
}
HRESULT CWebBrowserUI::GetExternal(IDispatch** external) { return handler_->GetExternal(external); }
HRESULT CWebBrowserUI::TranslateUrl(DWORD reserved, LPWSTR url, LPWSTR* translated) {
  return handler_->TranslateUrl(reserved, url, translated);
}
HRESULT CWebBrowserUI::FilterDataObject(IDataObject* object, IDataObject** replacement) {
  return handler_->FilterDataObject(object, replacement);
}

HRESULT CWebBrowserUI::QueryService(REFGUID service, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (service == SID_SInternetSecurityManager) return QueryInterface(iid, out);
  return E_NOINTERFACE;
}

HRESULT CWebBrowserUI::QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) { return OLECMDERR_E_UNKNOWNGROUP; }

HRESULT CWebBrowserUI::Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT* out) {
  if (group && *group == kDocHostCommandHandler && id == OLECMDID_SHOWSCRIPTERROR) {
    // Handled: no error dialog, and the page's scripts keep running.
    if (out) {
      ::VariantClear(out);
      out->vt = VT_BOOL;
      out->boolVal = VARIANT_TRUE;
    }
    return S_OK;
  }
  return group ? OLECMDERR_E_UNKNOWNGROUP : OLECMDERR_E_NOTSUPPORTED;
}

HRESULT CWebBrowserUI::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT CWebBrowserUI::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT CWebBrowserUI::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
  if (ids) {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT CWebBrowserUI::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  if (!params) return E_INVALIDARG;
  return RelayEvent(id, *params) ? S_OK : DISP_E_MEMBERNOTFOUND;
}

bool CWebBrowserUI::RelayEvent(DISPID id, const DISPPARAMS& params) {
  CancelSlot cancel;
  switch (id) {
    case DISPID_BEFORENAVIGATE2:
      handler_->BeforeNavigate2(DispatchArg(params, 0), Arg(params, 1), Arg(params, 2), Arg(params, 3),
                                Arg(params, 4), Arg(params, 5), cancel.Or(BoolRefArg(params, 6)));
      return true;
    case DISPID_NAVIGATEERROR:
      handler_->NavigateError(DispatchArg(params, 0), Arg(params, 1), Arg(params, 2), Arg(params, 3),
                              cancel.Or(BoolRefArg(params, 4)));
      return true;
    case DISPID_NAVIGATECOMPLETE2:
      handler_->NavigateComplete2(DispatchArg(params, 0), Arg(params, 1));
      return true;
    case DISPID_DOCUMENTCOMPLETE:
      handler_->DocumentComplete(DispatchArg(params, 0), Arg(params, 1));
      return true;
    case DISPID_PROGRESSCHANGE: {
      LONG progress = 0, most = 0;
      if (LongArg(params, 0, progress) && LongArg(params, 1, most)) handler_->ProgressChange(progress, most);
      return true;
    }
    case DISPID_NEWWINDOW3: {
      VARIANT* window = Arg(params, 0);
      IDispatch** browser = window && window->vt == (VT_BYREF | VT_DISPATCH) ? window->ppdispVal : nullptr;
      LONG flags = 0;
      LongArg(params, 2, flags);
      handler_->NewWindow3(browser, cancel.Or(BoolRefArg(params, 1)), static_cast<DWORD>(flags), BstrArg(params, 3),
                           BstrArg(params, 4));
      return true;
    }
    case DISPID_COMMANDSTATECHANGE: {
      LONG command = 0, enable = 0;
      if (LongArg(params, 0, command) && LongArg(params, 1, enable)) {
        handler_->CommandStateChange(command, enable ? VARIANT_TRUE : VARIANT_FALSE);
      }
      return true;
    }
    case DISPID_TITLECHANGE:
      handler_->TitleChange(BstrArg(params, 0));
      return true;
    default:
      return false;
  }
}

LRESULT CWebBrowserUI::TranslateAccelerator(MSG* msg) {
  const HWND host = GetNativeWindow();
  if (!msg || !browser_ || !host || (msg->hwnd != host && !::IsChild(host, msg->hwnd))) return S_FALSE;
  Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> active;
  if (FAILED(browser_.As(&active))) return S_FALSE;
  return active->TranslateAccelerator(msg);
}

HRESULT CWebBrowserUI::SetSecuritySite(IInternetSecurityMgrSite*) { return INET_E_DEFAULT_ACTION; }
HRESULT CWebBrowserUI::GetSecuritySite(IInternetSecurityMgrSite** site) {
  if (site) *site = nullptr;
  return INET_E_DEFAULT_ACTION;
}
HRESULT CWebBrowserUI::MapUrlToZone(LPCWSTR, DWORD*, DWORD) { return INET_E_DEFAULT_ACTION; }
HRESULT CWebBrowserUI::GetSecurityId(LPCWSTR, BYTE*, DWORD*, DWORD_PTR) { return INET_E_DEFAULT_ACTION; }
HRESULT CWebBrowserUI::ProcessUrlAction(LPCWSTR, DWORD, BYTE*, DWORD, BYTE*, DWORD, DWORD, DWORD) {
  return INET_E_DEFAULT_ACTION;
}
HRESULT CWebBrowserUI::QueryCustomPolicy(LPCWSTR, REFGUID, BYTE**, DWORD*, BYTE*, DWORD, DWORD) {
  return INET_E_DEFAULT_ACTION;
}
HRESULT CWebBrowserUI::SetZoneMapping(DWORD, LPCWSTR, DWORD) { return INET_E_DEFAULT_ACTION; }
HRESULT CWebBrowserUI::GetZoneMappings(DWORD, IEnumString**, DWORD) { return INET_E_DEFAULT_ACTION; }
