#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tools/skintool/Image.h"

namespace SkinTool {

// A Windows icon file holding the given pictures (each at most 256 x 256).
// Pictures below 256 pixels are stored as 32-bit bitmaps with their AND mask,
// which every icon reader understands; 256-pixel ones as PNG. Empty when a
// picture is too large or empty.
std::vector<std::uint8_t> EncodeIco(const std::vector<Image>& images);

// The pictures of an icon file in directory order (32-bit bitmap and PNG
// entries). Nothing when the data is not an icon file or an entry is unreadable.
std::optional<std::vector<Image>> DecodeIco(std::span<const std::uint8_t> bytes);

}  // namespace SkinTool
