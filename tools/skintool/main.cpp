// skintool: the build's helper for the skin.
//
//   skintool gif STRIP.png OUT.gif DELAY_CS   square frames of a rendered strip
//                                            -> looping animation
//   skintool ico OUT.ico PNG...               pictures -> Windows icon file
//   skintool sheet SKIN_DIR SOURCE_DIR OUT.png [ZOOM]
//                                            contact sheet of every picture
//
// Exit status 0 on success, 1 when an input is unreadable or an output cannot
// be written, 2 on wrong arguments.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/skintool/Gif.h"
#include "tools/skintool/Ico.h"
#include "tools/skintool/Image.h"
#include "tools/skintool/Sheet.h"

using namespace SkinTool;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: skintool gif STRIP.png OUT.gif DELAY_CS\n"
               "       skintool ico OUT.ico PNG...\n"
               "       skintool sheet SKIN_DIR SOURCE_DIR OUT.png [ZOOM]\n");
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "skintool: %s\n", message.c_str());
  return 1;
}

bool ParseInt(const char* text, int min, int max, int& value) {
  try {
    std::size_t used = 0;
    value = std::stoi(text, &used);
    return used == std::string(text).size() && value >= min && value <= max;
  } catch (const std::exception&) {
    return false;
  }
}

int MakeGif(const std::string& stripPath, const std::string& outPath, int delay) {
  const auto strip = LoadPng(stripPath);
  if (!strip) return Fail(stripPath + ": not a readable PNG");
  if (strip->height <= 0 || strip->width % strip->height != 0) {
    return Fail(stripPath + ": the strip must hold square frames side by side");
  }
  std::vector<Image> frames;
  for (int x = 0; x < strip->width; x += strip->height)
    frames.push_back(strip->Crop(x, 0, strip->height, strip->height));
  const auto gif = EncodeGif(frames, delay);
  if (gif.empty() || !WriteFileBytes(outPath, gif)) return Fail(outPath + ": cannot be written");
  return 0;
}

int MakeIco(const std::string& outPath, const std::vector<std::string>& pngs) {
  std::vector<Image> images;
  for (const std::string& path : pngs) {
    auto image = LoadPng(path);
    if (!image) return Fail(path + ": not a readable PNG");
    images.push_back(std::move(*image));
  }
  const auto ico = EncodeIco(images);
  if (ico.empty()) return Fail(outPath + ": the pictures do not fit an icon file (1 to 256 pixels)");
  if (!WriteFileBytes(outPath, ico)) return Fail(outPath + ": cannot be written");
  return 0;
}

int MakeSheet(const std::string& skin, const std::string& source, const std::string& outPath, int zoom) {
  std::vector<std::string> errors;
  const auto entries = CollectSkin(skin, source, errors);
  for (const std::string& error : errors) std::fprintf(stderr, "skintool: %s\n", error.c_str());
  if (entries.empty()) return Fail(skin + ": no pictures found");
  const Image sheet = RenderSheet(entries, zoom, "Zorvane skin: " + std::to_string(entries.size()) + " pictures");
  if (!SavePng(sheet, outPath)) return Fail(outPath + ": cannot be written");
  std::printf("%s: %d x %d, %zu pictures\n", outPath.c_str(), sheet.width, sheet.height, entries.size());
  return errors.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  int number = 0;
  if (command == "gif" && argc == 5 && ParseInt(argv[4], 0, 0xFFFF, number)) return MakeGif(argv[2], argv[3], number);
  if (command == "ico" && argc >= 4) return MakeIco(argv[2], std::vector<std::string>(argv + 3, argv + argc));
  if (command == "sheet" && (argc == 5 || (argc == 6 && ParseInt(argv[5], 1, 8, number)))) {
    return MakeSheet(argv[2], argv[3], argv[4], argc == 6 ? number : 1);
  }
  return Usage();
}
