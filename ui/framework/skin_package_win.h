#pragma once
// The process-wide skin: the module whose resources it may name, the zip package
// from which layouts and images are read by member name, and the images decoded
// from it (each once, on first use). User-interface thread only.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "ui/framework/core/image_descriptor.h"

namespace uifw {

class SkinImage;

class SkinPackage {
 public:
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE Instance();

  // Replaces the package; false (and no package) when the bytes are not a readable
  // zip archive. Forgets every decoded image.
  static bool Load(std::string_view zip_bytes);
  // The package from a resource of the instance, such as "ZIPRES" 133.
  static bool LoadFromResource(UINT id, const wchar_t* type);
  static void Unload();
  static bool IsLoaded();

  static std::optional<std::string> ReadMember(std::wstring_view name);
  // A resource of the instance: `id` is a number ("136") or a name.
  static std::optional<std::string> ReadResource(std::wstring_view id, std::wstring_view type);

  // The decoded image a descriptor names, or null when it names none that exists.
  static const SkinImage* Image(const ImageDescriptor& descriptor);
};

}  // namespace uifw
