#include "tools/skintool/Gif.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>

namespace SkinTool {

namespace {

constexpr std::uint32_t kOpaqueAlpha = 128;
constexpr int kMaxCodes = 4096;

struct Box {
  std::vector<std::pair<std::uint32_t, std::uint64_t>> colours;  // colour, pixel count
  int Channel(std::uint32_t c, int ch) const { return static_cast<int>((c >> (16 - 8 * ch)) & 0xFF); }
  // Widest channel and its range.
  std::pair<int, int> Widest() const {
    int best = 0, range = -1;
    for (int ch = 0; ch < 3; ++ch) {
      int lo = 255, hi = 0;
      for (const auto& [c, n] : colours) {
        lo = std::min(lo, Channel(c, ch));
        hi = std::max(hi, Channel(c, ch));
      }
      if (hi - lo > range) range = hi - lo, best = ch;
    }
    return {best, range};
  }
  std::uint32_t Mean() const {
    std::array<std::uint64_t, 3> sum{};
    std::uint64_t count = 0;
    for (const auto& [c, n] : colours) {
      for (int ch = 0; ch < 3; ++ch) sum[ch] += static_cast<std::uint64_t>(Channel(c, ch)) * n;
      count += n;
    }
    std::uint32_t mean = 0;
    for (int ch = 0; ch < 3; ++ch) mean |= static_cast<std::uint32_t>((sum[ch] + count / 2) / count) << (16 - 8 * ch);
    return mean;
  }
};

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void Put(int code, int bits) {
    buffer_ |= static_cast<std::uint32_t>(code) << count_;
    count_ += bits;
    while (count_ >= 8) {
      Byte(static_cast<std::uint8_t>(buffer_ & 0xFF));
      buffer_ >>= 8;
      count_ -= 8;
    }
  }
  void Finish() {
    if (count_ > 0) Byte(static_cast<std::uint8_t>(buffer_ & 0xFF));
    FlushBlock();
    out_.push_back(0);  // block terminator
  }

 private:
  void Byte(std::uint8_t b) {
    block_[blockSize_++] = b;
    if (blockSize_ == 255) FlushBlock();
  }
  void FlushBlock() {
    if (blockSize_ == 0) return;
    out_.push_back(static_cast<std::uint8_t>(blockSize_));
    out_.insert(out_.end(), block_.begin(), block_.begin() + blockSize_);
    blockSize_ = 0;
  }
  std::vector<std::uint8_t>& out_;
  std::array<std::uint8_t, 255> block_{};
  int blockSize_ = 0;
  std::uint32_t buffer_ = 0;
  int count_ = 0;
};

// LZW with 8-bit roots. The encoder adds a table entry after every code it
// writes; the reader adds its entry one code later, so the encoder widens its
// codes once its next free code has passed 2^bits, the reader once its next
// free code reaches it.
void CompressIndices(const std::vector<std::uint8_t>& indices, std::vector<std::uint8_t>& out) {
  constexpr int kClear = 256, kEnd = 257;
  out.push_back(8);  // minimum code size
  BitWriter writer(out);
  std::vector<std::int16_t> table(static_cast<std::size_t>(kMaxCodes) * 256, -1);
  int bits = 9, next = kEnd + 1;
  writer.Put(kClear, bits);
  int prefix = indices.empty() ? -1 : indices[0];
  for (std::size_t i = 1; i < indices.size(); ++i) {
    const std::size_t key = static_cast<std::size_t>(prefix) * 256 + indices[i];
    if (table[key] >= 0) {
      prefix = table[key];
      continue;
    }
    writer.Put(prefix, bits);
    if (next < kMaxCodes) {
      table[key] = static_cast<std::int16_t>(next++);
      if (next > (1 << bits) && bits < 12) ++bits;
    } else {
      writer.Put(kClear, bits);
      std::fill(table.begin(), table.end(), -1);
      bits = 9;
      next = kEnd + 1;
    }
    prefix = indices[i];
  }
  if (prefix >= 0) writer.Put(prefix, bits);
  writer.Put(kEnd, bits);
  writer.Finish();
}

void PutWord(std::vector<std::uint8_t>& out, int value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

std::vector<std::uint32_t> MedianCutPalette(const std::vector<Image>& frames, std::size_t maxColours) {
  std::unordered_map<std::uint32_t, std::uint64_t> histogram;
  for (const Image& frame : frames) {
    for (std::uint32_t p : frame.pixels) {
      if (AlphaOf(p) >= kOpaqueAlpha) ++histogram[p & 0xFFFFFF];
    }
  }
  std::vector<std::uint32_t> palette;
  if (histogram.empty() || maxColours == 0) return palette;
  std::vector<Box> boxes(1);
  boxes[0].colours.assign(histogram.begin(), histogram.end());
  std::sort(boxes[0].colours.begin(), boxes[0].colours.end());
  while (boxes.size() < maxColours) {
    // Split the box with the widest spread that still holds two colours.
    int pick = -1, pickRange = 0, pickChannel = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].colours.size() < 2) continue;
      const auto [channel, range] = boxes[i].Widest();
      if (range > pickRange) pick = static_cast<int>(i), pickRange = range, pickChannel = channel;
    }
    if (pick < 0) break;
    Box& box = boxes[pick];
    std::sort(box.colours.begin(), box.colours.end(), [&](const auto& a, const auto& b) {
      return box.Channel(a.first, pickChannel) < box.Channel(b.first, pickChannel);
    });
    std::uint64_t total = 0, running = 0;
    for (const auto& entry : box.colours) total += entry.second;
    std::size_t cut = 1;
    for (; cut < box.colours.size() - 1; ++cut) {
      running += box.colours[cut - 1].second;
      if (running * 2 >= total) break;
    }
    Box upper;
    upper.colours.assign(box.colours.begin() + static_cast<std::ptrdiff_t>(cut), box.colours.end());
    box.colours.resize(cut);
    boxes.push_back(std::move(upper));
  }
  for (const Box& box : boxes) palette.push_back(box.Mean());
  return palette;
}

std::vector<std::uint8_t> EncodeGif(const std::vector<Image>& frames, int delayCentiseconds) {
  if (frames.empty() || frames[0].width <= 0 || frames[0].height <= 0 || frames[0].width > 0xFFFF ||
      frames[0].height > 0xFFFF) {
    return {};
  }
  const int w = frames[0].width, h = frames[0].height;
  bool transparent = false;
  for (const Image& frame : frames) {
    if (frame.width != w || frame.height != h) return {};
    for (std::uint32_t p : frame.pixels) transparent = transparent || AlphaOf(p) < kOpaqueAlpha;
  }
  std::vector<std::uint32_t> palette = MedianCutPalette(frames, transparent ? 255 : 256);
  const int transparentIndex = transparent ? static_cast<int>(palette.size()) : -1;

  std::unordered_map<std::uint32_t, std::uint8_t> nearest;
  auto indexOf = [&](std::uint32_t p) -> std::uint8_t {
    if (AlphaOf(p) < kOpaqueAlpha) return static_cast<std::uint8_t>(transparentIndex);
    const std::uint32_t rgb = p & 0xFFFFFF;
    if (auto it = nearest.find(rgb); it != nearest.end()) return it->second;
    int best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
      long distance = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const long d = static_cast<long>((rgb >> shift) & 0xFF) - static_cast<long>((palette[i] >> shift) & 0xFF);
        distance += d * d;
      }
      if (bestDistance < 0 || distance < bestDistance) bestDistance = distance, best = static_cast<int>(i);
    }
    return nearest[rgb] = static_cast<std::uint8_t>(best);
  };

  std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  PutWord(out, w);
  PutWord(out, h);
  out.push_back(0xF7);  // global table of 256 entries, 8-bit colour resolution
  out.push_back(0);     // background index
  out.push_back(0);     // square pixels
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t c = i < static_cast<int>(palette.size()) ? palette[i] : 0;
    out.push_back(static_cast<std::uint8_t>(c >> 16));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
    out.push_back(static_cast<std::uint8_t>(c));
  }
  // Loop for ever.
  const std::uint8_t loop[] = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
  out.insert(out.end(), std::begin(loop), std::end(loop));

  std::vector<std::uint8_t> indices(static_cast<std::size_t>(w) * h);
  for (const Image& frame : frames) {
    // Graphic control: each frame restores the background (transparent)
    // before the next, so transparent areas never show an earlier frame.
    out.insert(out.end(), {0x21, 0xF9, 4});
    out.push_back(static_cast<std::uint8_t>((2 << 2) | (transparent ? 1 : 0)));
    PutWord(out, std::clamp(delayCentiseconds, 0, 0xFFFF));
    out.push_back(static_cast<std::uint8_t>(transparent ? transparentIndex : 0));
    out.push_back(0);
    out.push_back(0x2C);
    PutWord(out, 0);
    PutWord(out, 0);
    PutWord(out, w);
    PutWord(out, h);
    out.push_back(0);  // no local table, not interlaced
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = indexOf(frame.pixels[i]);
    CompressIndices(indices, out);
  }
  out.push_back(0x3B);
  return out;
}

namespace {

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Has(std::size_t n) const { return bytes_.size() - pos_ >= n; }
  std::uint8_t Byte() { return bytes_[pos_++]; }
  int Word() {
    const int lo = bytes_[pos_], hi = bytes_[pos_ + 1];
    pos_ += 2;
    return lo | (hi << 8);
  }
  void Skip(std::size_t n) { pos_ += n; }
  // The concatenated data of a sub-block chain; false when it is cut short.
  bool SubBlocks(std::vector<std::uint8_t>* data) {
    for (;;) {
      if (!Has(1)) return false;
      const std::size_t size = Byte();
      if (size == 0) return true;
      if (!Has(size)) return false;
      if (data) data->insert(data->end(), bytes_.begin() + pos_, bytes_.begin() + pos_ + size);
      pos_ += size;
    }
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

// Decodes exactly count indices; false on a corrupt stream.
bool Decompress(int minCodeSize, const std::vector<std::uint8_t>& data, std::size_t count,
                std::vector<std::uint8_t>& indices) {
  if (minCodeSize < 2 || minCodeSize > 8) return false;
  const int clear = 1 << minCodeSize, end = clear + 1;
  std::vector<std::uint16_t> prefix(kMaxCodes);
  std::vector<std::uint8_t> suffix(kMaxCodes), stack;
  std::vector<std::uint8_t> first(kMaxCodes);
  for (int i = 0; i < clear; ++i) suffix[i] = first[i] = static_cast<std::uint8_t>(i);
  int bits = minCodeSize + 1, next = end + 1, previous = -1;
  std::size_t bitPos = 0;
  indices.clear();
  while (indices.size() < count) {
    if (bitPos + bits > data.size() * 8) return false;
    int code = 0;
    for (int i = 0; i < bits; ++i, ++bitPos) code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << i;
    if (code == clear) {
      bits = minCodeSize + 1;
      next = end + 1;
      previous = -1;
      continue;
    }
    if (code == end) break;
    if (previous < 0) {
      if (code >= clear) return false;
      indices.push_back(static_cast<std::uint8_t>(code));
      previous = code;
      continue;
    }
    int walk = code;
    std::uint8_t head;
    if (code < next) {
      head = first[code];
    } else if (code == next) {
      head = first[previous];
    } else {
      return false;
    }
    if (next < kMaxCodes) {
      prefix[next] = static_cast<std::uint16_t>(previous);
      suffix[next] = head;
      first[next] = first[previous];
      ++next;
      if (next == (1 << bits) && bits < 12) ++bits;
    }
    stack.clear();
    while (walk >= clear) {
      stack.push_back(suffix[walk]);
      walk = prefix[walk];
    }
    stack.push_back(static_cast<std::uint8_t>(walk));
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) indices.push_back(*it);
    previous = code;
  }
  return indices.size() >= count;
}

bool ReadTable(Reader& reader, int entries, std::vector<std::uint32_t>& table) {
  if (!reader.Has(static_cast<std::size_t>(entries) * 3)) return false;
  table.resize(entries);
  for (int i = 0; i < entries; ++i) {
    const std::uint32_t r = reader.Byte(), g = reader.Byte(), b = reader.Byte();
    table[i] = 0xFF000000u | (r << 16) | (g << 8) | b;
  }
  return true;
}

}  // namespace

std::optional<std::vector<Image>> DecodeGif(std::span<const std::uint8_t> bytes) {
  Reader reader(bytes);
  if (!reader.Has(13)) return std::nullopt;
  const std::string_view signature(reinterpret_cast<const char*>(bytes.data()), 6);
  if (signature != "GIF89a" && signature != "GIF87a") return std::nullopt;
  reader.Skip(6);
  const int w = reader.Word(), h = reader.Word();
  const std::uint8_t flags = reader.Byte();
  reader.Skip(2);
  std::vector<std::uint32_t> global;
  if ((flags & 0x80) && !ReadTable(reader, 2 << (flags & 7), global)) return std::nullopt;

  std::vector<Image> frames;
  Image canvas(w, h);
  int transparentIndex = -1, disposal = 0;
  for (;;) {
    if (!reader.Has(1)) return std::nullopt;
    const std::uint8_t kind = reader.Byte();
    if (kind == 0x3B) break;
    if (kind == 0x21) {
      if (!reader.Has(1)) return std::nullopt;
      const std::uint8_t label = reader.Byte();
      std::vector<std::uint8_t> data;
      if (!reader.SubBlocks(&data)) return std::nullopt;
      if (label == 0xF9 && data.size() >= 4) {
        disposal = (data[0] >> 2) & 7;
        transparentIndex = (data[0] & 1) ? data[3] : -1;
      }
      continue;
    }
    if (kind != 0x2C || !reader.Has(9)) return std::nullopt;
    const int fx = reader.Word(), fy = reader.Word(), fw = reader.Word(), fh = reader.Word();
    const std::uint8_t frameFlags = reader.Byte();
    std::vector<std::uint32_t> local;
    if ((frameFlags & 0x80) && !ReadTable(reader, 2 << (frameFlags & 7), local)) return std::nullopt;
    const std::vector<std::uint32_t>& table = (frameFlags & 0x80) ? local : global;
    if (!reader.Has(1)) return std::nullopt;
    const int minCodeSize = reader.Byte();
    std::vector<std::uint8_t> data, indices;
    if (!reader.SubBlocks(&data)) return std::nullopt;
    if (!Decompress(minCodeSize, data, static_cast<std::size_t>(fw) * fh, indices)) return std::nullopt;

    // Rows of an interlaced frame arrive in four passes.
    std::vector<int> rows;
    if (frameFlags & 0x40) {
      for (int start : {0, 4, 2, 1}) {
        const int step = start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2;
        for (int r = start; r < fh; r += step) rows.push_back(r);
      }
    } else {
      for (int r = 0; r < fh; ++r) rows.push_back(r);
    }
    const Image before = canvas;
    for (int i = 0; i < fh; ++i) {
      for (int x = 0; x < fw; ++x) {
        const int index = indices[static_cast<std::size_t>(i) * fw + x];
        const int cx = fx + x, cy = fy + rows[i];
        if (index == transparentIndex || cx >= w || cy >= h) continue;
        canvas.At(cx, cy) = index < static_cast<int>(table.size()) ? table[index] : 0xFF000000u;
      }
    }
    frames.push_back(canvas);
    if (disposal == 2) {
      for (int y = fy; y < std::min(h, fy + fh); ++y) {
        for (int x = fx; x < std::min(w, fx + fw); ++x) canvas.At(x, y) = 0;
      }
    } else if (disposal == 3) {
      canvas = before;
    }
    transparentIndex = -1;
    disposal = 0;
  }
  return frames;
}

}  // namespace SkinTool
