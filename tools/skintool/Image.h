#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace SkinTool {

// A picture as straight (not premultiplied) 0xAARRGGBB pixels, rows from the
// top. The build tools and the skin tests share it; cairo reads and writes the
// PNG files.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  Image() = default;
  Image(int w, int h, std::uint32_t fill = 0);

  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  std::uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  // The part (x, y, w, h), clipped to the picture.
  Image Crop(int x, int y, int w, int h) const;
};

inline std::uint32_t AlphaOf(std::uint32_t argb) {
  return argb >> 24;
}

// Both return nothing / an empty vector when the data is not a PNG cairo can
// read or write.
std::optional<Image> DecodePng(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> EncodePng(const Image& image);

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path);
// Writes "<path>.tmp" and renames it, so a failed run never leaves a half file
// that a build would take for up to date. False on any failure.
bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

std::optional<Image> LoadPng(const std::string& path);
bool SavePng(const Image& image, const std::string& path);

}  // namespace SkinTool
