// The encoders the build uses for loading.gif and Trelvix.ico, checked by
// reading back what they write.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

#include "tools/skintool/Gif.h"
#include "tools/skintool/Ico.h"

namespace {

using SkinTool::Image;

Image Gradient(int w, int h, int seed) {
  Image image(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      image.At(x, y) = 0xFF000000u | static_cast<std::uint32_t>(((x * 7 + seed) % 256) << 16) |
                       static_cast<std::uint32_t>(((y * 5) % 256) << 8) | static_cast<std::uint32_t>((x + y) % 4 * 60);
    }
  }
  return image;
}

// Few colours, so the palette holds them exactly.
Image Stripes(int w, int h, int shift) {
  const std::uint32_t colours[] = {0xFF333333, 0xFF49FFE6, 0xFFFFFFFF, 0xFF060B11};
  Image image(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) image.At(x, y) = colours[((x + shift) / 3 + y / 5) % 4];
  }
  return image;
}

struct GifCase {
  const char* what;
  int width, height, frames;
  bool noise;  // random pixels: long runs of new codes, so the code table fills and restarts
};

void PrintTo(const GifCase& c, std::ostream* os) {
  *os << c.what;
}

class GifRoundTrip : public testing::TestWithParam<GifCase> {};

TEST_P(GifRoundTrip, FramesComeBackAsWritten) {
  const GifCase& c = GetParam();
  std::mt19937 random(7);
  std::vector<Image> frames;
  for (int i = 0; i < c.frames; ++i) {
    Image frame = Stripes(c.width, c.height, i);
    if (c.noise) {
      for (auto& p : frame.pixels) p = (random() & 1) ? 0xFF333333 : 0xFF49FFE6;
      for (int k = 0; k < 64 && k < c.width * c.height; ++k) frame.pixels[random() % frame.pixels.size()] = 0xFFFFFFFF;
    }
    frames.push_back(frame);
  }
  const auto bytes = SkinTool::EncodeGif(frames, 5);
  ASSERT_FALSE(bytes.empty());
  const auto decoded = SkinTool::DecodeGif(bytes);
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) EXPECT_EQ((*decoded)[i].pixels, frames[i].pixels) << "frame " << i;
}

INSTANTIATE_TEST_SUITE_P(Encoder, GifRoundTrip,
                         testing::Values(GifCase{"one_pixel", 1, 1, 1, false}, GifCase{"small", 7, 3, 2, false},
                                         GifCase{"wait_dialog_size", 100, 100, 20, false},
                                         GifCase{"full_code_table", 300, 300, 2, true}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(GifEncoder, ManyColoursComeBackClose) {
  const std::vector<Image> frames = {Gradient(64, 64, 0), Gradient(64, 64, 90)};
  const auto decoded = SkinTool::DecodeGif(SkinTool::EncodeGif(frames, 5));
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), 2u);
  for (std::size_t f = 0; f < 2; ++f) {
    for (std::size_t i = 0; i < frames[f].pixels.size(); ++i) {
      const std::uint32_t a = frames[f].pixels[i], b = (*decoded)[f].pixels[i];
      for (int shift = 0; shift <= 16; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        ASSERT_LE(std::abs(d), 48) << "pixel " << i << " of frame " << f;
      }
    }
  }
}

TEST(GifEncoder, SeeThroughPixelsStaySeeThrough) {
  Image frame = Stripes(10, 10, 0);
  for (int x = 0; x < 10; ++x) frame.At(x, 4) = 0x20FFFFFF;  // barely visible: becomes transparent
  const auto decoded = SkinTool::DecodeGif(SkinTool::EncodeGif({frame, frame}, 5));
  ASSERT_TRUE(decoded);
  for (const Image& step : *decoded) {
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(SkinTool::AlphaOf(step.At(x, 4)), 0u);
      EXPECT_EQ(step.At(x, 3), frame.At(x, 3));
    }
  }
}

TEST(GifEncoder, RefusesFramesOfDifferentSizes) {
  EXPECT_TRUE(SkinTool::EncodeGif({Stripes(4, 4, 0), Stripes(5, 4, 0)}, 5).empty());
  EXPECT_TRUE(SkinTool::EncodeGif({}, 5).empty());
}

TEST(GifDecoder, RefusesCutFiles) {
  auto bytes = SkinTool::EncodeGif({Stripes(20, 20, 0)}, 5);
  bytes.resize(bytes.size() / 2);
  EXPECT_FALSE(SkinTool::DecodeGif(bytes));
  EXPECT_FALSE(SkinTool::DecodeGif(std::vector<std::uint8_t>{'G', 'I', 'F'}));
}

TEST(IcoEncoder, EverySizeComesBackWithItsAlpha) {
  std::vector<Image> images;
  for (int size : {16, 32, 256}) {
    Image image = Gradient(size, size, size);
    image.At(0, 0) = 0x00000000;  // fully transparent: set in the AND mask
    image.At(1, 0) = 0x80FF0000;  // half transparent red
    image.At(size - 1, size - 1) = 0xFF49FFE6;
    images.push_back(image);
  }
  const auto decoded = SkinTool::DecodeIco(SkinTool::EncodeIco(images));
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    EXPECT_EQ((*decoded)[i].width, images[i].width);
    EXPECT_EQ((*decoded)[i].pixels, images[i].pixels) << images[i].width << " pixels";
  }
}

TEST(IcoEncoder, RefusesPicturesAnIconCannotHold) {
  EXPECT_TRUE(SkinTool::EncodeIco({Image(257, 257, 0xFF000000)}).empty());
  EXPECT_TRUE(SkinTool::EncodeIco({}).empty());
}

}  // namespace
