#pragma once

#include <cstdint>

namespace Nuvex {

// A 32-bit drawing colour, 0xAARRGGBB.
class Color {
 public:
  constexpr Color() = default;
  constexpr explicit Color(std::uint32_t argb) : argb_(argb) {}
  constexpr Color(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b)
      : argb_((std::uint32_t{a} << 24) | (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b) {}

  constexpr std::uint32_t GetValue() const { return argb_; }
  constexpr std::uint8_t GetA() const { return static_cast<std::uint8_t>(argb_ >> 24); }
  constexpr std::uint8_t GetR() const { return static_cast<std::uint8_t>(argb_ >> 16); }
  constexpr std::uint8_t GetG() const { return static_cast<std::uint8_t>(argb_ >> 8); }
  constexpr std::uint8_t GetB() const { return static_cast<std::uint8_t>(argb_); }

  friend constexpr bool operator==(Color a, Color b) { return a.argb_ == b.argb_; }

 private:
  std::uint32_t argb_ = 0xFF000000;  // opaque black
};

}  // namespace Nuvex
