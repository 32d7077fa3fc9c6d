#include "app/lang/lang_table.h"

#include <cwctype>

#include "app/lang/lang_data.h"
#include "app/lang/locale_ids.h"
#include "app/log/simple_log.h"
#include "common/xml_doc.h"

namespace {
constexpr std::wstring_view kBrandWord = L"Korvane";

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return text;
}
}  // namespace

std::wstring ApplyBrand(std::wstring text, const std::wstring& brand) {
  if (Lower(brand) == L"korvane") return text;
  for (std::size_t at = text.find(kBrandWord); at != std::wstring::npos; at = text.find(kBrandWord, at + brand.size())) {
    text.replace(at, kBrandWord.size(), brand);
  }
  return text;
}

LangTable::LangTable() {
  languages_.reserve(kLanguages.size());
  for (const LangEntry& e : kLanguages) languages_.emplace_back(e.name, e.code);
  InitLangCode();
}

bool LangTable::InitLangCode() {
  const LocaleIds ids = CurrentLocaleIds();
  LogLine(kLogInfo, "[INFO] InitLangCode SystemDefaultLCID: %d", static_cast<int>(ids.system_default));
  LogLine(kLogInfo, "[INFO] InitLangCode GetUserDefaultLCID: %d", static_cast<int>(ids.user_default));
  const int row = SelectByLocale(ids.user_default);
  LogLine(kLogInfo, "[INFO] InitLangCode set: %d", row);
  return row >= 0;
}

int LangTable::SelectByLocale(std::uint32_t user_lcid) {
  for (std::size_t row = 0; row < kLocaleRows.size(); ++row) {
    if (kLocaleRows[row].lcid == user_lcid) {
      current_ = kLocaleRows[row].name;
      return static_cast<int>(row);
    }
  }
  return -1;
}

bool LangTable::LoadStrings(std::wstring_view document, const std::wstring& brand) {
  XmlDoc doc;
  if (!doc.SetText(document)) return false;
  doc.ResetTop();
  if (!doc.FindSibling(L"Lang") || !doc.EnterChild()) return false;
  while (doc.FindSibling(L"item")) strings_[doc.GetAttr(L"name")] = ApplyBrand(doc.GetText(), brand);
  doc.LeaveChild();
  return true;
}

std::wstring LangTable::GetText(const std::wstring& key) const {
  const auto it = strings_.find(key);
  return it == strings_.end() || it->second.empty() ? key : it->second;
}

std::wstring LangTable::GetTextOrEmpty(const std::wstring& key) const {
  const auto it = strings_.find(key);
  return it == strings_.end() ? std::wstring() : it->second;
}

std::wstring LangTable::CodeOf(std::wstring_view name) const {
  for (const Language& l : languages_) {
    if (l.first == name) return l.second;
  }
  return L"ENG";
}
