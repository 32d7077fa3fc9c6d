#pragma once
// The UTF-8 <-> UTF-16 conversions of XML documents and embedded resources. Unlike the
// strict conversions in text_convert.h these never fail: damaged input degrades to '?'
// characters so that a document with one bad byte can still be read.
#include <string>
#include <string_view>

// Lenient decoding:
// - the sequence length comes from the lead byte's bits 0x20, 0x10 and 0x08 alone;
//   a lead with all three set becomes '?';
// - a byte without its top bit where a continuation is due makes the sequence '?' and
//   is read again as the start of the next character;
// - code points above U+FFFF become surrogate pairs; those above U+10FFFF become '?';
// - a zero byte ends the text, and so does a sequence cut off by the end of the input;
// - a leading byte-order mark is kept as U+FEFF.
std::wstring XmlUtf8ToWide(std::string_view bytes);

// Standard UTF-8 of one to four bytes. A surrogate pair becomes one four-byte
// sequence; a surrogate unit that is not part of a pair becomes '?'.
std::string XmlWideToUtf8(std::wstring_view text);
