#pragma once

namespace Nuvex {

// A point in pixels, in the client coordinates of a window unless said
// otherwise.
struct CPoint {
  int x = 0;
  int y = 0;

  friend bool operator==(const CPoint&, const CPoint&) = default;
};

}  // namespace Nuvex
