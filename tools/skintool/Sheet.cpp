#include "tools/skintool/Sheet.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <regex>

#include "tools/skintool/Gif.h"
#include "tools/skintool/Ico.h"

namespace SkinTool {

namespace fs = std::filesystem;

namespace {

constexpr int kMargin = 24;
constexpr int kGap = 6;        // between frames
constexpr int kEntryGap = 28;  // between entries in a row
constexpr int kRowGap = 26;    // between rows
constexpr int kLabelHeight = 38;
constexpr int kMinPageWidth = 1600;
constexpr double kTitleSize = 20, kNameSize = 13, kInfoSize = 11;

std::string ReadText(const fs::path& path) {
  const auto bytes = ReadFileBytes(path.string());
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

std::string SizeText(int w, int h) {
  return std::to_string(w) + " \u00d7 " + std::to_string(h);
}

void SetColour(cairo_t* cr, std::uint32_t rgb) {
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

double TextWidth(cairo_t* cr, const std::string& text, double size) {
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  return extents.x_advance;
}

cairo_surface_t* SurfaceOf(const Image& image) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t p = image.At(x, y), a = p >> 24;
      auto channel = [&](int shift) { return ((((p >> shift) & 0xFF) * a + 127) / 255) << shift; };
      const std::uint32_t premultiplied = (a << 24) | channel(16) | channel(8) | channel(0);
      std::memcpy(data + static_cast<std::size_t>(y) * stride + 4 * x, &premultiplied, 4);
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

struct Placed {
  const SheetEntry* entry;
  int x, y, width, height;
};

int FramesWidth(const SheetEntry& entry, int zoom) {
  int width = 0;
  for (const Image& frame : entry.frames) width += frame.width * zoom + kGap;
  return std::max(0, width - kGap);
}

int FramesHeight(const SheetEntry& entry, int zoom) {
  int height = 0;
  for (const Image& frame : entry.frames) height = std::max(height, frame.height * zoom);
  return height;
}

}  // namespace

int DeclaredFrames(const std::string& svgText) {
  static const std::regex root(R"(<svg\b[^>]*\bdata-frames\s*=\s*["'](\d+)["'])");
  std::smatch match;
  if (!std::regex_search(svgText, match, root)) return 1;
  return std::max(1, std::stoi(match[1].str()));
}

std::vector<SheetEntry> CollectSkin(const std::string& skinFolder, const std::string& sourceFolder,
                                    std::vector<std::string>& errors) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::recursive_directory_iterator it(skinFolder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file()) files.push_back(it->path());
  }
  if (error) errors.push_back(skinFolder + ": " + error.message());
  std::sort(files.begin(), files.end());

  std::vector<SheetEntry> entries;
  for (const fs::path& file : files) {
    const std::string extension = file.extension().string();
    if (extension != ".png" && extension != ".gif" && extension != ".ico") continue;
    SheetEntry entry;
    entry.name = fs::relative(file, skinFolder).generic_string();
    const auto bytes = ReadFileBytes(file.string());
    if (!bytes) {
      errors.push_back(entry.name + ": cannot be read");
      continue;
    }
    if (extension == ".png") {
      auto image = DecodePng(*bytes);
      if (!image) {
        errors.push_back(entry.name + ": not a PNG");
        continue;
      }
      fs::path source = fs::path(sourceFolder) / entry.name;
      source.replace_extension(".svg");
      const int frames = DeclaredFrames(ReadText(source));
      entry.fileWidth = image->width;
      entry.fileHeight = image->height;
      const int frameWidth = image->width / frames;
      entry.layout =
          frames == 1 ? "1 frame" : std::to_string(frames) + " frames of " + SizeText(frameWidth, image->height);
      if (image->width % frames != 0)
        entry.layout += ", " + std::to_string(image->width % frames) + " columns left over";
      for (int i = 0; i < frames; ++i)
        entry.frames.push_back(image->Crop(i * frameWidth, 0, frameWidth, image->height));
    } else {
      auto frames = extension == ".gif" ? DecodeGif(*bytes) : DecodeIco(*bytes);
      if (!frames || frames->empty()) {
        errors.push_back(entry.name + ": not a readable " + extension.substr(1) + " file");
        continue;
      }
      entry.fileWidth = frames->front().width;
      entry.fileHeight = frames->front().height;
      entry.layout = extension == ".gif" ? std::to_string(frames->size()) + " animation steps"
                                         : std::to_string(frames->size()) + " icon sizes";
      entry.frames = std::move(*frames);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

Image RenderSheet(const std::vector<SheetEntry>& entries, int zoom, const std::string& title) {
  zoom = std::max(1, zoom);
  // Measure with a scratch surface, then lay the entries out in rows.
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* measure = cairo_create(scratch);
  cairo_select_font_face(measure, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  int pageWidth = kMinPageWidth;
  std::vector<std::pair<int, int>> sizes;
  for (const SheetEntry& entry : entries) {
    const std::string info = SizeText(entry.fileWidth, entry.fileHeight) + ", " + entry.layout;
    const int labelWidth =
        static_cast<int>(std::max(TextWidth(measure, entry.name, kNameSize), TextWidth(measure, info, kInfoSize)) + 1);
    const int width = std::max(labelWidth, FramesWidth(entry, zoom));
    sizes.emplace_back(width, kLabelHeight + FramesHeight(entry, zoom));
    pageWidth = std::max(pageWidth, width + 2 * kMargin);
  }
  cairo_destroy(measure);
  cairo_surface_destroy(scratch);

  std::vector<Placed> placed;
  int x = kMargin, y = kMargin + 40, rowHeight = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto [w, h] = sizes[i];
    if (x > kMargin && x + w > pageWidth - kMargin) {
      x = kMargin;
      y += rowHeight + kRowGap;
      rowHeight = 0;
    }
    placed.push_back({&entries[i], x, y, w, h});
    x += w + kEntryGap;
    rowHeight = std::max(rowHeight, h);
  }
  const int pageHeight = y + rowHeight + kMargin;

  cairo_surface_t* page = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pageWidth, pageHeight);
  cairo_t* cr = cairo_create(page);
  SetColour(cr, 0x060B11);
  cairo_paint(cr);
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, kTitleSize);
  SetColour(cr, 0x49FFE6);
  cairo_move_to(cr, kMargin, kMargin + kTitleSize);
  cairo_show_text(cr, title.c_str());

  for (const Placed& item : placed) {
    const SheetEntry& entry = *item.entry;
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, kNameSize);
    SetColour(cr, 0xFFFFFF);
    cairo_move_to(cr, item.x, item.y + kNameSize);
    cairo_show_text(cr, entry.name.c_str());
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kInfoSize);
    SetColour(cr, 0x8FA3B5);
    cairo_move_to(cr, item.x, item.y + kNameSize + 6 + kInfoSize);
    const std::string info = SizeText(entry.fileWidth, entry.fileHeight) + ", " + entry.layout;
    cairo_show_text(cr, info.c_str());

    int fx = item.x;
    const int fy = item.y + kLabelHeight;
    for (const Image& frame : entry.frames) {
      const int w = frame.width * zoom, h = frame.height * zoom;
      // The frame's extent, just outside it.
      cairo_rectangle(cr, fx - 0.5, fy - 0.5, w + 1, h + 1);
      SetColour(cr, 0x2E3B48);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      cairo_surface_t* surface = SurfaceOf(frame);
      cairo_save(cr);
      cairo_translate(cr, fx, fy);
      cairo_scale(cr, zoom, zoom);
      cairo_set_source_surface(cr, surface, 0, 0);
      cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
      cairo_paint(cr);
      cairo_restore(cr);
      cairo_surface_destroy(surface);
      fx += w + kGap;
    }
  }
  cairo_destroy(cr);
  cairo_surface_flush(page);

  Image sheet(pageWidth, pageHeight);
  const unsigned char* data = cairo_image_surface_get_data(page);
  const int stride = cairo_image_surface_get_stride(page);
  for (int row = 0; row < pageHeight; ++row) {
    std::memcpy(&sheet.At(0, row), data + static_cast<std::size_t>(row) * stride,
                static_cast<std::size_t>(pageWidth) * 4);
  }
  cairo_surface_destroy(page);
  // Give back cairo's font caches and fontconfig's configuration, so a leak
  // check (the sanitizer builds run this) sees only what is ours.
  cairo_debug_reset_static_data();
  FcFini();
  return sheet;  // opaque page: premultiplied and straight agree
}

}  // namespace SkinTool
