#include "ui/framework/dialog_builder.h"

#include <functional>
#include <map>

#include "common/text_convert.h"
#include "ui/framework/activex_ui.h"
#include "ui/framework/button_ui.h"
#include "ui/framework/combo_ui.h"
#include "ui/framework/container_ui.h"
#include "ui/framework/core/framework_log.h"
#include "ui/framework/core/layout_xml.h"
#include "ui/framework/core/values.h"
#include "ui/framework/edit_ui.h"
#include "ui/framework/label_ui.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/progress_ui.h"
#include "ui/framework/skin_package_win.h"
#include "ui/framework/web_browser_ui.h"

namespace {

using uifw::XmlElement;

template <class T>
std::unique_ptr<CControlUI> Make() {
  return std::make_unique<T>();
}

void ApplyFont(const XmlElement& e, CPaintManagerUI& manager) {
  const auto text = [&](const wchar_t* name) {
    const std::wstring* v = e.Attribute(name);
    return v ? *v : std::wstring();
  };
  manager.AddFont(uifw::ParseInt(text(L"id")), text(L"name"), uifw::ParseInt(text(L"size")),
                  uifw::ParseBool(text(L"bold")), uifw::ParseBool(text(L"underline")),
                  uifw::ParseBool(text(L"italic")), uifw::ParseBool(text(L"default")));
}

class TreeBuilder {
 public:
  TreeBuilder(IDialogBuilderCallback* callback, CPaintManagerUI* manager) : callback_(callback), manager_(manager) {}

  // The control for one element and its children; null for an element nobody knows.
  std::unique_ptr<CControlUI> Build(const XmlElement& e) {
    std::unique_ptr<CControlUI> control = CDialogBuilder::CreateControl(e.name);
    if (!control && callback_) control = callback_->CreateCustomControl(e.name);
    if (!control) {
      uifw::UiLog().Write("[WARN] unknown layout element %s skipped", WideToAnsi(e.name).c_str());
      return nullptr;
    }
    if (manager_) {
      if (const std::wstring* defaults = manager_->GetDefaultAttributeList(e.name)) control->SetAttributeList(*defaults);
    }
    for (const uifw::XmlAttribute& a : e.attributes) control->SetAttribute(a.name, a.value);

    if (auto* container = dynamic_cast<CContainerUI*>(control.get())) {
      for (const XmlElement& child : e.children) container->Add(Build(child));
    } else if (auto* combo = dynamic_cast<CComboUI*>(control.get())) {
      for (const XmlElement& child : e.children) combo->Add(Build(child));
    }
    return control;
  }

 private:
  IDialogBuilderCallback* const callback_;
  CPaintManagerUI* const manager_;
};

}  // namespace

std::unique_ptr<CControlUI> CDialogBuilder::CreateControl(std::wstring_view element) {
  static const std::map<std::wstring_view, std::function<std::unique_ptr<CControlUI>()>> kinds = {
      {L"Control", Make<CControlUI>},
      {L"Label", Make<CLabelUI>},
      {L"Button", Make<CButtonUI>},
      {L"Option", Make<COptionUI>},
      {L"CheckBox", Make<CCheckBoxUI>},
      {L"Edit", Make<CEditUI>},
      {L"RichEdit", Make<CRichEditUI>},
      {L"Combo", Make<CComboUI>},
      {L"ListLabelElement", Make<CListLabelElementUI>},
      {L"Progress", Make<CProgressUI>},
      {L"Container", Make<CContainerUI>},
      {L"VerticalLayout", Make<CVerticalLayoutUI>},
      {L"HorizontalLayout", Make<CHorizontalLayoutUI>},
      {L"ActiveX", Make<CActiveXUI>},
      {L"WebBrowser", Make<CWebBrowserUI>},
  };
  const auto it = kinds.find(element);
  return it == kinds.end() ? nullptr : it->second();
}

std::unique_ptr<CControlUI> CDialogBuilder::Create(std::wstring_view layout, std::wstring_view type,
                                                   IDialogBuilderCallback* callback, CPaintManagerUI* manager) {
  const std::optional<std::string> bytes =
      type.empty() ? uifw::SkinPackage::ReadMember(layout) : uifw::SkinPackage::ReadResource(layout, type);
  if (!bytes) {
    error_ = "layout document " + WideToAnsi(layout) + " not found";
    return nullptr;
  }
  return CreateFromBytes(*bytes, callback, manager);
}

std::unique_ptr<CControlUI> CDialogBuilder::CreateFromBytes(std::string_view document, IDialogBuilderCallback* callback,
                                                            CPaintManagerUI* manager) {
  error_.clear();
  std::optional<XmlElement> root = uifw::ParseLayoutXml(document, &error_);
  if (!root) return nullptr;
  if (root->name != L"Window") {
    error_ = "the root element is not Window";
    return nullptr;
  }
  if (manager) {
    for (const uifw::XmlAttribute& a : root->attributes) manager->SetWindowAttribute(a.name, a.value);
  }
  TreeBuilder builder(callback, manager);
  for (const XmlElement& e : root->children) {
    if (e.name == L"Font") {
      if (manager) ApplyFont(e, *manager);
    } else if (e.name == L"Default") {
      const std::wstring* name = e.Attribute(L"name");
      const std::wstring* value = e.Attribute(L"value");
      if (manager && name && value) manager->AddDefaultAttributeList(*name, *value);
    } else if (std::unique_ptr<CControlUI> control = builder.Build(e)) {
      return control;  // the one root control
    }
  }
  error_ = "the layout holds no control";
  return nullptr;
}
