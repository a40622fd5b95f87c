#pragma once

#include <string>
#include <vector>

#include "tools/skintool/Image.h"

namespace SkinTool {

// One picture of the skin as the program splits it: a strip cut into its
// frames, each animation step of a GIF, each size of an icon file.
struct SheetEntry {
  std::string name;  // path below the skin folder
  int fileWidth = 0;
  int fileHeight = 0;
  std::string layout;  // how the frames were found, e.g. "4 frames"
  std::vector<Image> frames;
};

// Reads every PNG, GIF and ICO file below skinFolder in path order. A PNG
// strip's frame count is the data-frames attribute of the SVG of the same
// stem below sourceFolder (1 when it has none); a GIF contributes its
// animation steps, an icon file its sizes. Unreadable files are named in
// errors and left out.
std::vector<SheetEntry> CollectSkin(const std::string& skinFolder, const std::string& sourceFolder,
                                    std::vector<std::string>& errors);

// The frame count a source SVG declares on its root element, 1 when none.
int DeclaredFrames(const std::string& svgText);

// Every entry with its name, file size and layout above its frames, the frames
// side by side at zoom times their size, each framed by a thin line, on the
// window colour of the program. Entries flow in rows.
Image RenderSheet(const std::vector<SheetEntry>& entries, int zoom, const std::string& title);

}  // namespace SkinTool
