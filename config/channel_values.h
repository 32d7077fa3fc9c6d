#pragma once
// The channel registry values: under which distribution channel each of the maker's
// products was installed. Windows only; HKEY_LOCAL_MACHINE in its 32-bit view.
#if defined(_WIN32)
#include <string>
#include <string_view>

#include "config/product_config.h"

inline constexpr std::wstring_view kChannelKey = L"Software\\ZarnCX\\";

// The default value keeps the first product's channel; the value named `app_id` (or
// `product_id` when that is empty) is set to `channel` every time. Failures are silent.
void WriteChannelValues(std::wstring_view product_id, std::wstring_view app_id, std::wstring_view channel,
                        std::wstring_view key_path = kChannelKey);
// The same for a loaded product: fits ProductLoadHooks::write_channel_values.
void WriteProductChannelValues(const ProductConfig& config);
// The default value, or empty.
std::wstring ReadDefaultChannel(std::wstring_view key_path = kChannelKey);

#endif  // _WIN32
