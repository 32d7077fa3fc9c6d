#pragma once
// The "error_msg" texts of the analytics events.
#include <string>
#include <string_view>

namespace orb_analytics {

// By download result code: empty for 0, "Unknown error" for codes outside the table.
std::string_view DownloadResultText(long long code);

// By the transfer library's result code: empty for 0, the library's own text for 1 to
// 92, "Unknown error" otherwise.
std::string ConfigErrorText(long long code);

}  // namespace orb_analytics
