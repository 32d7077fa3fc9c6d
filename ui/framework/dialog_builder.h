#pragma once
// Builds a control tree from a layout document: the Window element's attributes go to
// the paint manager, Font and Default elements register fonts and default attribute
// lists, and every other element becomes a control (the element name with "C" in
// front and "UI" behind), its attributes applied in document order. Element names the
// framework does not know are offered to the callback; unknown attributes are ignored.
#include <memory>
#include <string>
#include <string_view>

#include "ui/framework/control_ui.h"
#include "ui/framework/ui_defs.h"

class CPaintManagerUI;

class CDialogBuilder {
 public:
  // `layout` names a member of the skin package; with a non-empty `type` it is a
  // resource of the instance of that type instead (a number or a name). Null when the
  // document is missing, not well formed or holds no control.
  std::unique_ptr<CControlUI> Create(std::wstring_view layout, std::wstring_view type = {},
                                     IDialogBuilderCallback* callback = nullptr, CPaintManagerUI* manager = nullptr);
  // The same from the document's bytes.
  std::unique_ptr<CControlUI> CreateFromBytes(std::string_view document, IDialogBuilderCallback* callback = nullptr,
                                              CPaintManagerUI* manager = nullptr);

  // Why the last Create gave none.
  const std::string& GetLastError() const { return error_; }

  // A new control for an element name of the vocabulary, or null.
  static std::unique_ptr<CControlUI> CreateControl(std::wstring_view element);

 private:
  std::string error_;
};
