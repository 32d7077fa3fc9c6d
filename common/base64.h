#pragma once
// Standard base64 (RFC 4648 alphabet, '=' padding).
#include <string>
#include <string_view>

std::string Base64Encode(std::string_view bytes);

// Accepts only canonical padded text: length a multiple of 4, at most two '=' at the
// very end, zero bits in the unused part of the last group, no white space. On
// failure `out` is left empty.
bool Base64Decode(std::string_view text, std::string& out);
