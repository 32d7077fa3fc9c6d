#pragma once
// What a browser control relays to its window: the browser's events
// (DWebBrowserEvents2) and the host queries of IDocHostUIHandler. Every operation has
// a default, so a handler overrides only what it cares for. VARIANT arguments are the
// browser's own (often VT_BYREF); a handler that cancels writes VARIANT_TRUE to
// *cancel.
#include <docobj.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <oleauto.h>

class CWebBrowserEventHandler {
 public:
  virtual ~CWebBrowserEventHandler() = default;

  virtual void BeforeNavigate2(IDispatch* /*browser*/, VARIANT* /*url*/, VARIANT* /*flags*/,
                               VARIANT* /*target_frame*/, VARIANT* /*post_data*/, VARIANT* /*headers*/,
                               VARIANT_BOOL* /*cancel*/) {}
  virtual void NavigateError(IDispatch* /*browser*/, VARIANT* /*url*/, VARIANT* /*target_frame*/,
                             VARIANT* /*status_code*/, VARIANT_BOOL* /*cancel*/) {}
  virtual void NavigateComplete2(IDispatch* /*browser*/, VARIANT* /*url*/) {}
  virtual void DocumentComplete(IDispatch* /*browser*/, VARIANT* /*url*/) {}
  virtual void ProgressChange(LONG /*progress*/, LONG /*progress_max*/) {}
  virtual void NewWindow3(IDispatch** /*browser*/, VARIANT_BOOL* /*cancel*/, DWORD /*flags*/, BSTR /*url_context*/,
                          BSTR /*url*/) {}
  virtual void CommandStateChange(long /*command*/, VARIANT_BOOL /*enable*/) {}
  virtual void TitleChange(BSTR /*title*/) {}

  // IDocHostUIHandler. S_OK from ShowContextMenu: the host has handled it (no menu).
  virtual HRESULT ShowContextMenu(DWORD /*id*/, POINT* /*point*/, IUnknown* /*target*/, IDispatch* /*object*/) {
    return S_OK;
  }
  // The browser control has already set NO3DBORDER and NO3DOUTERBORDER.
  virtual HRESULT GetHostInfo(DOCHOSTUIINFO* /*info*/) { return S_OK; }
  virtual HRESULT ShowUI(DWORD /*id*/, IOleInPlaceActiveObject* /*active*/, IOleCommandTarget* /*target*/,
                         IOleInPlaceFrame* /*frame*/, IOleInPlaceUIWindow* /*document*/) {
    return S_OK;  // the host shows its own (no) menus and toolbars
  }
  virtual HRESULT HideUI() { return S_OK; }
  virtual HRESULT UpdateUI() { return S_OK; }
  virtual HRESULT EnableModeless(BOOL /*enable*/) { return S_OK; }
  virtual HRESULT OnDocWindowActivate(BOOL /*activate*/) { return S_OK; }
  virtual HRESULT OnFrameWindowActivate(BOOL /*activate*/) { return S_OK; }
  virtual HRESULT ResizeBorder(LPCRECT /*border*/, IOleInPlaceUIWindow* /*window*/, BOOL /*frame*/) { return S_OK; }
  virtual HRESULT TranslateAccelerator(LPMSG /*msg*/, const GUID* /*group*/, DWORD /*command*/) { return S_FALSE; }
  virtual HRESULT GetOptionKeyPath(LPOLESTR* key, DWORD /*reserved*/) {
    if (key) *key = nullptr;
    return E_NOTIMPL;
  }
  virtual HRESULT GetDropTarget(IDropTarget* /*target*/, IDropTarget** replacement) {
    if (replacement) *replacement = nullptr;
    return E_NOTIMPL;
  }
  virtual HRESULT GetExternal(IDispatch** external) {
    if (external) *external = nullptr;
    return E_NOTIMPL;
  }
  virtual HRESULT TranslateUrl(DWORD /*reserved*/, LPWSTR /*url*/, LPWSTR* translated) {
    if (translated) *translated = nullptr;
    return S_FALSE;
  }
  virtual HRESULT FilterDataObject(IDataObject* /*object*/, IDataObject** replacement) {
    if (replacement) *replacement = nullptr;
    return S_FALSE;
  }
};
