#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tools/skintool/Image.h"

namespace SkinTool {

// An endlessly looping GIF89a of equally sized frames with one global palette
// of at most 256 colours (median cut over all frames, so every frame shares
// it). A pixel with alpha below 128 becomes the transparent index; the others
// are taken as opaque. Empty when the frames are missing or differ in size.
std::vector<std::uint8_t> EncodeGif(const std::vector<Image>& frames, int delayCentiseconds);

// Every frame as the whole canvas after that frame is drawn (disposal 0-2,
// local palettes, interlacing, transparency). Nothing when the data is not a
// GIF or is cut short.
std::optional<std::vector<Image>> DecodeGif(std::span<const std::uint8_t> bytes);

// The palette the encoder would choose: at most maxColours colours (0xRRGGBB).
std::vector<std::uint32_t> MedianCutPalette(const std::vector<Image>& frames, std::size_t maxColours);

}  // namespace SkinTool
