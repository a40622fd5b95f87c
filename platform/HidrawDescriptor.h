#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

// The report descriptor of the hidraw node `devnode` ("/dev/hidraw3"), read
// through its own read-only descriptor that is closed again before the
// return. False, with `bytes` emptied, when the node cannot be opened or is
// no hidraw node.
bool ReadHidrawDescriptor(const std::string& devnode, std::vector<std::uint8_t>& bytes);

}  // namespace Platform
