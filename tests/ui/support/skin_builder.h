#pragma once
// Builds skin package bytes in tests: zip archives (stored or deflated members) and
// PNG images, both with zlib, so each test states its package next to its checks.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace uitest {

struct ZipMember {
  std::string name;
  std::string data;
  bool deflate = false;
};

std::string MakeZip(const std::vector<ZipMember>& members, std::string_view comment = {});

// An RGBA PNG of w x h pixels given row by row as 0xAARRGGBB.
std::string MakePng(int width, int height, const std::vector<uint32_t>& argb);
std::string SolidPng(int width, int height, uint32_t argb);

}  // namespace uitest
