// The web browser control's COM plumbing: its host interfaces, the event relay to a
// CWebBrowserEventHandler (the browser calls our IDispatch with DWebBrowserEvents2
// DISPIDs, so the test does the same), and hosting the system's browser in a window,
// which without a web engine must still create or fail cleanly.
#include <gtest/gtest.h>

#include <exdispid.h>
#include <ocidl.h>

#include "tests/ui/support/window_harness_win.h"

using uitest::TestWindow;

namespace {

// A VARIANT that owns its BSTR.
struct Text {
  explicit Text(const wchar_t* s) {
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocString(s);
  }
  ~Text() { ::VariantClear(&v); }
  VARIANT v;
};

VARIANT ByRef(VARIANT* target) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_BYREF | VT_VARIANT;
  v.pvarVal = target;
  return v;
}

VARIANT Dispatch(IDispatch* d) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = d;
  return v;
}

VARIANT BoolRef(VARIANT_BOOL* b) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_BYREF | VT_BOOL;
  v.pboolVal = b;
  return v;
}

VARIANT Long(LONG n) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}

std::wstring TextOf(const VARIANT* v) {
  return v && v->vt == VT_BSTR && v->bstrVal ? std::wstring(v->bstrVal) : L"(none)";
}

struct Recorder : CWebBrowserEventHandler {
  std::vector<std::wstring> seen;
  IDispatch* last_browser = nullptr;
  bool cancel_navigation = false;

  void BeforeNavigate2(IDispatch* browser, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                       VARIANT_BOOL* cancel) override {
    last_browser = browser;
    seen.push_back(L"before " + TextOf(url));
    if (cancel_navigation) *cancel = VARIANT_TRUE;
  }
  void NavigateError(IDispatch* browser, VARIANT* url, VARIANT*, VARIANT* status, VARIANT_BOOL* cancel) override {
    last_browser = browser;
    seen.push_back(L"error " + TextOf(url) + L" " + std::to_wstring(status && status->vt == VT_I4 ? status->lVal : -1));
    *cancel = VARIANT_TRUE;
  }
  void DocumentComplete(IDispatch* browser, VARIANT* url) override {
    last_browser = browser;
    seen.push_back(L"complete " + TextOf(url));
  }
  void ProgressChange(LONG progress, LONG most) override {
    seen.push_back(L"progress " + std::to_wstring(progress) + L"/" + std::to_wstring(most));
  }
  void TitleChange(BSTR title) override { seen.push_back(std::wstring(L"title ") + (title ? title : L"(none)")); }
  void NewWindow3(IDispatch**, VARIANT_BOOL* cancel, DWORD flags, BSTR, BSTR url) override {
    seen.push_back(L"new window " + std::wstring(url ? url : L"(none)") + L" " + std::to_wstring(flags));
    *cancel = VARIANT_TRUE;
  }
  HRESULT GetHostInfo(DOCHOSTUIINFO* info) override {
    info->dwFlags |= DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_NOTHEME;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
  }
  HRESULT ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_FALSE; }
};

constexpr GUID kDocHostCommandHandler = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};

HRESULT Fire(CWebBrowserUI& web, DISPID id, std::vector<VARIANT> args_in_order) {
  std::vector<VARIANT> reversed(args_in_order.rbegin(), args_in_order.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  return static_cast<IDispatch&>(web).Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(WebBrowserEvents, BrowserEventsReachTheHandlerWithTheirArguments) {
  CWebBrowserUI web;
  Recorder rec;
  web.SetWebBrowserEventHandler(&rec);
  IDispatch* browser = &static_cast<IDispatch&>(web);  // any object stands for the browser

  Text url(L"https://example.test/page");
  Text title(L"Page");
  Text empty(L"");
  VARIANT url_ref = ByRef(&url.v), empty_ref = ByRef(&empty.v);
  VARIANT status = Long(404);
  VARIANT status_ref = ByRef(&status);
  VARIANT_BOOL cancel_error = VARIANT_FALSE, cancel_before = VARIANT_FALSE, cancel_window = VARIANT_FALSE;

  EXPECT_EQ(Fire(web, DISPID_DOCUMENTCOMPLETE, {Dispatch(browser), url_ref}), S_OK);
  EXPECT_EQ(rec.last_browser, browser);
  EXPECT_EQ(Fire(web, DISPID_NAVIGATEERROR,
                 {Dispatch(browser), url_ref, empty_ref, status_ref, BoolRef(&cancel_error)}), S_OK);
  EXPECT_EQ(cancel_error, VARIANT_TRUE);
  rec.cancel_navigation = true;
  EXPECT_EQ(Fire(web, DISPID_BEFORENAVIGATE2,
                 {Dispatch(browser), url_ref, empty_ref, empty_ref, empty_ref, empty_ref, BoolRef(&cancel_before)}),
            S_OK);
  EXPECT_EQ(cancel_before, VARIANT_TRUE);
  EXPECT_EQ(Fire(web, DISPID_PROGRESSCHANGE, {Long(5), Long(10)}), S_OK);
  EXPECT_EQ(Fire(web, DISPID_TITLECHANGE, {title.v}), S_OK);
  IDispatch* new_browser = nullptr;
  VARIANT new_browser_ref;
  ::VariantInit(&new_browser_ref);
  new_browser_ref.vt = VT_BYREF | VT_DISPATCH;
  new_browser_ref.ppdispVal = &new_browser;
  EXPECT_EQ(Fire(web, DISPID_NEWWINDOW3, {new_browser_ref, BoolRef(&cancel_window), Long(6), empty.v, url.v}), S_OK);
  EXPECT_EQ(cancel_window, VARIANT_TRUE);

  EXPECT_EQ(rec.seen, (std::vector<std::wstring>{
                          L"complete https://example.test/page", L"error https://example.test/page 404",
                          L"before https://example.test/page", L"progress 5/10", L"title Page",
                          L"new window https://example.test/page 6"}));

  // Ids that are no event, and names, are not served.
  EXPECT_EQ(Fire(web, 500, {url.v}), DISP_E_MEMBERNOTFOUND);
  wchar_t name[] = L"anything";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  EXPECT_EQ(static_cast<IDispatch&>(web).GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST(WebBrowserEvents, MalformedEventArgumentsAreSurvived) {
  CWebBrowserUI web;
  Recorder rec;
  web.SetWebBrowserEventHandler(&rec);
  Text number(L"12");
  EXPECT_EQ(Fire(web, DISPID_DOCUMENTCOMPLETE, {}), S_OK);                   // no arguments at all
  EXPECT_EQ(Fire(web, DISPID_NAVIGATEERROR, {Long(1), Long(2)}), S_OK);      // too few, wrong types
  EXPECT_EQ(Fire(web, DISPID_NEWWINDOW3, {Long(1)}), S_OK);
  EXPECT_EQ(Fire(web, DISPID_PROGRESSCHANGE, {number.v, Long(20)}), S_OK);  // text that converts
  EXPECT_EQ(static_cast<IDispatch&>(web).Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, nullptr,
                                                nullptr, nullptr, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(rec.seen, (std::vector<std::wstring>{L"complete (none)", L"error (none) -1", L"new window (none) 0",
                                                 L"progress 12/20"}));
}

TEST(WebBrowserHost, HostQueriesHaveDefaultsThatAHandlerReplaces) {
  CWebBrowserUI web;
  auto& host = static_cast<IDocHostUIHandler&>(web);
  DOCHOSTUIINFO info{};
  info.cbSize = sizeof info;
  EXPECT_EQ(host.GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags, 0x200004u);  // NO3DBORDER | NO3DOUTERBORDER
  EXPECT_EQ(host.ShowContextMenu(0, nullptr, nullptr, nullptr), S_OK);  // handled: no menu
  IDispatch* external = reinterpret_cast<IDispatch*>(1);
  EXPECT_TRUE(FAILED(host.GetExternal(&external)));
  EXPECT_EQ(external, nullptr);

  Recorder rec;
  web.SetWebBrowserEventHandler(&rec);
  web.SetWebBrowserEventHandler(nullptr);  // keeps the one it has
  EXPECT_EQ(web.GetWebBrowserEventHandler(), &rec);
  info = DOCHOSTUIINFO{};
  info.cbSize = sizeof info;
  EXPECT_EQ(host.GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags, 0x28000Cu);
  EXPECT_EQ(host.ShowContextMenu(0, nullptr, nullptr, nullptr), S_FALSE);

  // Script errors are swallowed; the security manager defers to the system.
  VARIANT out;
  ::VariantInit(&out);
  EXPECT_EQ(static_cast<IOleCommandTarget&>(web).Exec(&kDocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0,
                                                      nullptr, &out),
            S_OK);
  EXPECT_EQ(out.vt, VT_BOOL);
  EXPECT_EQ(out.boolVal, VARIANT_TRUE);
  IInternetSecurityManager* security = nullptr;
  ASSERT_EQ(static_cast<IServiceProvider&>(web).QueryService(SID_SInternetSecurityManager, IID_IInternetSecurityManager,
                                                             reinterpret_cast<void**>(&security)),
            S_OK);
  EXPECT_EQ(security->ProcessUrlAction(L"https://example.test/", 0x1400, nullptr, 0, nullptr, 0, 0, 0),
            INET_E_DEFAULT_ACTION);
  security->Release();
  void* other = nullptr;
  EXPECT_EQ(static_cast<IServiceProvider&>(web).QueryService(IID_IWebBrowserApp, IID_IUnknown, &other), E_NOINTERFACE);
}

TEST(WebBrowserHost, QueryInterfaceAnswersItsTableWithOneIdentity) {
  CWebBrowserUI web;
  IUnknown* identity = nullptr;
  ASSERT_EQ(static_cast<IDispatch&>(web).QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  const ULONG refs = identity->AddRef();
  for (const IID* iid : {&IID_IDocHostUIHandler, &IID_IServiceProvider, &IID_IOleCommandTarget, &IID_IDispatch,
                         &IID_IInternetSecurityManager, &DIID_DWebBrowserEvents2}) {
    IUnknown* got = nullptr;
    ASSERT_EQ(identity->QueryInterface(*iid, reinterpret_cast<void**>(&got)), S_OK);
    IUnknown* back = nullptr;
    ASSERT_EQ(got->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, identity);
    back->Release();
    got->Release();
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(identity->QueryInterface(IID_IOleObject, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(identity->Release(), refs - 1);
  identity->Release();
  EXPECT_EQ(web.GetInterface(L"WebBrowser"), &web);
  EXPECT_EQ(web.GetInterface(L"ActiveX"), static_cast<CActiveXUI*>(&web));
  EXPECT_EQ(web.GetInterface(L"Label"), nullptr);
}

namespace {

const char kBrowserLayout[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,200">
  <VerticalLayout name="lay_main" bkcolor="#ffffffff">
    <WebBrowser name="web" float="true" pos="0,0,0,0" width="300" height="150"
                clsid="{8856F961-340A-11D0-A96B-00C04FD705A2}" delaycreate="false"/>
    <ActiveX name="nothing" float="true" pos="0,150,0,0" width="100" height="50"
             clsid="{0BADC0DE-0000-4000-8000-00000000ABCD}" delaycreate="false"/>
    <Button name="ok" float="true" pos="200,160,0,0" width="80" height="30"/>
  </VerticalLayout>
</Window>
)";

}  // namespace

TEST(WebBrowserHost, AClassThatCannotBeMadeLeavesAnEmptyControlAndAWorkingWindow) {
  uitest::UseSkin({{"test.xml", kBrowserLayout, true}});
  TestWindow window;
  ASSERT_TRUE(window.Open());
  auto* nothing = window.Find<CActiveXUI>(L"nothing");
  ASSERT_NE(nothing, nullptr);
  uitest::Pump();
  EXPECT_FALSE(nothing->IsCreated());
  EXPECT_EQ(nothing->GetClientSite(), nullptr);
  EXPECT_EQ(nothing->GetNativeWindow(), nullptr);
  void* object = nullptr;
  EXPECT_EQ(nothing->GetControl(IID_IUnknown, &object), E_FAIL);
  uitest::PostClick(window.GetHWND(), uitest::Centre(*window.FindControl(L"ok")));
  EXPECT_EQ(uitest::Senders(window.notes, L"click"), std::vector<std::wstring>{L"ok"});
}

TEST(WebBrowserHost, TheSystemBrowserIsHostedInPlaceWithItsSiteAndEventConnection) {
  uitest::UseSkin({{"test.xml", kBrowserLayout, true}});
  TestWindow window;
  ASSERT_TRUE(window.Open());
  uitest::Pump();
  auto* web = window.Find<CWebBrowserUI>(L"web");
  ASSERT_NE(web, nullptr);
  ASSERT_TRUE(web->IsCreated());  // created with the window: delaycreate="false"
  ASSERT_NE(web->GetWebBrowser2(), nullptr);

  // In place, over the control, inside the window.
  const HWND host = web->GetNativeWindow();
  ASSERT_NE(host, nullptr);
  EXPECT_TRUE(::IsChild(window.GetHWND(), host));
  RECT placed{};
  ::GetWindowRect(host, &placed);
  ::MapWindowPoints(nullptr, window.GetHWND(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_TRUE(::EqualRect(&placed, &web->GetPos()));

  // The site answers its own interfaces and hands the host ones to the control.
  IOleClientSite* site = web->GetClientSite();
  ASSERT_NE(site, nullptr);
  for (const IID* iid : {&IID_IOleClientSite, &IID_IOleInPlaceSite, &IID_IOleWindow, &IID_IOleInPlaceUIWindow,
                         &IID_IOleInPlaceFrame, &IID_IOleControlSite}) {
    IUnknown* got = nullptr;
    EXPECT_EQ(site->QueryInterface(*iid, reinterpret_cast<void**>(&got)), S_OK);
    if (got) got->Release();
  }
  IDocHostUIHandler* handler = nullptr;
  ASSERT_EQ(site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&handler)), S_OK);
  EXPECT_EQ(handler, static_cast<IDocHostUIHandler*>(web));
  handler->Release();
  IOleWindow* ole_window = nullptr;
  ASSERT_EQ(site->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&ole_window)), S_OK);
  HWND reported = nullptr;
  EXPECT_EQ(ole_window->GetWindow(&reported), S_OK);
  EXPECT_EQ(reported, window.GetHWND());
  ole_window->Release();
  void* none = nullptr;
  EXPECT_EQ(site->QueryInterface(IID_IOleObject, &none), E_NOINTERFACE);

  // Our IDispatch is advised on the browser's event connection point.
  EXPECT_TRUE(web->IsAdvised());
  IConnectionPointContainer* container = nullptr;
  ASSERT_EQ(web->GetWebBrowser2()->QueryInterface(IID_IConnectionPointContainer,
                                                  reinterpret_cast<void**>(&container)),
            S_OK);
  IConnectionPoint* point = nullptr;
  ASSERT_EQ(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point), S_OK);
  container->Release();
  const auto sinks = [&] {
    int ours = 0;
    IEnumConnections* all = nullptr;
    if (FAILED(point->EnumConnections(&all)) || !all) return -1;
    CONNECTDATA data{};
    while (all->Next(1, &data, nullptr) == S_OK) {
      ours += data.pUnk == static_cast<IDispatch*>(web) || data.pUnk == static_cast<IDocHostUIHandler*>(web);
      data.pUnk->Release();
    }
    all->Release();
    return ours;
  };
  EXPECT_EQ(sinks(), 1);

  // Removing the control lets the browser go: unadvised, its window gone, the site
  // cut loose (it still answers, as a plain site, whoever holds it).
  auto* root = window.Find<CContainerUI>(L"lay_main");
  ASSERT_TRUE(root->Remove(web));
  EXPECT_EQ(sinks(), 0);
  EXPECT_FALSE(::IsWindow(host));
  EXPECT_EQ(site->QueryInterface(IID_IDocHostUIHandler, &none), E_NOINTERFACE);
  EXPECT_EQ(site->Release(), 0u);  // ours was the last reference
  point->Release();
  uitest::Pump();
}
