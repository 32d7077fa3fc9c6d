#include "ui/framework/skin_package_win.h"

#include <map>
#include <memory>

#include "common/text_convert.h"
#include "ui/framework/core/framework_log.h"
#include "ui/framework/skin_image_win.h"
#include "ui/framework/zip/zip_archive.h"

namespace uifw {
namespace {

struct State {
  HINSTANCE instance = nullptr;
  std::optional<ZipArchive> package;
  std::map<std::wstring, std::unique_ptr<SkinImage>, std::less<>> images;  // null: known missing
};

State& Skin() {
  static State state;
  return state;
}

// MAKEINTRESOURCE for digits, the name itself otherwise.
const wchar_t* ResourceName(const std::wstring& text) {
  if (!text.empty() && text.find_first_not_of(L"0123456789") == std::wstring::npos && text.size() <= 5) {
    return MAKEINTRESOURCEW(std::stoi(text));
  }
  return text.c_str();
}

std::optional<std::string> ResourceBytes(const wchar_t* name, const wchar_t* type) {
  HINSTANCE instance = Skin().instance ? Skin().instance : ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(instance, name, type);
  if (!found) return std::nullopt;
  HGLOBAL loaded = ::LoadResource(instance, found);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) return std::nullopt;
  return std::string(static_cast<const char*>(bytes), ::SizeofResource(instance, found));
}

}  // namespace

void SkinPackage::SetInstance(HINSTANCE instance) { Skin().instance = instance; }
HINSTANCE SkinPackage::Instance() { return Skin().instance ? Skin().instance : ::GetModuleHandleW(nullptr); }

bool SkinPackage::Load(std::string_view zip_bytes) {
  Unload();
  std::string error;
  Skin().package = ZipArchive::Open(zip_bytes, &error);
  if (!Skin().package) UiLog().Write("[ERROR] skin package rejected: %s", error.c_str());
  return Skin().package.has_value();
}

bool SkinPackage::LoadFromResource(UINT id, const wchar_t* type) {
  const std::optional<std::string> bytes = ResourceBytes(MAKEINTRESOURCEW(id), type);
  if (!bytes) {
    Unload();
    UiLog().Write("[ERROR] skin package resource %u not found", id);
    return false;
  }
  return Load(*bytes);
}

void SkinPackage::Unload() {
  Skin().package.reset();
  Skin().images.clear();
}

bool SkinPackage::IsLoaded() { return Skin().package.has_value(); }

std::optional<std::string> SkinPackage::ReadMember(std::wstring_view name) {
  if (!Skin().package || name.empty()) return std::nullopt;
  std::string error;
  std::optional<std::string> bytes = Skin().package->Read(WideToUtf8(name), &error);
  if (!bytes && Skin().package->Contains(WideToUtf8(name))) UiLog().Write("[ERROR] %s", error.c_str());
  return bytes;
}

std::optional<std::string> SkinPackage::ReadResource(std::wstring_view id, std::wstring_view type) {
  if (id.empty() || type.empty()) return std::nullopt;
  const std::wstring name(id), kind(type);
  return ResourceBytes(ResourceName(name), ResourceName(kind));
}

const SkinImage* SkinPackage::Image(const ImageDescriptor& d) {
  const std::wstring key = d.ImageKey();
  if (key.empty()) return nullptr;
  auto& images = Skin().images;
  if (const auto it = images.find(key); it != images.end()) return it->second.get();
  const std::optional<std::string> bytes = !d.file.empty() ? ReadMember(d.file) : ReadResource(d.res, d.restype);
  std::unique_ptr<SkinImage> image = bytes ? SkinImage::Decode(*bytes) : nullptr;
  return images.emplace(key, std::move(image)).first->second.get();
}

}  // namespace uifw
