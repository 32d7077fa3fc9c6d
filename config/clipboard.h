#pragma once
// The clipboard's text in the ANSI text format. Windows only.
#if defined(_WIN32)
#include <string>

// Empty when the clipboard cannot be opened or holds no text.
std::string ReadClipboardAnsiText();

#endif  // _WIN32
