#pragma once
// A control hosting the system's web browser control. The control is itself the
// browser's host: it answers IDocHostUIHandler, IServiceProvider, IOleCommandTarget,
// IInternetSecurityManager and, as IDispatch, receives the browser's events
// (DWebBrowserEvents2, through its connection point), which it relays to a
// CWebBrowserEventHandler. Its COM reference counts never delete it: the control
// tree owns it, and it lets the browser go before it goes.
#include <docobj.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <servprov.h>
#include <urlmon.h>

#include <span>
#include <string>

#include "ui/framework/activex_ui.h"
#include "ui/framework/web_browser_event_handler.h"

class CWebBrowserUI : public CActiveXUI,
                      public IDocHostUIHandler,
                      public IServiceProvider,
                      public IOleCommandTarget,
                      public IDispatch,
                      public ITranslateAccelerator,
                      public IInternetSecurityManager {
 public:
  CWebBrowserUI();
  ~CWebBrowserUI() override;
  std::wstring_view GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

  // Replaced only by a different, non-null handler. Not owned.
  void SetWebBrowserEventHandler(CWebBrowserEventHandler* handler);
  CWebBrowserEventHandler* GetWebBrowserEventHandler() const { return handler_; }
  // Before the browser exists the address is kept and loaded once it does.
  void Navigate2(std::wstring_view url);
  void SetHomePage(std::wstring_view url) { home_page_ = url; }
  const std::wstring& GetHomePage() const { return home_page_; }
  void NavigateHomePage();  // nothing while the home address is empty
  void Refresh();
  // The browser object (borrowed), null while there is none.
  IWebBrowser2* GetWebBrowser2() const { return browser_.Get(); }
  // Calls the global script function `name` of the current document with `args` (in
  // order); the call's result code. `result` may be null.
  HRESULT InvokeScript(std::wstring_view name, std::span<const VARIANT> args, VARIANT* result = nullptr);
  // How many browser event connections are open (0 or 1).
  bool IsAdvised() const { return advise_cookie_ != 0; }

  // IUnknown (one for all the interfaces above).
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDocHostUIHandler: relayed to the handler.
  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD id, POINT* point, IUnknown* target, IDispatch* object) override;
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                                   IOleInPlaceFrame* frame, IOleInPlaceUIWindow* document) override;
  HRESULT STDMETHODCALLTYPE HideUI() override;
  HRESULT STDMETHODCALLTYPE UpdateUI() override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, const GUID* group, DWORD command) override;
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget* target, IDropTarget** replacement) override;
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override;
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD reserved, LPWSTR url, LPWSTR* translated) override;
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject* object, IDataObject** replacement) override;

  // IServiceProvider: the security manager is this control.
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override;

  // IOleCommandTarget: script errors are not shown; nothing else is served.
  HRESULT STDMETHODCALLTYPE QueryStatus(const GUID* group, ULONG count, OLECMD commands[], OLECMDTEXT* text) override;
  HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD id, DWORD options, VARIANT* in, VARIANT* out) override;

  // IDispatch: the browser's events by DISPID; no names.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

  // ITranslateAccelerator: keys of the browser's own windows go to the browser first.
  LRESULT TranslateAccelerator(MSG* msg) override;

  // IInternetSecurityManager: every decision is the system's default.
  HRESULT STDMETHODCALLTYPE SetSecuritySite(IInternetSecurityMgrSite* site) override;
  HRESULT STDMETHODCALLTYPE GetSecuritySite(IInternetSecurityMgrSite** site) override;
  HRESULT STDMETHODCALLTYPE MapUrlToZone(LPCWSTR url, DWORD* zone, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetSecurityId(LPCWSTR url, BYTE* id, DWORD* size, DWORD_PTR reserved) override;
  HRESULT STDMETHODCALLTYPE ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy, DWORD policy_size,
                                             BYTE* context, DWORD context_size, DWORD flags,
                                             DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE QueryCustomPolicy(LPCWSTR url, REFGUID key, BYTE** policy, DWORD* policy_size,
                                              BYTE* context, DWORD context_size, DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE SetZoneMapping(DWORD zone, LPCWSTR pattern, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetZoneMappings(DWORD zone, IEnumString** patterns, DWORD flags) override;

 protected:
  void OnControlCreated() override;
  void OnControlReleasing() override;
  HRESULT QueryHostInterface(REFIID iid, void** out) override;
  // The browser's events, from Invoke; false for an id that is no event served here.
  bool RelayEvent(DISPID id, const DISPPARAMS& params);

 private:
  CWebBrowserEventHandler* handler_;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
  DWORD advise_cookie_ = 0;
  std::wstring home_page_;
  std::wstring pending_url_;
  ULONG refs_ = 0;  // counted for the peers' sake; never deletes
};
