#pragma once

#include <cstdint>
#include <vector>

// Report descriptors shaped like those of real mice, for the HID tests.
namespace HidDescriptors {

using Bytes = std::vector<std::uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Generic desktop mouse, report 1: five buttons, three bits of padding,
// 16-bit X and Y, an 8-bit wheel (6 bytes).
inline Bytes Mouse() {
  return {
      0x05, 0x01,                    // usage page: generic desktop
      0x09, 0x02,                    // usage: mouse
      0xA1, 0x01,                    // collection: application
      0x85, 0x01,                    //   report id 1
      0x09, 0x01,                    //   usage: pointer
      0xA1, 0x00,                    //   collection: physical
      0x05, 0x09,                    //     usage page: button
      0x19, 0x01, 0x29, 0x05,        //     usages 1 to 5
      0x15, 0x00, 0x25, 0x01,        //     logical 0 to 1
      0x95, 0x05, 0x75, 0x01,        //     5 x 1 bit
      0x81, 0x02,                    //     input: data, variable, absolute
      0x95, 0x01, 0x75, 0x03,        //     1 x 3 bits
      0x81, 0x01,                    //     input: constant
      0x05, 0x01,                    //     usage page: generic desktop
      0x09, 0x30, 0x09, 0x31,        //     usages X, Y
      0x16, 0x01, 0x80, 0x26, 0xFF,  //     logical -32767
      0x7F,                          //       to 32767
      0x75, 0x10, 0x95, 0x02,        //     2 x 16 bits
      0x81, 0x06,                    //     input: data, variable, relative
      0x09, 0x38,                    //     usage: wheel
      0x15, 0x81, 0x25, 0x7F,        //     logical -127 to 127
      0x75, 0x08, 0x95, 0x01,        //     1 x 8 bits
      0x81, 0x06,                    //     input
      0xC0,                          //   end collection
      0xC0,                          // end collection
  };
}

// The vendor collection (usage page 0xFFB2, usage 1) with input and output
// reports of the given bytes after the id, numbered `reportId` unless 0.
inline Bytes Vendor(std::uint8_t reportId, std::uint8_t inputBytes, std::uint8_t outputBytes) {
  const Bytes head = {
      0x06, 0xB2, 0xFF,  // usage page 0xFFB2
      0x09, 0x01,        // usage 1
      0xA1, 0x01,        // collection: application
  };
  const Bytes id = reportId != 0 ? Bytes{0x85, reportId} : Bytes{};
  const Bytes fields = {
      0x15, 0x00,               // logical minimum 0
      0x26, 0xFF,        0x00,  // logical maximum 255
      0x75, 0x08,               // 8 bits each
      0x09, 0x02,               // usage 2
      0x95, inputBytes,         // count
      0x81, 0x02,               // input
      0x09, 0x03,               // usage 3
      0x95, outputBytes,        // count
      0x91, 0x02,               // output
      0xC0,                     // end collection
  };
  return head + id + fields;
}

// One interface carrying the mouse (report 1) and the vendor collection
// (report 6, 63 bytes each way), as the supported mice have it.
inline Bytes MouseAndVendor() {
  return Mouse() + Vendor(6, 63, 63);
}

}  // namespace HidDescriptors
