#pragma once
// The name a package is saved under, taken from its URL.
#include <cstdint>
#include <string>
#include <string_view>

namespace ns_PLX {

// The last segment of the URL's path (query and fragment cut off, nothing decoded) when it
// is a safe plain file name; otherwise "package_<task id>.bin". A safe name is valid UTF-8
// of at most 200 characters without separators, reserved or control characters, trailing
// dots or spaces, and is no device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or
// without an extension), so that the saved file always lies inside the save folder.
std::string PackageFileName(std::string_view url, std::int32_t task_id);

}  // namespace ns_PLX
