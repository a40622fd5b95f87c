#include "tools/skintool/Ico.h"

#include <cstring>

namespace SkinTool {

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::uint32_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | (static_cast<std::uint32_t>(b[at + 1]) << 8);
}

std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
  return Get16(b, at) | (Get16(b, at + 2) << 16);
}

// BITMAPINFOHEADER, BGRA rows bottom-up, then the 1-bit AND mask (set where
// the picture is fully transparent), rows padded to 32 bits.
std::vector<std::uint8_t> Bitmap(const Image& image) {
  std::vector<std::uint8_t> out;
  const int maskStride = ((image.width + 31) / 32) * 4;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(image.width));
  Put32(out, static_cast<std::uint32_t>(image.height * 2));
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(image.width * image.height * 4 + maskStride * image.height));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) Put32(out, image.At(x, y));
  }
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskStride, 0);
    for (int x = 0; x < image.width; ++x) {
      if (AlphaOf(image.At(x, y)) == 0) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::optional<Image> ReadBitmap(std::span<const std::uint8_t> b) {
  if (b.size() < 40 || Get32(b, 0) < 40) return std::nullopt;
  const int w = static_cast<int>(Get32(b, 4));
  const int h = static_cast<int>(Get32(b, 8)) / 2;
  const std::uint32_t headerSize = Get32(b, 0);
  if (w <= 0 || h <= 0 || w > 256 || h > 256 || Get16(b, 14) != 32 || Get32(b, 16) != 0) return std::nullopt;
  if (b.size() < headerSize + static_cast<std::size_t>(w) * h * 4) return std::nullopt;
  Image image(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      image.At(x, h - 1 - y) = Get32(b, headerSize + (static_cast<std::size_t>(y) * w + x) * 4);
  }
  return image;
}

}  // namespace

std::vector<std::uint8_t> EncodeIco(const std::vector<Image>& images) {
  std::vector<std::vector<std::uint8_t>> entries;
  for (const Image& image : images) {
    if (image.width <= 0 || image.height <= 0 || image.width > 256 || image.height > 256) return {};
    entries.push_back(image.width == 256 || image.height == 256 ? EncodePng(image) : Bitmap(image));
    if (entries.back().empty()) return {};
  }
  if (entries.empty()) return {};
  std::vector<std::uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, static_cast<std::uint32_t>(entries.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(images[i].width & 0xFF));  // 0 stands for 256
    out.push_back(static_cast<std::uint8_t>(images[i].height & 0xFF));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, static_cast<std::uint32_t>(entries[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(entries[i].size());
  }
  for (const auto& entry : entries) out.insert(out.end(), entry.begin(), entry.end());
  return out;
}

std::optional<std::vector<Image>> DecodeIco(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 6 || Get16(bytes, 0) != 0 || Get16(bytes, 2) != 1) return std::nullopt;
  const std::size_t count = Get16(bytes, 4);
  if (count == 0 || bytes.size() < 6 + 16 * count) return std::nullopt;
  std::vector<Image> images;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + 16 * i;
    const std::size_t size = Get32(bytes, at + 8), offset = Get32(bytes, at + 12);
    if (offset > bytes.size() || bytes.size() - offset < size) return std::nullopt;
    const auto data = bytes.subspan(offset, size);
    std::optional<Image> image;
    if (size >= 8 && std::memcmp(data.data(), kPngSignature, 8) == 0) {
      image = DecodePng(data);
    } else {
      image = ReadBitmap(data);
    }
    if (!image) return std::nullopt;
    const int listedWidth = bytes[at] == 0 ? 256 : bytes[at];
    const int listedHeight = bytes[at + 1] == 0 ? 256 : bytes[at + 1];
    if (image->width != listedWidth || image->height != listedHeight) return std::nullopt;
    images.push_back(std::move(*image));
  }
  return images;
}

}  // namespace SkinTool
