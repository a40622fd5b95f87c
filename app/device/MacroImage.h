#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "app/config/ConfigStore.h"
#include "app/config/StoreRecords.h"
#include "app/device/DeviceManager.h"

namespace Zorvane {

// The device's macro memory as the program writes it (command 0x31):
//
// | offset  | content                                                          |
// |---------|------------------------------------------------------------------|
// | 0-63    | pointer table: 16-bit offset of macro i's first entry at 2i, 2i+1 |
// | 64 ...  | per macro: its entries (MacroEntry), the end entry, 4 zero bytes  |
//
// A macro without events gets a pointer (equal to the next macro's) and no
// entries. Macros go in whole, in store order: a macro whose entries and end
// entry would not fit in the 4000 bytes the device takes is left out, as is
// every macro after the 32nd that went in, so the table and the memory are
// never overrun and no macro is cut short. Positions in the pointer table
// are those of Macros(); a button bound to a macro that was left out gets no
// code (KeyModel::DeviceCode).
class MacroImage {
 public:
  static constexpr std::size_t kPointerTableSize = 64;
  static constexpr std::size_t kMaxMacros = kPointerTableSize / 2;
  static constexpr std::size_t kMaxSize = 4000;
  static constexpr std::size_t kPieceSize = 59;

  // One macro with its events in record_index order.
  struct Macro {
    MacroRecord record;
    std::vector<MacroEventRecord> events;
  };

  // Every macro of the store in store order, read as one snapshot.
  static std::vector<Macro> ReadMacros(ConfigStore& store);
  static MacroImage Build(const std::vector<Macro>& macrosInStoreOrder);
  static MacroImage FromStore(ConfigStore& store) { return Build(ReadMacros(store)); }

  // The bytes sent: up to the end of the last entry written, at least the
  // pointer table.
  std::span<const std::uint8_t> Bytes() const { return bytes_; }
  std::size_t Size() const { return bytes_.size(); }
  // The macros in the image, in pointer-table order.
  const std::vector<MacroRecord>& Macros() const { return macros_; }
  // The macros that did not fit, in store order.
  const std::vector<MacroRecord>& LeftOut() const { return leftOut_; }

  std::vector<Report> Pieces() const { return Pieces(bytes_); }
  // An image cut into MacroWrite reports: piece n covers offsets 59n..59n+58
  // and carries address 59n and length 59; the last piece, n = size / 59,
  // carries length size % 59 (0 when the size is a multiple of 59; it is
  // sent all the same). Each piece holds the 59 bytes at its offset, zeros
  // past the end of the image.
  static std::vector<Report> Pieces(std::span<const std::uint8_t> image);

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<MacroRecord> macros_;
  std::vector<MacroRecord> leftOut_;
};

}  // namespace Zorvane
