#pragma once
// The fixed language data: the offered languages and the Windows locales that default to them.
#include <array>
#include <cstdint>

struct LangEntry {
  const wchar_t* name;  // display name, as the product document's Languages list spells it
  const wchar_t* code;
};

struct LocaleRow {
  std::uint32_t lcid;
  const wchar_t* name;  // a display name of kLanguages
};

extern const std::array<LangEntry, 21> kLanguages;
extern const std::array<LocaleRow, 75> kLocaleRows;  // searched from row 0; English has none
