#include "config/channel_values.h"

#include <optional>

#include "platform/registry.h"

namespace {
// The value was always read into a 100-byte buffer (49 characters and the zero).
constexpr size_t kMaxChannelChars = 49;
}  // namespace

void WriteChannelValues(std::wstring_view product_id, std::wstring_view app_id, std::wstring_view channel,
                        std::wstring_view key_path) {
  try {
    const std::wstring_view name = app_id.empty() ? product_id : app_id;
    const RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, key_path, KEY_ALL_ACCESS, RegView::k32);
    if (!key) return;
    if (!key.ReadString({})) key.WriteString({}, channel);
    // An empty name would be the default value, which belongs to the first product.
    if (!name.empty()) key.WriteString(name, channel);
  } catch (...) {
  }
}

void WriteProductChannelValues(const ProductConfig& config) {
  WriteChannelValues(config.ProductID, config.AppID, config.Channel);
}

std::wstring ReadDefaultChannel(std::wstring_view key_path) {
  try {
    const RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, key_path, KEY_READ, RegView::k32);
    if (!key) return {};
    std::optional<std::wstring> value = key.ReadString({});
    if (!value || value->size() > kMaxChannelChars) return {};
    return *value;
  } catch (...) {
    return {};
  }
}
