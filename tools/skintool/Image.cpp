#include "tools/skintool/Image.h"

#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace SkinTool {

namespace {

struct ReadCursor {
  std::span<const std::uint8_t> bytes;
  std::size_t offset = 0;
};

cairo_status_t ReadChunk(void* closure, unsigned char* data, unsigned int length) {
  auto* cursor = static_cast<ReadCursor*>(closure);
  if (cursor->bytes.size() - cursor->offset < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, cursor->bytes.data() + cursor->offset, length);
  cursor->offset += length;
  return CAIRO_STATUS_SUCCESS;
}

cairo_status_t WriteChunk(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

// cairo keeps premultiplied native-endian words: the same 0xAARRGGBB layout
// with the colour scaled by alpha.
std::uint32_t Unpremultiply(std::uint32_t p) {
  const std::uint32_t a = p >> 24;
  if (a == 0) return 0;
  if (a == 255) return p;
  auto channel = [&](int shift) {
    const std::uint32_t c = (p >> shift) & 0xFF;
    return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a) << shift;
  };
  return (a << 24) | channel(16) | channel(8) | channel(0);
}

std::uint32_t Premultiply(std::uint32_t p) {
  const std::uint32_t a = p >> 24;
  if (a == 255) return p;
  auto channel = [&](int shift) { return ((((p >> shift) & 0xFF) * a + 127) / 255) << shift; };
  return (a << 24) | channel(16) | channel(8) | channel(0);
}

}  // namespace

Image::Image(int w, int h, std::uint32_t fill)
    : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}

Image Image::Crop(int x, int y, int w, int h) const {
  const int x0 = std::clamp(x, 0, width), y0 = std::clamp(y, 0, height);
  const int x1 = std::clamp(x + w, x0, width), y1 = std::clamp(y + h, y0, height);
  Image part(x1 - x0, y1 - y0);
  for (int row = y0; row < y1; ++row) {
    std::copy_n(&pixels[static_cast<std::size_t>(row) * width + x0], x1 - x0, &part.At(0, row - y0));
  }
  return part;
}

std::optional<Image> DecodePng(std::span<const std::uint8_t> bytes) {
  ReadCursor cursor{bytes};
  cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadChunk, &cursor);
  std::optional<Image> result;
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    Image image(w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        std::uint32_t p;
        std::memcpy(&p, data + static_cast<std::size_t>(y) * stride + 4 * x, 4);
        // RGB24 leaves the top byte undefined; ARGB32 keeps it.
        image.At(x, y) = format == CAIRO_FORMAT_ARGB32 ? Unpremultiply(p) : (p | 0xFF000000u);
      }
    }
    result = std::move(image);
  }
  cairo_surface_destroy(surface);
  return result;
}

std::vector<std::uint8_t> EncodePng(const Image& image) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
  std::vector<std::uint8_t> out;
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        const std::uint32_t p = Premultiply(image.At(x, y));
        std::memcpy(data + static_cast<std::size_t>(y) * stride + 4 * x, &p, 4);
      }
    }
    cairo_surface_mark_dirty(surface);
    if (cairo_surface_write_to_png_stream(surface, WriteChunk, &out) != CAIRO_STATUS_SUCCESS) out.clear();
  }
  cairo_surface_destroy(surface);
  return out;
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temp, path, error);
  if (error) std::remove(temp.c_str());
  return !error;
}

std::optional<Image> LoadPng(const std::string& path) {
  const auto bytes = ReadFileBytes(path);
  if (!bytes) return std::nullopt;
  return DecodePng(*bytes);
}

bool SavePng(const Image& image, const std::string& path) {
  const std::vector<std::uint8_t> bytes = EncodePng(image);
  return !bytes.empty() && WriteFileBytes(path, bytes);
}

}  // namespace SkinTool
