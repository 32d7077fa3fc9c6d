#pragma once
// The language object: the offered languages, the current (product) language and the
// installer's string table. Built once by the entry; used on the user-interface thread.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class LangTable {
 public:
  using Language = std::pair<std::wstring, std::wstring>;  // display name, code

  // Fills the language list, starts with "English", then follows the user's locale.
  LangTable();

  // Sets the current language from the user's default locale; false when no locale row
  // matches (the name is then left as it was).
  bool InitLangCode();
  // The table-driven half of InitLangCode; returns the matching row or -1.
  int SelectByLocale(std::uint32_t user_lcid);

  // Loads the string table from the running executable's resource "XML" 131. Windows only.
  bool loadLangXML(const std::wstring& brand);
  // Loads the string table from document text; false when the text is not well formed or
  // has no "Lang" element. Items already loaded stay unless a key repeats.
  bool LoadStrings(std::wstring_view document, const std::wstring& brand);

  // The key's text; the key itself when it is missing or its text is empty.
  std::wstring GetText(const std::wstring& key) const;
  std::wstring GetTextOrEmpty(const std::wstring& key) const;
  // Code of the first language whose display name equals `name` exactly; "ENG" otherwise.
  std::wstring CodeOf(std::wstring_view name) const;

  const std::wstring& CurrentName() const { return current_; }
  void SetCurrentName(std::wstring name) { current_ = std::move(name); }
  const std::vector<Language>& Languages() const { return languages_; }
  std::size_t StringCount() const { return strings_.size(); }

 private:
  std::wstring current_ = L"English";
  std::map<std::wstring, std::wstring, std::less<>> strings_;
  std::vector<Language> languages_;
};

// Replaces every "Korvane" (exact case) in `text` by `brand`, unless the brand is
// korvane in any letter case.
std::wstring ApplyBrand(std::wstring text, const std::wstring& brand);
