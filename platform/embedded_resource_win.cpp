#include "platform/embedded_resource.h"

#include <windows.h>

#include <string_view>

#include "common/xml_utf.h"

// Resource handles of a loaded module need no release: they live as long as the module.
EmbeddedXml ReadEmbeddedXml(int resource_id) {
  const HMODULE self = ::GetModuleHandleW(nullptr);
  const HRSRC found = ::FindResourceW(self, MAKEINTRESOURCEW(resource_id), L"XML");
  if (!found) return {};
  const DWORD size = ::SizeofResource(self, found);
  const HGLOBAL loaded = ::LoadResource(self, found);
  const void* const bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return {EmbeddedStatus::kEmpty, {}};
  return {EmbeddedStatus::kFound, XmlUtf8ToWide(std::string_view(static_cast<const char*>(bytes), size))};
}
