// Checks the skin as built into the program folder: every picture the program
// asks for by name, the pictures the catalogue names, and how the mouse
// pictures and their button callouts fit together.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tools/skintool/Gif.h"
#include "tools/skintool/Ico.h"
#include "tools/skintool/Image.h"

namespace fs = std::filesystem;
using SkinTool::Image;

namespace {

const fs::path kProgramFolder = ZORVANE_OUTPUT_DIR;
const fs::path kSkin = kProgramFolder / "skins" / "theme1";

struct Size {
  int width = 0;
  int height = 0;
};

// One picture the program loads by name. Sizes are per frame; 0 leaves that
// side free.
struct Named {
  std::string_view name;
  int frames;
  Size exact;  // the control draws the frame unscaled into a box of this size
  Size most;   // the room the control has for the frame
  Size least;  // the smallest source its nine-slice (or end caps) can be cut from
};

// Names and frame counts as the controls request them. Strips whose frame
// split is never used for drawing (img_area, img_help) still declare 4.
constexpr Named kNamed[] = {
    {"main_bkg.png", 1, {1280, 800}, {}, {}},
    {"img_caption.png", 1, {}, {}, {13, 13}},
    {"img_tab_bkg.png", 1, {}, {}, {25, 25}},
    {"img_tabitem_bkg.png", 4, {}, {190, 60}, {}},
    {"sysbtn_close.png", 4, {30, 30}, {}, {}},
    {"sysbtn_min.png", 4, {30, 30}, {}, {}},
    {"sysbtn_maximize.png", 4, {30, 30}, {}, {}},
    {"sysbtn_restore.png", 4, {30, 30}, {}, {}},
    {"sysbtn_setting.png", 4, {30, 30}, {}, {}},
    {"img_area.png", 4, {}, {}, {}},
    {"img_button.png", 4, {}, {}, {17, 17}},
    {"area_device.png", 1, {}, {}, {}},
    {"device_mode.png", 2, {}, {80, 30}, {}},
    {"img_area3.png", 1, {}, {}, {21, 21}},
    {"img_area_bkg.png", 1, {}, {}, {271, 61}},
    {"img_area_caption.png", 1, {}, {}, {}},
    {"img_area_content.png", 1, {}, {}, {21, 21}},
    {"img_area2.png", 1, {}, {}, {21, 21}},
    {"img_dpi_bar.png", 1, {}, {40, 30}, {}},
    {"img_help.png", 4, {}, {}, {}},
    {"btn_reset.png", 4, {}, {}, {}},
    {"btn_openfile.png", 4, {}, {}, {}},
    {"img_btn_abc.png", 4, {}, {}, {}},
    {"btn_more.png", 4, {}, {0, 36}, {}},
    {"img_key_bkg.png", 2, {}, {}, {13, 13}},
    {"img_list_bkg.png", 2, {}, {}, {}},
    {"img_eventcaption.png", 1, {}, {}, {}},
    {"img_combobox.png", 4, {}, {}, {39, 13}},
    {"img_combobox_bkg.png", 1, {}, {}, {13, 13}},
    {"img_edit.png", 4, {}, {}, {13, 13}},
    {"img_btn_addvalue.png", 4, {15, 15}, {}, {}},
    {"img_btn_subtract.png", 4, {15, 15}, {}, {}},
    {"img_slider_bar.png", 4, {}, {}, {}},
    {"img_switch_btn_on.png", 4, {}, {}, {}},
    {"img_switch_btn_off.png", 4, {}, {}, {}},
    {"img_scroll_v.png", 3, {5, 0}, {}, {0, 13}},
    {"img_scroll_h.png", 3, {0, 5}, {}, {13, 0}},
    {"bk_prompt.png", 1, {}, {}, {61, 61}},
    {"img_tip_bk.png", 1, {}, {}, {13, 13}},
    {"img_tip_arrow_left.png", 1, {}, {}, {}},
    {"img_tip_arrow_right.png", 1, {}, {}, {}},
    {"img_tip_arrow_top.png", 1, {}, {}, {}},
    {"logo/logo.png", 1, {}, {170, 40}, {}},
    {"icon/tab_home.png", 3, {}, {190, 50}, {}},
    {"icon/tab_key.png", 3, {}, {190, 50}, {}},
    {"icon/tab_dpi.png", 3, {}, {190, 50}, {}},
    {"icon/tab_macro.png", 3, {}, {190, 50}, {}},
    {"icon/tab_text.png", 3, {}, {190, 50}, {}},
    {"icon/tab_light.png", 3, {}, {190, 50}, {}},
    {"icon/tab_set.png", 3, {}, {190, 50}, {}},
    {"icon/keytype_0.png", 2, {}, {38, 40}, {}},
    {"icon/keytype_1.png", 2, {}, {38, 40}, {}},
    {"icon/keytype_2.png", 2, {}, {38, 40}, {}},
    {"icon/keytype_4.png", 2, {}, {38, 40}, {}},
    {"icon/keytype_6.png", 2, {}, {38, 40}, {}},
    {"icon/keytype_7.png", 2, {}, {38, 40}, {}},
    {"icon/keytype_9.png", 2, {}, {38, 40}, {}},
    {"icon/keytype_10.png", 2, {}, {38, 40}, {}},
    {"icon/keytype_11.png", 2, {}, {38, 40}, {}},
    {"icon/keytype_12.png", 2, {}, {38, 40}, {}},
    {"icon/icon_battery_bkg.png", 1, {}, {0, 30}, {}},
    {"icon/icon_batteryvalue.png", 1, {}, {}, {}},
    {"icon/icon_charge.png", 1, {}, {0, 30}, {}},
    {"icon/icon_arrow_up.png", 1, {}, {0, 26}, {}},
    {"icon/icon_record.png", 6, {}, {60, 36}, {}},
    {"icon/icon_rec.png", 1, {}, {0, 36}, {}},
    {"icon/icon_stop_rec.png", 1, {}, {0, 36}, {}},
};

void PrintTo(const Named& n, std::ostream* os) {
  *os << n.name << " (" << n.frames << " frames)";
}

// Width and height from a PNG file's IHDR chunk, which must come first.
std::optional<Size> PngSize(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[24] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return std::nullopt;
  constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (!std::equal(std::begin(kSignature), std::end(kSignature), head)) return std::nullopt;
  if (std::string_view(reinterpret_cast<const char*>(head + 12), 4) != "IHDR") return std::nullopt;
  auto be32 = [&](int at) {
    return static_cast<int>((static_cast<std::uint32_t>(head[at]) << 24) | (head[at + 1] << 16) | (head[at + 2] << 8) |
                            head[at + 3]);
  };
  return Size{be32(16), be32(20)};
}

std::vector<std::uint8_t> Bytes(const fs::path& path) {
  return SkinTool::ReadFileBytes(path.string()).value_or(std::vector<std::uint8_t>{});
}

class NamedImage : public testing::TestWithParam<Named> {};

TEST_P(NamedImage, ExistsWithWholeFramesThatFitTheirControl) {
  const Named& n = GetParam();
  const auto size = PngSize(kSkin / n.name);
  ASSERT_TRUE(size) << n.name << " is missing or not a PNG";
  EXPECT_EQ(size->width % n.frames, 0) << n.name << ": " << size->width << " wide in " << n.frames << " frames";
  const Size frame{size->width / n.frames, size->height};
  if (n.exact.width) {
    EXPECT_EQ(frame.width, n.exact.width) << n.name;
  }
  if (n.exact.height) {
    EXPECT_EQ(frame.height, n.exact.height) << n.name;
  }
  if (n.most.width) {
    EXPECT_LE(frame.width, n.most.width) << n.name;
  }
  if (n.most.height) {
    EXPECT_LE(frame.height, n.most.height) << n.name;
  }
  EXPECT_GE(frame.width, n.least.width) << n.name;
  EXPECT_GE(frame.height, n.least.height) << n.name;
}

INSTANTIATE_TEST_SUITE_P(Skin, NamedImage, testing::ValuesIn(kNamed), [](const auto& info) {
  std::string name(info.param.name);
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
});

// --- the catalogue -----------------------------------------------------------

struct Callout {
  int key = 0;
  int side = 0;
  int a = 0, b = 0, c = 0;
};

struct Model {
  std::string attr;
  std::string listPicture;
  std::string mousePicture;
  std::vector<Callout> callouts;
};

int Number(std::string_view text) {
  return text.empty() ? 0 : std::stoi(std::string(text));
}

std::vector<Model> ShippedModels() {
  std::vector<Model> models;
  pugi::xml_document catalogue;
  if (!catalogue.load_file((kProgramFolder / "config.xml").c_str())) return models;
  for (pugi::xml_node mouse : catalogue.child("config").child("device").children("mouse")) {
    Model model{mouse.attribute("device_attr").value(), mouse.attribute("image").value(), {}, {}};
    pugi::xml_document device;
    if (device.load_file((kProgramFolder / "device" / (model.attr + ".xml")).c_str())) {
      pugi::xml_node root = device.child("mouse");
      model.mousePicture = root.child("image_file").attribute("mouse_img").value();
      for (pugi::xml_node key : root.child("mouse_key").children("key")) {
        const std::string rect = key.attribute("rect").value();
        const auto first = rect.find('#'), second = rect.find('#', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        model.callouts.push_back({key.attribute("key_value").as_int(), key.attribute("direction").as_int(),
                                  Number(std::string_view(rect).substr(0, first)),
                                  Number(std::string_view(rect).substr(first + 1, second - first - 1)),
                                  Number(std::string_view(rect).substr(second + 1))});
      }
    }
    models.push_back(std::move(model));
  }
  return models;
}

TEST(CataloguePictures, EveryModelHasItsListAndMousePicture) {
  const auto models = ShippedModels();
  ASSERT_FALSE(models.empty()) << "no model read from " << (kProgramFolder / "config.xml");
  for (const Model& model : models) {
    SCOPED_TRACE(model.attr);
    ASSERT_FALSE(model.listPicture.empty());
    ASSERT_FALSE(model.mousePicture.empty());
    EXPECT_TRUE(PngSize(kSkin / "device" / model.listPicture)) << model.listPicture;
    const auto mouse = PngSize(kSkin / "device" / model.mousePicture);
    ASSERT_TRUE(mouse) << model.mousePicture;
    // The picture's top-left corner is at (1280 - width - 150, 145) in the
    // default window: it has to stay right of the navigation column (x 201)
    // and above the bottom strip (y 750).
    EXPECT_GE(1280 - mouse->width - 150, 201) << model.mousePicture << " is " << mouse->width << " wide";
    EXPECT_LE(145 + mouse->height, 750) << model.mousePicture << " is " << mouse->height << " high";
    EXPECT_EQ(model.callouts.size(), 9u) << "buttons 0 to 8";
  }
}

// The callout drawing: a marker at the point on the mouse (a on side 1, b on
// side 0) and a 67 x 26 label box beside the other point, every coordinate
// multiplied by the page's scale. Checked at scale 1 and at the default
// window's 800 / 780, where the points must still land on their buttons and
// the labels on empty (transparent) parts of the picture, inside it.
TEST(CataloguePictures, CalloutsPointAtTheMouseAndLabelsStayClear) {
  for (const Model& model : ShippedModels()) {
    SCOPED_TRACE(model.attr);
    const auto picture = SkinTool::LoadPng((kSkin / "device" / model.mousePicture).string());
    ASSERT_TRUE(picture);
    for (double scale : {1.0, 800.0 / 780.0}) {
      SCOPED_TRACE("scale " + std::to_string(scale));
      struct Box {
        int left, top, right, bottom;
      };
      std::vector<Box> boxes;
      for (const Callout& k : model.callouts) {
        SCOPED_TRACE("button " + std::to_string(k.key));
        const int px = static_cast<int>(std::lround((k.side == 1 ? k.a : k.b) * scale));
        const int py = static_cast<int>(std::lround(k.c * scale));
        ASSERT_TRUE(px >= 0 && py >= 0 && px < picture->width && py < picture->height);
        EXPECT_GE(SkinTool::AlphaOf(picture->At(px, py)), 200u)
            << "the point (" << px << ", " << py << ") is off the mouse";

        const double labelX = k.side == 1 ? k.b + 1 : k.a - 67;
        const Box box{static_cast<int>(std::floor(labelX * scale)), static_cast<int>(std::floor((k.c - 13) * scale)),
                      static_cast<int>(std::ceil((labelX + 66) * scale)),
                      static_cast<int>(std::ceil((k.c + 13) * scale))};
        ASSERT_TRUE(box.left >= 0 && box.top >= 0 && box.right < picture->width && box.bottom < picture->height)
            << "the label leaves the picture";
        std::uint32_t cover = 0;
        for (int y = box.top; y <= box.bottom; ++y) {
          for (int x = box.left; x <= box.right; ++x) cover = std::max(cover, SkinTool::AlphaOf(picture->At(x, y)));
        }
        EXPECT_EQ(cover, 0u) << "the label covers the drawing";
        for (const Box& other : boxes) {
          const bool apart =
              box.right < other.left || other.right < box.left || box.bottom < other.top || other.bottom < box.top;
          EXPECT_TRUE(apart) << "labels overlap";
        }
        boxes.push_back(box);
      }
    }
  }
}

// --- the animation and the icon file ------------------------------------------

TEST(SkinFiles, LoadingAnimationMoves) {
  const auto frames = SkinTool::DecodeGif(Bytes(kSkin / "loading.gif"));
  ASSERT_TRUE(frames) << "loading.gif is missing or unreadable";
  ASSERT_GE(frames->size(), 2u);
  for (const Image& frame : *frames) {
    EXPECT_EQ(frame.width, frames->front().width);
    EXPECT_EQ(frame.height, frames->front().height);
  }
  EXPECT_NE(frames->at(0).pixels, frames->at(1).pixels) << "the first two steps are the same picture";
}

TEST(SkinFiles, IconFileHoldsTheTrayAndWindowSizes) {
  const auto icons = SkinTool::DecodeIco(Bytes(kSkin / "Trelvix.ico"));
  ASSERT_TRUE(icons) << "Trelvix.ico is missing or unreadable";
  std::set<int> sizes;
  for (const Image& icon : *icons) {
    EXPECT_EQ(icon.width, icon.height);
    sizes.insert(icon.width);
  }
  for (int size : {16, 24, 32, 48, 256}) EXPECT_TRUE(sizes.count(size)) << size << " pixels missing";
}

// Nothing else in the skin folder: a picture under a misspelt name would be
// shipped and never shown.
TEST(SkinFiles, EveryFileIsOneTheProgramLoads) {
  std::set<std::string> expected = {"loading.gif", "Trelvix.ico"};
  for (const Named& n : kNamed) expected.insert(std::string(n.name));
  for (const Model& model : ShippedModels()) {
    expected.insert("device/" + model.listPicture);
    expected.insert("device/" + model.mousePicture);
  }
  ASSERT_TRUE(fs::is_directory(kSkin));
  for (const auto& entry : fs::recursive_directory_iterator(kSkin)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = fs::relative(entry.path(), kSkin).generic_string();
    EXPECT_TRUE(expected.count(name)) << name << " is not a name the program loads";
  }
}

// --- contrast -----------------------------------------------------------------

double Channel(std::uint32_t value) {
  const double c = value / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(std::uint32_t rgb) {
  return 0.2126 * Channel((rgb >> 16) & 0xFF) + 0.7152 * Channel((rgb >> 8) & 0xFF) + 0.0722 * Channel(rgb & 0xFF);
}

// The pixel as seen over the window colour.
std::uint32_t OverWindow(std::uint32_t argb) {
  constexpr std::uint32_t kWindow = 0x060B11;
  const std::uint32_t a = argb >> 24;
  std::uint32_t rgb = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const std::uint32_t top = (argb >> shift) & 0xFF, under = (kWindow >> shift) & 0xFF;
    rgb |= ((top * a + under * (255 - a) + 127) / 255) << shift;
  }
  return rgb;
}

double Contrast(std::uint32_t a, std::uint32_t b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Where the program writes text onto a picture: the frame, the text colour
// and the part of the frame text can reach (inset from each side, clear of
// rims, accent bars and the drop arrow).
struct TextOnPicture {
  std::string_view name;
  int frames;
  int frame;
  std::uint32_t text;
  int left, top, right, bottom;
};

constexpr TextOnPicture kTextOnPictures[] = {
    {"img_button.png", 4, 0, 0xFFFFFF, 8, 8, 8, 8},
    {"img_button.png", 4, 1, 0xFFFFFF, 8, 8, 8, 8},
    {"img_button.png", 4, 2, 0xFFFFFF, 8, 8, 8, 8},
    {"img_button.png", 4, 0, 0xFF0000, 8, 8, 8, 8},  // reset key, red title
    {"img_button.png", 4, 1, 0xFF0000, 8, 8, 8, 8},
    {"img_button.png", 4, 2, 0xFF0000, 8, 8, 8, 8},
    {"img_button.png", 4, 3, 0x808080, 8, 8, 8, 8},
    {"img_key_bkg.png", 2, 0, 0xFFFFFF, 6, 6, 6, 6},
    {"img_key_bkg.png", 2, 1, 0x050505, 6, 6, 6, 6},
    {"img_combobox.png", 4, 0, 0xFFFFFF, 6, 6, 32, 6},
    {"img_combobox.png", 4, 1, 0xFFFFFF, 6, 6, 32, 6},
    {"img_combobox.png", 4, 2, 0x191919, 6, 6, 32, 6},
    {"img_combobox.png", 4, 3, 0x808080, 6, 6, 32, 6},
    {"img_combobox_bkg.png", 1, 0, 0xFFFFFF, 6, 6, 6, 6},
    {"img_edit.png", 4, 0, 0x050505, 17, 6, 17, 6},
    {"img_edit.png", 4, 3, 0x808080, 17, 6, 17, 6},
    {"img_list_bkg.png", 2, 0, 0xB8D3EF, 0, 2, 0, 2},
    {"img_list_bkg.png", 2, 0, 0xFFFFFF, 0, 2, 0, 2},
    {"img_list_bkg.png", 2, 1, 0xB8D3EF, 0, 2, 0, 2},
    {"img_list_bkg.png", 2, 1, 0xFFFFFF, 0, 2, 0, 2},
    {"img_eventcaption.png", 1, 0, 0xFFFFFF, 0, 0, 0, 2},
    {"img_caption.png", 1, 0, 0xFFFFFF, 6, 6, 6, 6},
    {"img_area.png", 1, 0, 0xFFFFFF, 16, 2, 16, 2},  // clear of the round ends
    {"img_area_caption.png", 1, 0, 0xFFFFFF, 6, 0, 0, 2},
    {"img_area_content.png", 1, 0, 0xFFFFFF, 10, 10, 10, 10},
    {"img_area_bkg.png", 1, 0, 0xFFFFFF, 10, 51, 10, 10},
    {"img_area3.png", 1, 0, 0xFFFFFF, 10, 10, 10, 10},
    {"bk_prompt.png", 1, 0, 0xFFFFFF, 20, 15, 20, 185},  // caption
    {"bk_prompt.png", 1, 0, 0xFFFFFF, 20, 50, 20, 50},   // message
    {"img_tip_bk.png", 1, 0, 0xFFFFFF, 6, 6, 6, 6},
    {"main_bkg.png", 1, 0, 0xFFFFFF, 0, 0, 0, 0},
};

void PrintTo(const TextOnPicture& t, std::ostream* os) {
  *os << t.name << " frame " << t.frame << ", text #" << std::hex << std::uppercase << t.text;
}

class TextContrast : public testing::TestWithParam<TextOnPicture> {};

TEST_P(TextContrast, TextReadsAtLeastFourAndAHalfToOne) {
  const TextOnPicture& t = GetParam();
  const auto picture = SkinTool::LoadPng((kSkin / t.name).string());
  ASSERT_TRUE(picture) << t.name;
  const int frameWidth = picture->width / t.frames;
  const Image frame = picture->Crop(t.frame * frameWidth, 0, frameWidth, picture->height);
  double worst = 21;
  int worstX = 0, worstY = 0;
  for (int y = t.top; y < frame.height - t.bottom; ++y) {
    for (int x = t.left; x < frame.width - t.right; ++x) {
      const double ratio = Contrast(t.text, OverWindow(frame.At(x, y)));
      if (ratio < worst) worst = ratio, worstX = x, worstY = y;
    }
  }
  EXPECT_GE(worst, 4.5) << t.name << " frame " << t.frame << ": text " << std::hex << t.text << " at (" << std::dec
                        << worstX << ", " << worstY << ")";
}

INSTANTIATE_TEST_SUITE_P(Skin, TextContrast, testing::ValuesIn(kTextOnPictures), [](const auto& info) {
  std::string name(info.param.name.substr(0, info.param.name.find('.')));
  char text[8];
  std::snprintf(text, sizeof text, "%06X", info.param.text);
  return name + "_frame" + std::to_string(info.param.frame) + "_" + text + "_" + std::to_string(info.index);
});

}  // namespace
