#include "app/device/MacroImage.h"

#include <algorithm>

#include "app/device/MacroEntry.h"
#include "app/device/ReportBuilder.h"

namespace Zorvane {
namespace {

constexpr std::size_t kEntrySize = 4;
constexpr std::size_t kGapAfterMacro = 4;  // zero bytes between a macro's end entry and the next macro

void Put(std::vector<std::uint8_t>& memory, std::size_t at, const MacroEntry::Bytes& entry) {
  std::copy(entry.begin(), entry.end(), memory.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

std::vector<MacroImage::Macro> MacroImage::ReadMacros(ConfigStore& store) {
  std::vector<Macro> macros;
  // One transaction, so a macro deleted meanwhile cannot leave its events
  // read without it, or the other way round.
  store.Atomically([&] {
    std::vector<MacroRecord> records;
    store.ListMacros(records);
    macros.reserve(records.size());
    for (MacroRecord& record : records) {
      Macro& macro = macros.emplace_back();
      macro.record = std::move(record);
      store.ListMacroEvents(macro.record.macro_id, macro.events);
    }
    return true;
  });
  return macros;
}

MacroImage MacroImage::Build(const std::vector<Macro>& macrosInStoreOrder) {
  MacroImage image;
  std::vector<std::uint8_t> memory(kMaxSize, 0);
  std::size_t offset = kPointerTableSize;  // where the next macro starts
  std::size_t end = kPointerTableSize;     // end of the last entry written
  for (const Macro& macro : macrosInStoreOrder) {
    std::size_t needed = macro.events.empty() ? 0 : kEntrySize * (macro.events.size() + 1);
    if (image.macros_.size() == kMaxMacros || offset + needed > kMaxSize) {
      image.leftOut_.push_back(macro.record);
      continue;
    }
    std::size_t position = image.macros_.size();
    memory[2 * position] = static_cast<std::uint8_t>(offset & 0xFF);
    memory[2 * position + 1] = static_cast<std::uint8_t>(offset >> 8);
    image.macros_.push_back(macro.record);
    if (macro.events.empty()) continue;

    int pendingDelay = MacroEntry::kFirstDelay;
    for (const MacroEventRecord& event : macro.events) {
      Put(memory, offset, MacroEntry::Encode(event, pendingDelay));
      offset += kEntrySize;
    }
    Put(memory, offset, MacroEntry::End(pendingDelay));
    end = offset + kEntrySize;
    offset = end + kGapAfterMacro;
  }
  memory.resize(end);
  image.bytes_ = std::move(memory);
  return image;
}

std::vector<Report> MacroImage::Pieces(std::span<const std::uint8_t> image) {
  image = image.first(std::min(image.size(), kMaxSize));
  std::vector<Report> pieces;
  const std::size_t last = image.size() / kPieceSize;
  for (std::size_t n = 0; n <= last; ++n) {
    std::size_t address = n * kPieceSize;
    std::size_t available = std::min(kPieceSize, image.size() - address);
    std::uint8_t length = static_cast<std::uint8_t>(n == last ? image.size() % kPieceSize : kPieceSize);
    pieces.push_back(
        ReportBuilder::MacroWrite(static_cast<std::uint16_t>(address), length, image.subspan(address, available)));
  }
  return pieces;
}

}  // namespace Zorvane
