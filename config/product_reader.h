#pragma once
// Turns the product document into a ProductConfig. Portable: the caller supplies the
// machine facts and performs the side effects (tracking, folders, clipboard).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "config/product_config.h"

class XmlDoc;

struct MachineKind {
  bool windows64 = false;
  bool arm64 = false;  // consulted only on 64-bit Windows
};

// Moves to the top and finds the Product element; false when there is none.
bool EnterProduct(XmlDoc& doc);

// Reads every field of the Product element (the cursor stays on it) in reading order,
// defaults applied; ServerHost always ends in "/". Dependents and clipboard are left out.
void ReadProductFields(XmlDoc& doc, MachineKind machine, ProductConfig& config);

// Reads the Dependent items, logs each one's ProductID and appends those that have an id
// and at least one package address; `on_added` sees each appended item.
void ReadDependentItems(XmlDoc& doc, ProductConfig& config,
                        const std::function<void(const DependentItem&)>& on_added = {});

struct ClipboardRequest {
  bool enabled = false;  // Clipboard present with Access "1"
  std::wstring keyword;
};
ClipboardRequest ReadClipboardRequest(XmlDoc& doc);

// The clipboard text to keep for `request`, given the clipboard's ANSI text: the whole
// text when it begins with the (non-empty) keyword and is safe to pass on a command line
// (at most 256 characters, no white space, quotes, slashes, backslashes or control
// characters); empty otherwise.
std::wstring ClipboardTextFor(const ClipboardRequest& request, std::string_view ansi_clipboard);
bool IsSafeClipboardText(std::wstring_view text);

// The leading decimal digits as a number (0 when none); stops before exceeding 2^31-1.
std::uint32_t DecimalPrefix(std::wstring_view text);

// "%localappdata%" in any letter case.
bool IsLocalAppDataToken(std::wstring_view path);
// The part of `install_path` up to and including the backslash in front of the folder
// named `brand`; empty when there is no such folder.
std::wstring InstallRootBeforeBrand(std::wstring_view install_path, std::wstring_view brand);
