// render_layouts <output folder>
// Builds each layout document of the program's skin package into a real window, fills
// it with English texts the way the program's windows do, captures what the screen
// shows and writes <layout>.png (plus one picture per page of the main window). The
// mask window is layered and nearly invisible, so it is drawn over the download page
// it covers.
#include <windows.h>
// gdiplus.h needs objidl.h, which the lean windows.h leaves out.
#include <objidl.h>
#include <shellapi.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/skin/skin_test_support_win.h"
#include "ui/framework/win_handles.h"

namespace {

using skintest::SkinWindow;

void Set(const SkinWindow& w, const wchar_t* name, const wchar_t* text) {
  if (CControlUI* c = w.FindControl(name)) c->SetText(text);
}
void Show(const SkinWindow& w, const wchar_t* name, bool visible) {
  if (CControlUI* c = w.FindControl(name)) c->SetVisible(visible);
}
void Place(const SkinWindow& w, const wchar_t* name, int x, int y, int width, int height) {
  if (CControlUI* c = w.FindControl(name)) {
    c->SetFixedXY({x, y});
    c->SetFixedWidth(width);
    c->SetFixedHeight(height);
  }
}

bool PngEncoder(CLSID& clsid) {
  UINT count = 0, bytes = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
  std::vector<unsigned char> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring_view(codecs[i].MimeType) == L"image/png") {
      clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

bool SavePng(const std::vector<uint32_t>& argb, int width, int height, const std::wstring& path) {
  CLSID png{};
  if (argb.empty() || !PngEncoder(png)) return false;
  Gdiplus::Bitmap bitmap(width, height, width * 4, PixelFormat32bppARGB,
                         reinterpret_cast<BYTE*>(const_cast<uint32_t*>(argb.data())));
  return bitmap.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

class Renderer {
 public:
  explicit Renderer(std::wstring folder) : folder_(std::move(folder)) {}

  // Opens `layout`, lets `prepare` set it up, captures it and saves it as `name`.png.
  bool Shot(const wchar_t* layout, const wchar_t* name, const std::function<void(SkinWindow&)>& prepare) {
    SkinWindow window(layout, std::wstring(L"orb_render_") + name);
    if (!window.Open(nullptr, 40, 40)) return Fail(name, "window not created");
    prepare(window);
    skintest::PumpFor(120);
    int width = 0, height = 0;
    const std::vector<uint32_t> pixels = skintest::GrabClient(window.GetHWND(), width, height);
    last_ = pixels;
    last_width_ = width;
    last_height_ = height;
    return Save(pixels, width, height, name);
  }

  // The mask over the download page: the last shot underneath, the mask's controls
  // painted over it with their per-pixel alpha.
  bool MaskOverLastShot(const std::function<void(SkinWindow&)>& prepare) {
    SkinWindow mask(L"mask.xml", L"orb_render_mask");
    if (last_.empty() || !mask.Open(nullptr, 40, 40)) return Fail(L"mask", "no window or no page below");
    prepare(mask);
    skintest::PumpFor(80);
    RECT client{};
    ::GetClientRect(mask.GetHWND(), &client);
    const uifw::WindowDc screen(mask.GetHWND());
    const uifw::OffscreenBuffer canvas(screen.get(), client.right, client.bottom);
    if (!canvas.ok()) return Fail(L"mask", "no buffer");
    for (int y = 0; y < client.bottom && y < last_height_; ++y) {
      for (int x = 0; x < client.right && x < last_width_; ++x) {
        canvas.pixels()[y * client.right + x] = last_[static_cast<size_t>(y) * last_width_ + x];
      }
    }
    mask.GetPaintManager().UpdateLayout();
    mask.GetPaintManager().PaintTo(canvas.dc(), client);
    ::GdiFlush();
    std::vector<uint32_t> pixels(canvas.pixels(), canvas.pixels() + client.right * client.bottom);
    for (uint32_t& p : pixels) p |= 0xff000000u;
    return Save(pixels, client.right, client.bottom, L"mask");
  }

  int failures() const { return failures_; }

 private:
  bool Save(const std::vector<uint32_t>& pixels, int width, int height, const wchar_t* name) {
    const std::wstring path = folder_ + L"\\" + name + L".png";
    if (!SavePng(pixels, width, height, path)) return Fail(name, "PNG not written");
    std::printf("%ls %dx%d\n", name, width, height);
    return true;
  }
  bool Fail(const wchar_t* name, const char* why) {
    std::fprintf(stderr, "%ls: %s\n", name, why);
    ++failures_;
    return false;
  }

  std::wstring folder_;
  std::vector<uint32_t> last_;
  int last_width_ = 0, last_height_ = 0;
  int failures_ = 0;
};

// The start page's agreement line, one line or two, centred in the 600-pixel width.
void LayoutAgreementLine(SkinWindow& w) {
  const wchar_t* names[] = {L"lbl_agree", L"btn_privacy", L"lbl_and", L"btn_eula", L"lbl_tail"};
  SIZE s[5]{};
  for (int i = 0; i < 5; ++i) {
    auto* label = w.Find<CLabelUI>(names[i]);
    if (!label) return;
    s[i] = w.MeasureText(label->GetText(), label->GetFont());
  }
  int total = s[0].cx + s[1].cx + s[2].cx + s[3].cx + 36;
  if (s[4].cx > 0) total += s[4].cx + 5;
  else Show(w, L"lbl_tail", false);
  int first = total, second = 0;
  bool split = false;
  if (total >= 480) {
    first = s[0].cx + 21;
    second = s[1].cx + s[2].cx + s[3].cx + 10 + (s[4].cx > 0 ? s[4].cx + 5 : 0);
    if (second > 480) {
      first = s[0].cx + 26 + s[1].cx;
      second = second - 5 - s[1].cx;
      split = true;
    }
  }
  const int x1 = (600 - first) / 2, x2 = (600 - second) / 2, y = second <= 0 ? 330 : 320;
  Place(w, L"cbx_agree", x1, y + 1, 16, 16);
  Place(w, L"lbl_agree", x1 + 21, y, s[0].cx + 2, s[0].cy + 2);
  POINT at{};
  if (second > 0 && !split) at = {x2, y + 20};
  else at = {x1 + 21 + s[0].cx + 5, y};
  Place(w, L"btn_privacy", at.x, at.y, s[1].cx + 2, s[1].cy + 2);
  if (split) at = {x2, y + 20};
  else at.x += s[1].cx + 2 + 5;
  Place(w, L"lbl_and", at.x, at.y, s[2].cx + 2, s[2].cy + 2);
  at.x += s[2].cx + 2 + 5;
  Place(w, L"btn_eula", at.x, at.y, s[3].cx + 2, s[3].cy + 2);
  at.x += s[3].cx + 2 + 5;
  if (s[4].cx > 0) Place(w, L"lbl_tail", at.x, at.y, s[4].cx + 2, s[4].cy + 2);
}

void StartPageTexts(SkinWindow& w) {
  Set(w, L"btn_install", L"Install");
  Set(w, L"lbl_agree", L"I have read and agree to the Korvane");
  Set(w, L"btn_privacy", L"Privacy Policy");
  Set(w, L"lbl_and", L"and");
  Set(w, L"btn_eula", L"License Agreement");
  Set(w, L"lbl_tail", L"");
  Set(w, L"btn_settings", L"Installation settings");
  Set(w, L"lbl_install_dir", L"Installation folder:");
  Set(w, L"edit_install_dir", L"C:\\Program Files\\Korvane\\Lumetra");
  Set(w, L"lbl_language", L"Please select a language:");
  Set(w, L"btn_run", L"Start Now");
  LayoutAgreementLine(w);
}

void ClientHeight(SkinWindow& w, int height) { w.ResizeClient(600, height); }

void MainWindowShots(Renderer& r) {
  r.Shot(L"skin.xml", L"skin", [](SkinWindow& w) { StartPageTexts(w); });
  r.Shot(L"skin.xml", L"skin-settings", [](SkinWindow& w) {
    StartPageTexts(w);
    if (CControlUI* frame = w.FindControl(L"lbl_folder_bk")) frame->SetBkImage(L"file='folder_bk.png' corner='5,5,5,5'");
    if (CControlUI* edit = w.FindControl(L"edit_install_dir")) edit->SetAttribute(L"pos", L"174,404,442,428");
    for (const wchar_t* name : {L"lbl_install_dir", L"edit_install_dir", L"btn_select_dir", L"btn_upIcon"}) Show(w, name, true);
    Show(w, L"btn_downIcon", false);
    ClientHeight(w, 440);
  });
  r.Shot(L"skin.xml", L"skin-failed", [](SkinWindow& w) {
    Show(w, L"lay_before", false);
    Show(w, L"lay_failed", true);
    Set(w, L"lbl_install_failed", L"Installation error");
    Set(w, L"lbl_tip1", L"If you encounter problems during installation, you can try the following:");
    Set(w, L"lbl_tip2", L"1. Check whether the network connection is normal");
    Set(w, L"lbl_tip3", L"2. Clean up disk storage space");
    Set(w, L"btn_download_pkg", L"3. Download the installation program");
    Set(w, L"lbl_tip4", L"again");
    Set(w, L"lbl_contact", L"If the problems cannot be resolved, please leave your contact information and send an error report.");
    if (auto* e = w.Find<CEditUI>(L"edit_contact")) e->SetTipValue(L"Contact information (email/mobile number)");
    if (auto* e = w.Find<CEditUI>(L"edit_remark")) e->SetTipValue(L"Problem description (optional)");
    Set(w, L"btn_help", L"Get help");
    Set(w, L"btn_send_report", L"Send an error report");
  });
  r.Shot(L"skin.xml", L"skin-finish", [](SkinWindow& w) {
    StartPageTexts(w);
    Show(w, L"lay_before", false);
    Show(w, L"lay_after", true);
    Show(w, L"edit_package", true);
    Set(w, L"edit_package", L"Offline installer is saved in: C:\\Users\\Public\\Documents\\Korvane\\Lumetra");
  });
  // Last, so the mask can be drawn over it.
  r.Shot(L"skin.xml", L"skin-download", [](SkinWindow& w) {
    Show(w, L"lay_before", false);
    Show(w, L"lay_caption", false);
    Show(w, L"lay_download", true);
    if (auto* p = w.Find<CProgressUI>(L"progress_download")) p->SetValue(42);
    Set(w, L"lbl_progress_tip", L"Downloading (Time remaining:  00:01:25)");
    Set(w, L"lbl_progress_value", L"42%");
    Show(w, L"lbl_wait_for_time_tip", false);
  });
}

void DialogShots(Renderer& r) {
  r.Shot(L"messagebox.xml", L"messagebox", [](SkinWindow& w) {
    Set(w, L"lbl_title", L"Warning");
    if (CControlUI* icon = w.FindControl(L"lab_icon")) icon->SetBkImage(L"warn.png");
    int bottom = 0;
    if (auto* content = w.Find<CLabelUI>(L"edit_content")) {
      const wchar_t* text = L"Are you sure to cancel the process? If so, the installation will be stopped.";
      const SIZE need = w.GetPaintManager().MeasureText(text, -1, 200);
      content->SetFixedHeight(std::max(content->GetFixedHeight(), static_cast<int>(need.cy)));
      content->SetText(text);
      content->SetEnabled(false);
      bottom = content->GetFixedXY().cy + content->GetFixedHeight();
    }
    int gap = 8;
    for (const auto& [name, text] : {std::pair{L"btn_ok", L"OK"}, std::pair{L"btn_cancel", L"Cancel"}}) {
      auto* button = w.Find<CButtonUI>(name);
      if (!button) continue;
      if (button->GetFixedXY().cy < bottom + gap) button->SetFixedXY({button->GetFixedXY().cx, bottom + gap});
      button->SetText(text);
      button->SetVisible(true);
      bottom = button->GetFixedXY().cy + button->GetFixedHeight();
      gap = 8;
    }
    w.ResizeClient(248, std::max(bottom + 32, 248));
  });
  r.Shot(L"privacybox.xml", L"privacybox", [](SkinWindow& w) {
    Set(w, L"lbl_title", L"User Agreement and Privacy Policy");
    Set(w, L"lbl_content", L"To protect your interests and rights, please read and agree to the Korvane");
    Set(w, L"box_btn_privacy", L"Privacy Policy");
    Set(w, L"box_lbl_and", L"and");
    Set(w, L"box_btn_eula", L"License Agreement");
    Set(w, L"box_lbl_tail", L"");
    Set(w, L"btn_agree_install", L"Agree and install");
    Set(w, L"btn_not_agree", L"Do not agree");
    const auto width = [&](const wchar_t* name) {
      auto* c = w.Find<CLabelUI>(name);
      return c ? static_cast<int>(w.MeasureText(c->GetText(), c->GetFont()).cx) : 0;
    };
    const int wTitle = width(L"lbl_title"), wC = width(L"lbl_content"), wP = width(L"box_btn_privacy"),
              wN = width(L"box_lbl_and"), wE = width(L"box_btn_eula");
    const int title_h = 20 * (wTitle / 195 + 1);
    Place(w, L"lbl_title", 24, 36, 200, title_h);
    int y = title_h + 44;
    const int content_h = 20 * (wC / 195 + 1);
    Place(w, L"lbl_content", 24, y, 200, content_h);
    y += content_h;
    if ((wP + wN + wE + 10) / 195 + 1 == 1) {
      const int x = (190 - wP - wN - wE) / 2 + 24;
      Place(w, L"box_btn_privacy", x, y, wP + 2, 20);
      Place(w, L"box_lbl_and", x + wP + 5, y, wN + 2, 20);
      Place(w, L"box_btn_eula", x + wP + 5 + wN + 5, y, wE + 2, 20);
    } else {
      Place(w, L"box_btn_privacy", (200 - wP) / 2 + 24, y, wP + 2, 20);
      y += 20;
      const int x = (195 - wN - wE) / 2 + 24;
      Place(w, L"box_lbl_and", x, y, wN + 2, 20);
      Place(w, L"box_btn_eula", x + wN + 5, y, wE + 2, 20);
    }
    Show(w, L"box_lbl_tail", false);
    const int height = y + 20 + 128;
    w.ResizeClient(248, height);
    Place(w, L"btn_agree_install", 24, height - 104, 200, 32);
    Place(w, L"btn_not_agree", 24, height - 64, 200, 32);
  });
  r.Shot(L"redeembox.xml", L"redeembox", [](SkinWindow& w) {
    Set(w, L"lbl_content", L"Leave your e-mail address to get one month of free membership benefits.");
    if (auto* e = w.Find<CEditUI>(L"edit_email")) e->SetTipValue(L"Email address");
    Set(w, L"lbl_tip",
        L"An account will be automatically created for you if you do not have one registered. The account "
        L"password will be sent to you by email.");
    if (auto* tip = w.Find<CLabelUI>(L"lbl_tip")) tip->SetTextAlign(DT_LEFT);
    Set(w, L"btn_ok", L"Continue to install");
    Set(w, L"btn_cancel", L"Give up");
  });
  r.Shot(L"selectfolder.xml", L"selectfolder", [](SkinWindow& w) {
    Set(w, L"lbl_title", L"Installation folder");
    Set(w, L"lbl_tip", L"Please select the save path.");
    Set(w, L"edit_folder", L"C:\\Program Files\\Korvane\\Lumetra");
    Set(w, L"btn_ok", L"OK");
    Set(w, L"btn_cancel", L"Cancel");
  });
}

}  // namespace

int main() {
  int argc = 0;
  const std::unique_ptr<LPWSTR, decltype(&::LocalFree)> argv(::CommandLineToArgvW(::GetCommandLineW(), &argc),
                                                             &::LocalFree);
  if (!argv || argc != 2) {
    std::fprintf(stderr, "usage: render_layouts <output folder>\n");
    return 2;
  }
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;
  int status = 0;
  {
    if (!skintest::UseProgramSkin()) {
      std::fprintf(stderr, "the skin package resource is missing\n");
      return 1;
    }
    Renderer r(argv.get()[1]);
    DialogShots(r);
    MainWindowShots(r);
    r.MaskOverLastShot([](SkinWindow& mask) {
      if (CControlUI* minimal = mask.FindControl(L"btn_minimal")) minimal->SetFixedXY({568, 4});
      Show(mask, L"btn_close", false);
      Set(mask, L"lbl_tips", L"You have already claimed free member benefits and cannot participate again!");
    });
    status = r.failures() ? 1 : 0;
  }
  Gdiplus::GdiplusShutdown(token);
  return status;
}
