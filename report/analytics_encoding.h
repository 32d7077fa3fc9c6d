#pragma once
// The collector's form body: a batch of records, gzip-compressed, base64 and
// percent-encoded.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orb_analytics {

// "[" + the records joined with "," + "]".
std::string BatchText(const std::vector<std::string>& records);

// Deflate in a gzip wrapper at level 9 (window bits 15, memory level 8). Nothing, with a
// message on standard error, when zlib fails.
std::optional<std::string> GzipCompress(std::string_view bytes);

// Letters, digits, "-", ".", "_" and "~" stay; every other byte becomes "%XX".
std::string PercentEncode(std::string_view bytes);

// "data_list=" + the encoded batch + "&gzip=1"; nothing when compression fails.
std::optional<std::string> EncodeBatchBody(const std::vector<std::string>& records);

}  // namespace orb_analytics
